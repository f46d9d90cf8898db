// The Style-Creator's menu bar: the numbered steps, the files, the "&Loop" menu and the conversion
// settings, and the dialogs its file commands need.

#include <QActionGroup>
#include <QMenu>
#include <filesystem>

#include "gui/style_creator_panel.h"
#include "gui/style_events_window.h"
#include "styles/structure_file.h"

namespace kalo::gui {

namespace {

constexpr const char* kMidiFilter = "MIDI files (*.mid)|*.mid;*.MID;*.midi";

}  // namespace

QAction* StyleCreatorPanel::AddEntry(QMenu* menu, const QString& caption, std::function<void()> command) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(caption);
  connect(action, &QAction::triggered, this, [this, command = std::move(command)] { Run(command); });
  return action;
}

QAction* StyleCreatorPanel::AddOption(QMenu* menu, const QString& caption, bool* flag) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(caption);
  action->setCheckable(true);
  connect(action, &QAction::toggled, this, [flag](bool on) { *flag = on; });
  refreshers_.push_back([action, flag] {
    const QSignalBlocker block(action);
    action->setChecked(*flag);
  });
  return action;
}

void StyleCreatorPanel::AddChoice(QMenu* menu, const QString& caption, const QStringList& entries,
                                  std::function<int()> get, std::function<void(int)> set) {
  QMenu* choice = menu->addMenu(caption);
  choice->setObjectName(caption);
  auto* group = new QActionGroup(choice);
  std::vector<QAction*> actions;
  for (int i = 0; i < entries.size(); ++i) {
    QAction* action = choice->addAction(entries[i]);
    action->setObjectName(caption + " " + entries[i]);
    action->setCheckable(true);
    group->addAction(action);
    connect(action, &QAction::triggered, this, [set, i] { set(i); });
    actions.push_back(action);
  }
  refreshers_.push_back([actions, get = std::move(get)] {
    const int chosen = get();
    for (size_t i = 0; i < actions.size(); ++i) actions[i]->setChecked(static_cast<int>(i) == chosen);
  });
}

void StyleCreatorPanel::MakeMenus() {
  MakeStepsMenu();
  QMenu* file = menus_->addMenu("&File");
  AddEntry(file, "Import MIDI               ", [this] { ImportByDialog(false); });
  AddEntry(file, "Load Style              ", [this] { arranger_.Gen().LoadStyleByDialog(); });
  AddEntry(file, "Save Style as ...     ", [this] { SaveStyleByDialog(); });
  AddEntry(file, "Load Work               ", [this] { arranger_.Gen().LoadWorkFileByDialog(); });
  AddEntry(file, "Save Work as ...      ", [this] { SaveWorkByDialog(); });
  file->addSeparator();
  AddEntry(file, "    ->Save style as MIDI file", [this] { SaveMidiByDialog(true); });
  AddEntry(file, "    ->Save selected style part as MIDI file", [this] { SaveMidiByDialog(false); });
  AddEntry(file, "Repair style", [this] { side_.RepairStyle(); });
  MakeAllStylesItems(file);
  MakePartFileItems(file);
  file->addSeparator();
  for (bool styleB : {false, true}) {
    const QString caption = QString("    ->Use structure file \"%1\" Style %2")
                                .arg(styles::kStructureFileName)
                                .arg(styleB ? 'B' : 'A');
    AddEntry(file, caption, [this, styleB] { side_.CutFromStructureFile(styleB); });
  }
  // Keyboard style files mark their sections: the parts are cut at the markers of the last import.
  AddEntry(file, "Cut parts at the file's markers", [this] { side_.CutPartsFromMarkers(); });
  MakeLoopMenu();
  MakeConvertMenu();
}

void StyleCreatorPanel::MakePartFileItems(QMenu* file) {
  file->addSeparator();
  AddEntry(file, "Import style part ...", [this] {
    ImportPartByDialog();
  })->setToolTip("A MIDI file becomes the selected style part");
  AddEntry(file, "Export style part ...", [this] {
    SaveMidiByDialog(false);
  })->setToolTip("The selected style part to a MIDI file");
  // The sets share one folder, remembered in the settings: every part as its own file there.
  for (bool exporting : {false, true}) {
    QMenu* set = file->addMenu(exporting ? "Export set of style parts" : "Import set of style parts");
    set->setObjectName(set->title());
    set->setToolTipsVisible(true);
    QAction* run = AddEntry(set, exporting ? "Export set" : "Import set", [this, exporting] {
      std::string folder = arranger_.Settings().PartSetDir;
      if (folder.empty() && !ChoosePartSetFolder()) return;
      folder = arranger_.Settings().PartSetDir;
      if (exporting)
        side_.ExportPartSet(folder);
      else
        side_.ImportPartSet(folder);
    });
    run->setToolTip(exporting ? "Every style part as its own MIDI file in the set's folder"
                              : "Every style part file found in the set's folder becomes its part");
    QAction* path = AddEntry(set, "Set path", [this] { ChoosePartSetFolder(); });
    path->setObjectName(exporting ? "Set path (export)" : "Set path (import)");
    path->setToolTip("Choose the folder of the set of style parts");
  }
}

void StyleCreatorPanel::MakeAllStylesItems(QMenu* file) {
  QMenu* all = file->addMenu("Work on all styles");
  all->setObjectName(all->title());
  all->setToolTipsVisible(true);
  const auto run = [this](app::StyleWork work) {
    // Any style chosen in the dialog chooses its folder.
    config::Settings& settings = arranger_.Settings();
    const host::FileChoice choice{"Work on all styles of the folder", "Styles (*.vxs)|*.vxs", "VXS", "*.vxs",
                                  settings.StyleDir};
    const auto path = arranger_.Dialogs().AskOpenFile(choice);
    if (!path) return;
    side_.WorkOnAllStyles(std::filesystem::path(*path).parent_path().string(), work);
  };
  AddEntry(all, "Repair all styles ...", [run] {
    run(app::StyleWork::Repair);
  })->setToolTip("Every style of a folder repaired and saved over its file");
  AddEntry(all, "Normalize volume of all styles ...", [run] {
    run(app::StyleWork::NormalizeVolume);
  })->setToolTip("Every style of a folder brought to the target volume and saved over its file");
}

bool StyleCreatorPanel::ChoosePartSetFolder() {
  config::Settings& settings = arranger_.Settings();
  const std::string start = settings.PartSetDir.empty() ? arranger_.Gen().WorkFolder : settings.PartSetDir;
  // Any file name in the folder chooses it; the one proposed is Basic's.
  const host::FileChoice choice{"Set path of the style part set", kMidiFilter, "MID",
                                styles::ProposedPartFileName(styles::kBasic, false), start};
  const auto path = arranger_.Dialogs().AskSaveFile(choice);
  if (!path) return false;
  settings.PartSetDir = std::filesystem::path(*path).parent_path().string();
  return !settings.PartSetDir.empty();
}

void StyleCreatorPanel::ImportPartByDialog() {
  const host::FileChoice choice{"Import style part", kMidiFilter, "MID", side_.ProposedPartFileName(),
                                arranger_.Gen().WorkFolder};
  if (const auto path = arranger_.Dialogs().AskOpenFile(choice)) side_.ImportPartFromMidi(*path);
}

void StyleCreatorPanel::MakeStepsMenu() {
  QMenu* steps = menus_->addMenu("&Steps");
  AddEntry(steps, "1. Import Midifile", [this] { ImportByDialog(false); });
  // Step 2 is the marking itself: the Style-Mode on, the part list ready.
  AddEntry(steps, "2. Set styleparts (Basic, Extended, Intro, Ending, Fills e.g.)", [this] {
    if (!arranger_.Gen().CurrentStyle().HasMaterial()) return;
    if (!arranger_.Gen().StyleMode) SetStyleMode(true);
    parts_->setFocus();
  });
  AddEntry(steps, "3. Normalize style volume if necessary", [this] { side_.NormalizeVolume(); });
  AddEntry(steps, "4. Test style", [this] { side_.TestStyle(); });
  AddEntry(steps, "5. Save created style", [this] { SaveStyleByDialog(); });
}

void StyleCreatorPanel::MakeLoopMenu() {
  QMenu* loop = menus_->addMenu("&Loop");
  AddEntry(loop, "<<", [this] { arranger_.Gen().ShiftLoop(false); });
  AddEntry(loop, ">>", [this] { arranger_.Gen().ShiftLoop(true); });
  loop->addSeparator();
  const std::pair<const char*, int> parts[] = {{"&Basic", styles::kBasic},
                                               {"&Extended", styles::kExtended},
                                               {"Intro", styles::kIntro},
                                               {"Ending", styles::kEnding},
                                               {"Fill in Basic", styles::kFillInBasic},
                                               {"Fill in Extended", styles::kFillInExtended},
                                               {"To Extended", styles::kToExtended},
                                               {"To Basic", styles::kToBasic}};
  for (const auto& [caption, part] : parts)
    AddEntry(loop, caption, [this, part = part] { arranger_.Gen().PreparePart(part, false); });
  AddEntry(loop, "Variation Basic", [this] { arranger_.Gen().PreparePart(styles::kFillInBasic, true); });
  AddEntry(loop, "Variation Extended",
           [this] { arranger_.Gen().PreparePart(styles::kFillInExtended, true); });
  loop->addSeparator();
  AddEntry(loop, "&Set Part", [this] { side_.SetPart(); });
  AddEntry(loop, "Clear P.", [this] { side_.ClearPart(); });
  loop->addSeparator();
  AddEntry(loop, "    -   Enter chords and test styleparts with the keys [Shift/Ctrl] y,x,c,v,b,n,m",
           [this] { Q_EMIT GuideRequested(); });
}

void StyleCreatorPanel::MakeConvertMenu() {
  QMenu* convert = menus_->addMenu("&Convert");
  styles::ConversionSettings& settings = side_.Conversion;
  AddChoice(
      convert, "Change Chord per Measure ...", {"1/4", "1/2", "3/4", "1/1", "5/4", "6/4", "7/4", "2/1"},
      [&settings] { return settings.WindowBeats - 1; }, [&settings](int i) { settings.WindowBeats = i + 1; });
  AddChoice(
      convert, "Mode ...", {"1 Major", "2 Simple", "3 Normal", "4 Special"},
      [&settings] {
        const auto& values = styles::kModeValues;
        return static_cast<int>(std::find(values.begin(), values.end(), settings.Mode) - values.begin());
      },
      [&settings](int i) { settings.Mode = styles::kModeValues[static_cast<size_t>(i)]; });
  AddChoice(
      convert, "Sensitivity ...", {"1 Low", "2 Middle", "3 High", "4 Extreme"},
      [&settings] {
        const auto& values = styles::kSensitivityValues;
        return static_cast<int>(std::find(values.begin(), values.end(), settings.Sensitivity) -
                                values.begin());
      },
      [&settings](int i) { settings.Sensitivity = styles::kSensitivityValues[static_cast<size_t>(i)]; });
  QStringList modes;
  for (const char* name : styles::kConvertModeNames) modes << name;
  AddChoice(
      convert, "Convertmode ...", modes, [&settings] { return settings.ConvertMode; },
      [&settings](int i) { settings.ConvertMode = i; });
  convert->addSeparator();
  AddOption(convert, "Don't convert intro && ending", &settings.SkipIntroEnding);
  AddOption(convert, "Don't convert fills", &settings.SkipFills);
  AddOption(convert, "Don't convert basic && extended", &settings.SkipMainParts);
  AddOption(convert, "Don't get metrum from file", &side_.Import.DontGetMetrum);
  AddOption(convert, "Convert x/8 - Base: 1/8", &side_.Import.EighthBase);
  AddOption(convert, "Move percussion sounds to track 10", &side_.Import.MovePercussion);
  AddOption(convert, "Use only standard percussion sounds", &side_.Import.StandardPercussionOnly);
  AddOption(convert, "    Try to optimize timing", &side_.Import.OptimizeTiming);
  convert->addSeparator();
  AddEntry(convert, "Convert measures to Style", [this] { side_.ConvertMeasuresToStyle(); });
  AddEntry(convert, "Convert all to Style", [this] { side_.ConvertAllToStyle(); });
  AddEntry(convert, "&Convert Part", [this] { side_.ConvertPart(); });
  AddEntry(convert, "Generate Chords", [this] { side_.ShowGeneratedChords(); });
  AddEntry(convert, "Restore style", [this] { side_.RestoreOriginal(false); });
  convert->addSeparator();
  AddEntry(convert, "Set Cut Notes State to all Styleparts", [this] {
    side_.CutNotesToAllParts(SelectedChannel(), Find<QCheckBox>("  Cut Notes ...")->isChecked());
  });
  AddEntry(convert, "Set Muting to all Styleparts", [this] { side_.MutingToAllParts(); });
  QAction* suppress = convert->addAction(" Suppress all Style Controllers");
  suppress->setObjectName(" Suppress all Style Controllers");
  suppress->setCheckable(true);
  connect(suppress, &QAction::toggled, this,
          [this](bool on) { Run([&] { arranger_.Gen().SetSuppressControllers(on); }); });
  refreshers_.push_back([this, suppress] {
    const QSignalBlocker block(suppress);
    suppress->setChecked(arranger_.Gen().CurrentStyle().Header.SuppressControllers != 0);
  });
}

void StyleCreatorPanel::ImportByDialog(bool newStyle) {
  const host::FileChoice choice{"Import MIDI file", kMidiFilter, "MID", "*.mid", arranger_.Gen().WorkFolder};
  const auto path = arranger_.Dialogs().AskOpenFile(choice);
  if (!path) return;
  if (newStyle)
    side_.NewStyle(*path);
  else
    side_.ImportMidiFile(*path);
}

void StyleCreatorPanel::SaveStyleByDialog() {
  styles::TGen& gen = arranger_.Gen();
  if (!gen.CurrentStyle().HasMaterial()) return;
  // The file of the style loaded or last saved; material from a recording or a MIDI file is never
  // proposed under the name of the style loaded before it, which a stray Enter would overwrite.
  std::string proposed = arranger_.StyleControls.SaveStyleName;
  if (proposed.empty() && gen.StyleLoaded) proposed = gen.CurrentStylePath;
  const host::FileChoice choice{"Save Style as ...", "Styles (*.vxs)|*.vxs", "VXS",
                                proposed.empty() ? "*.VXS" : proposed, arranger_.Settings().StyleDir};
  if (const auto path = arranger_.Dialogs().AskSaveFile(choice)) gen.SaveStyle(*path);
}

void StyleCreatorPanel::SaveWorkByDialog() {
  styles::TGen& gen = arranger_.Gen();
  if (!gen.CurrentStyle().HasMaterial()) return;
  const host::FileChoice choice{"Save Work as ...", "Work files (*.vxw)|*.vxw", "VXW", "*.VXW",
                                gen.WorkFolder};
  if (const auto path = arranger_.Dialogs().AskSaveFile(choice)) gen.SaveWorkFile(*path);
}

void StyleCreatorPanel::SaveMidiByDialog(bool wholeStyle) {
  if (!arranger_.Gen().CurrentStyle().HasMaterial()) return;
  const std::string proposed = wholeStyle ? "*.mid" : side_.ProposedPartFileName();
  const host::FileChoice choice{
      wholeStyle ? "Save style as MIDI file" : "Save selected style part as MIDI file", kMidiFilter, "MID",
      proposed, arranger_.Gen().WorkFolder};
  const auto path = arranger_.Dialogs().AskSaveFile(choice);
  if (!path) return;
  if (wholeStyle)
    side_.SaveStyleAsMidi(*path);
  else
    side_.SavePartAsMidi(*path);
}

}  // namespace kalo::gui
