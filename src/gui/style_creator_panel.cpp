#include "gui/style_creator_panel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QVBoxLayout>

#include "config/settings.h"
#include "gui/guarded.h"
#include "gui/style_events_window.h"

namespace kalo::gui {

namespace {

// Shows a value, except in a field the player is typing into (the typed text is not taken yet).
void ShowValue(QSpinBox* box, int value) {
  if (box->hasFocus() && box->cleanText() != QString::number(box->value())) return;
  box->setValue(value);
}

const styles::TStylePart& PartOf(app::Arranger& arranger, int part) {
  return arranger.Gen().CurrentStyle().Parts.at(static_cast<size_t>(part));
}

QString PartCaption(app::Arranger& arranger, int part) {
  const QString name =
      QString::fromUtf8(styles::kPartNames[static_cast<size_t>(part)].data(),
                        static_cast<int>(styles::kPartNames[static_cast<size_t>(part)].size()));
  const styles::TStylePart& record = PartOf(arranger, part);
  if (!record.Exists()) return name;
  return QString("%1   %2 - %3").arg(name).arg(record.FirstMeasure).arg(record.LastMeasure);
}

// What each control does, one hover away; the buttons made with a hint of their own keep it.
const std::pair<const char*, const char*> kHints[] = {
    {"Song-Mode", "The material is a song: it plays as recorded"},
    {"Style-Mode", "The material is cut into parts: mark and play the parts"},
    {"Beat", "The beat of the first measure at which the part begins"},
    {"LoopStart", "The measure that plays becomes the first measure"},
    {"LoopEnd", "The measure that plays becomes the last measure"},
    {"Step by Step", "The loop length for step-by-step work"},
    {"Multiply by 2", "Doubles the loop length"},
    {"Intro ...", "The style starts with its intro (as the main window's \"Play Intro\")"},
    {"Restore Original", "Undo all conversions: the material as it was recorded or imported"},
    {"Stop", "Stop playing"},
    {"All Notes Off", "All notes off on the 16 channels"},
    {"Volume -", "All channels' volume one lower"},
    {"Volume +", "All channels' volume one higher"},
    {"Reverb -", "All channels' reverb one lower"},
    {"Reverb +", "All channels' reverb one higher"},
    {"Target Volume", "The volume \"Normalize Volume\" brings the channels to"},
    {"Normalize Volume", "Bring the channels' volumes to the target volume, keeping their balance"},
    {"Octave Channel", "The channel \"Oct. up\" and \"Oct. down\" move"},
    {"Tone Channel", "The channel \"Tone up\" and \"Tone down\" move"},
    {"Oct. up", "The channel's notes an octave higher"},
    {"Oct. down", "The channel's notes an octave lower"},
    {"Tone up", "The channel's notes a semitone higher"},
    {"Tone down", "The channel's notes a semitone lower"},
    {"Load Style              ", "Open a style file (.vxs)"},
    {"Save Style as ...     ", "Save the style as a style file (.vxs)"},
    {"Load Work               ", "Open a work file (.vxw): material with its parts"},
    {"Save Work as ...      ", "Save the material with its parts as a work file (.vxw)"},
    {"Stylepart - Events      ", "Step through the part's notes and edit them"},
    {"Convert measures to Style", "Convert the measures of the measure boxes to the base chord"},
    {"Convert all to Style", "Convert every measure to the base chord"},
    {"Record from MIDI in ", "Record what comes in at MIDI in; Stop ends the recording"},
    {"Tempo", "The tempo of the recording's style"},
    {"Metrum", "The metre of the material"},
};

}  // namespace

StyleCreatorPanel::StyleCreatorPanel(app::Arranger& arranger, WindowDisplay& display, QWidget* parent)
    : ToolPanel(kStyleCreatorTitle, parent), arranger_(arranger), side_(arranger.Creator()) {
  setObjectName("Style-Creator");
  setAcceptDrops(true);
  auto* layout = new QVBoxLayout(this);
  menus_ = new QMenuBar;
  menus_->setNativeMenuBar(false);
  layout->setMenuBar(menus_);
  auto* top = new QHBoxLayout;
  top->addWidget(MakeModeAndParts());
  auto* right = new QVBoxLayout;
  right->addWidget(MakeTransport());
  right->addWidget(MakeLevels());
  right->addWidget(MakeFiles());
  top->addLayout(right);
  layout->addLayout(top);
  layout->addWidget(MakeRecordingPanel());
  for (const auto& [name, hint] : kHints)
    if (auto* control = findChild<QWidget*>(name); control != nullptr && control->toolTip().isEmpty())
      control->setToolTip(hint);
  events_ = new StyleEventsWindow(arranger_, this);
  connect(events_, &StyleEventsWindow::Edited, this, [this] {
    Refresh();
    Q_EMIT SessionChanged();
  });
  MakeMenus();

  // The caption names the material or style once there is one.
  if (!display.StyleCreatorCaption().isEmpty()) SetTitle(display.StyleCreatorCaption());
  connect(&display, &WindowDisplay::StyleCreatorCaptionChanged, this, &ToolPanel::SetTitle);
  position_->setText(display.StyleCreatorPosition().isEmpty() ? QString("1:1")
                                                              : display.StyleCreatorPosition());
  connect(&display, &WindowDisplay::StyleCreatorPositionChanged, position_, &QLabel::setText);
  // The window follows what playback and the main window change: the measure boxes move with the
  // measure buttons and the part list, the offsets with the arrows.
  auto* follow = new QTimer(this);
  follow->setInterval(200);
  connect(follow, &QTimer::timeout, this, [this] {
    if (isVisible()) Refresh();
  });
  follow->start();
  Refresh();
}

StyleCreatorPanel::~StyleCreatorPanel() {
  if (watchedWindow_ != nullptr) watchedWindow_->removeEventFilter(this);
  side_.WindowShown = false;
}

QPushButton* StyleCreatorPanel::AddButton(const QString& caption, std::function<void()> command,
                                          const QString& hint) {
  auto* button = new QPushButton(caption);
  button->setObjectName(caption);
  button->setFocusPolicy(Qt::NoFocus);
  if (!hint.isEmpty()) button->setToolTip(hint);
  connect(button, &QPushButton::clicked, this, [this, command = std::move(command)] { Run(command); });
  return button;
}

QSpinBox* StyleCreatorPanel::AddNumber(const QString& name, int low, int high,
                                       std::function<void(int)> command) {
  auto* box = new QSpinBox;
  box->setObjectName(name);
  box->setRange(low, high);
  box->setKeyboardTracking(false);
  connect(box, &QSpinBox::valueChanged, this, [this, command = std::move(command)](int value) {
    if (!refreshing_) Run([&] { command(value); });
  });
  return box;
}

void StyleCreatorPanel::Run(const std::function<void()>& command) {
  Guarded(arranger_.Dialogs(), command);
  Refresh();
  Q_EMIT SessionChanged();
}

QWidget* StyleCreatorPanel::MakeModeAndParts() {
  auto* box = new QGroupBox("Styleparts");
  auto* grid = new QGridLayout(box);
  songMode_ = new QCheckBox("Song-Mode");
  songMode_->setObjectName("Song-Mode");
  styleMode_ = new QCheckBox("Style-Mode");
  styleMode_->setObjectName("Style-Mode");
  connect(songMode_, &QCheckBox::clicked, this, [this](bool on) { Run([&] { SetStyleMode(!on); }); });
  connect(styleMode_, &QCheckBox::clicked, this, [this](bool on) { Run([&] { SetStyleMode(on); }); });
  grid->addWidget(songMode_, 0, 0);
  grid->addWidget(styleMode_, 0, 1);

  parts_ = new QListWidget;
  parts_->setObjectName("Parts");
  parts_->setToolTip("The style parts, with the measures each was cut from");
  for (int p = 0; p < styles::kPartCount; ++p) parts_->addItem(PartCaption(arranger_, p));
  parts_->setMinimumWidth(parts_->sizeHintForColumn(0) + 80);
  parts_->setFixedHeight(parts_->sizeHintForRow(0) * styles::kPartCount + 2 * parts_->frameWidth());
  connect(parts_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (refreshing_ || row < 0) return;
    Run([&] {
      styles::TGen& gen = arranger_.Gen();
      gen.RunningPart = row;
      gen.VariationPrepared = false;
      // An existing part shows its measures and is loaded into the play window: the part being marked
      // is what plays, and "Set" cuts it again from where it was cut.
      const styles::TStylePart& part = PartOf(arranger_, row);
      if (!part.Exists()) return;
      gen.BeatBox = std::max<int>(1, part.Beat);
      gen.SetFirstMeasure(part.FirstMeasure);
      gen.SetLastMeasure(part.LastMeasure);
      gen.SelectPart(row);
    });
  });
  grid->addWidget(parts_, 1, 0, 1, 2);

  first_ = AddNumber("First Measure", 1, 9999, [this](int m) { arranger_.Gen().SetFirstMeasure(m); });
  last_ = AddNumber("Last Measure", 0, 9999, [this](int m) { arranger_.Gen().SetLastMeasure(m); });
  beat_ = AddNumber("Beat", 1, 6, [this](int b) {
    styles::TGen& gen = arranger_.Gen();
    gen.BeatBox = b;
    gen.SetFirstMeasure(gen.FirstMeasure);
  });
  // A double click resets a measure box and opens the play window's side.
  first_->findChild<QLineEdit*>()->installEventFilter(this);
  last_->findChild<QLineEdit*>()->installEventFilter(this);
  first_->setToolTip("First measure of the part (double click: 1, the play window opens at the start)");
  last_->setToolTip("Last measure of the part, 0 for the end (double click: 0, no limit)");
  int row = 2;
  for (auto [caption, field] :
       {std::pair{"First measure", first_}, {"Last measure", last_}, {"Beat", beat_}}) {
    grid->addWidget(new QLabel(caption), row, 0);
    grid->addWidget(field, row++, 1);
  }
  grid->addWidget(AddButton(
                      "Set", [this] { side_.SetPart(); }, "Cut the selected part from its measures"),
                  row, 0);
  grid->addWidget(AddButton(
                      "Clear P.", [this] { side_.ClearPart(); }, "Empty the selected part"),
                  row++, 1);
  grid->addWidget(AddButton("LoopStart", [this] { arranger_.Gen().LoopStart(); }), row, 0);
  grid->addWidget(AddButton("LoopEnd", [this] { arranger_.Gen().LoopEnd(); }), row++, 1);

  loopLength_ = new QComboBox;
  loopLength_->setObjectName("Step by Step");
  loopLength_->addItem("1 measure");
  for (int m = 2; m <= 8; ++m) loopLength_->addItem(QString("%1 measures").arg(m));
  connect(loopLength_, &QComboBox::activated, this,
          [this](int index) { Run([&] { arranger_.Gen().SetLoopMeasures(index + 1); }); });
  multiply_ = new QCheckBox("Multiply by 2");
  multiply_->setObjectName("Multiply by 2");
  connect(multiply_, &QCheckBox::clicked, this, [this] { Run([&] { arranger_.Gen().ToggleMultiply(); }); });
  grid->addWidget(loopLength_, row, 0);
  grid->addWidget(multiply_, row++, 1);

  intro_ = new QCheckBox("Intro ...");
  intro_->setObjectName("Intro ...");
  connect(intro_, &QCheckBox::clicked, this,
          [this](bool on) { Run([&] { arranger_.Settings().PlayIntro = on; }); });
  cutNotes_ = new QCheckBox("  Cut Notes ...");
  cutNotes_->setObjectName("  Cut Notes ...");
  cutNotes_->setToolTip("The selected part cuts the notes of the mixer's channel at a chord change");
  connect(cutNotes_, &QCheckBox::clicked, this,
          [this](bool on) { Run([&] { side_.SetCutNotes(SelectedChannel(), on); }); });
  grid->addWidget(intro_, row, 0);
  grid->addWidget(cutNotes_, row++, 1);
  grid->addWidget(AddButton(
                      "Quick S.", [this] { side_.QuickStyle(); },
                      "Clear current style and create a complete style, using the current loop"),
                  row, 0);
  grid->addWidget(AddButton("Restore Original", [this] { side_.RestoreOriginal(true); }), row++, 1);
  return box;
}

QWidget* StyleCreatorPanel::MakeTransport() {
  auto* box = new QGroupBox("Play");
  auto* rows = new QVBoxLayout(box);
  auto* row = new QHBoxLayout;
  rows->addLayout(row);
  rows->addLayout(MakeSongWindow());
  row->addWidget(AddButton(
      "Play", [this] { side_.PlayButton(); },
      "Play the selected part (Style-Mode) or the material, in C major"));
  row->addWidget(AddButton("Stop", [this] { arranger_.Stop(); }));
  row->addWidget(AddButton(
      "<", [this] { arranger_.Gen().MeasureBack(); }, "One measure back"));
  position_ = new QLabel;
  position_->setObjectName("Position");
  position_->setFrameShape(QFrame::Panel);
  position_->setFrameShadow(QFrame::Sunken);
  position_->setAlignment(Qt::AlignCenter);
  position_->setMinimumWidth(position_->fontMetrics().horizontalAdvance("0000:0") + 12);
  position_->setToolTip("Measure:beat. Click: the next bookmark (while recording: store the measure)");
  position_->installEventFilter(this);
  row->addWidget(position_);
  row->addWidget(AddButton(
      ">", [this] { arranger_.Gen().MeasureForward(); }, "One measure forward"));
  row->addWidget(AddButton(
      ">|", [this] { arranger_.Gen().GoToEnd(); }, "To the end of the recording"));
  row->addWidget(AddButton("All Notes Off", [this] {
    arranger_.AllNotesOff();
    arranger_.Engine().Book.Clear();
  }));
  return box;
}

QLayout* StyleCreatorPanel::MakeSongWindow() {
  // Song-Mode plays the material from "Start with ..." measure and beat until "Stop at ..." begins.
  auto* row = new QHBoxLayout;
  const auto window = [this](int start, int beat, int stop) {
    arranger_.Gen().SetSongWindow(start, beat, stop);
  };
  songStart_ = AddNumber("Start with ...", 1, 999, [this, window](int m) {
    const styles::TGen& gen = arranger_.Gen();
    window(m, gen.SongStartBeat, gen.SongStopMeasure);
  });
  songBeat_ = AddNumber("Start beat", 1, 6, [this, window](int b) {
    const styles::TGen& gen = arranger_.Gen();
    window(gen.SongStartMeasure, b, gen.SongStopMeasure);
  });
  songStop_ = AddNumber("Stop at ...", 0, 999, [this, window](int m) {
    const styles::TGen& gen = arranger_.Gen();
    window(gen.SongStartMeasure, gen.SongStartBeat, m);
  });
  songStart_->setToolTip("Song-Mode: the measure the material plays from");
  songBeat_->setToolTip("Song-Mode: the beat of that measure the material plays from");
  songStop_->setToolTip("Song-Mode: play stops where this measure begins (0: at the end of the material)");
  row->addWidget(new QLabel("Start with ..."));
  row->addWidget(songStart_);
  row->addWidget(songBeat_);
  row->addWidget(new QLabel("Stop at ..."));
  row->addWidget(songStop_);
  row->addStretch();
  return row;
}

QWidget* StyleCreatorPanel::MakeLevels() {
  auto* box = new QGroupBox("Levels");
  auto* grid = new QGridLayout(box);
  volumeTotal_ = new QLabel("0");
  reverbTotal_ = new QLabel("0");
  int row = 0;
  for (auto [caption, total, volume] : {std::tuple{"Style Volume Offset : ", volumeTotal_, true},
                                        {"Style Reverb Offset : ", reverbTotal_, false}}) {
    grid->addWidget(new QLabel(caption), row, 0);
    grid->addWidget(total, row, 1);
    const QString name = volume ? "Volume" : "Reverb";
    for (int step : {-1, 1}) {
      QPushButton* button = AddButton(step > 0 ? "+" : "-", [this, step, volume] {
        if (volume)
          side_.VolumeOffset(step);
        else
          side_.ReverbOffset(step);
      });
      button->setObjectName(name + (step > 0 ? " +" : " -"));
      grid->addWidget(button, row, step > 0 ? 3 : 2);
    }
    ++row;
  }
  target_ = AddNumber("Target Volume", 1, 127, [this](int v) { arranger_.Gen().TargetVolume = v; });
  grid->addWidget(new QLabel("Target volume"), row, 0);
  grid->addWidget(target_, row, 1);
  grid->addWidget(AddButton("Normalize Volume", [this] { side_.NormalizeVolume(); }), row++, 2, 1, 2);

  octaveChannel_ = new QComboBox;
  octaveChannel_->setObjectName("Octave Channel");
  toneChannel_ = new QComboBox;
  toneChannel_->setObjectName("Tone Channel");
  for (int c = 1; c <= 16; ++c) {
    octaveChannel_->addItem(QString::number(c));
    toneChannel_->addItem(QString::number(c));
  }
  grid->addWidget(
      AddButton("Oct. up", [this] { side_.TransposeChannel(octaveChannel_->currentIndex() + 1, 12); }), row,
      0);
  grid->addWidget(
      AddButton("Oct. down", [this] { side_.TransposeChannel(octaveChannel_->currentIndex() + 1, -12); }),
      row, 1);
  grid->addWidget(octaveChannel_, row++, 2);
  grid->addWidget(
      AddButton("Tone up", [this] { side_.TransposeChannel(toneChannel_->currentIndex() + 1, 1); }), row, 0);
  grid->addWidget(
      AddButton("Tone down", [this] { side_.TransposeChannel(toneChannel_->currentIndex() + 1, -1); }), row,
      1);
  grid->addWidget(toneChannel_, row++, 2);
  return box;
}

QWidget* StyleCreatorPanel::MakeFiles() {
  auto* box = new QGroupBox("Files");
  auto* grid = new QGridLayout(box);
  grid->addWidget(AddButton("Load Style              ", [this] { arranger_.Gen().LoadStyleByDialog(); }), 0,
                  0);
  grid->addWidget(AddButton("Save Style as ...     ", [this] { SaveStyleByDialog(); }), 0, 1);
  grid->addWidget(AddButton("Load Work               ", [this] { arranger_.Gen().LoadWorkFileByDialog(); }),
                  1, 0);
  grid->addWidget(AddButton("Save Work as ...      ", [this] { SaveWorkByDialog(); }), 1, 1);
  grid->addWidget(
      AddButton(
          "New S.", [this] { ImportByDialog(true); }, "Metrum 4/4, then import another MIDI file"),
      2, 0);
  grid->addWidget(AddButton("Stylepart - Events      ", [this] { events_->Open(); }), 2, 1);
  grid->addWidget(AddButton("Convert measures to Style", [this] { side_.ConvertMeasuresToStyle(); }), 3, 0);
  grid->addWidget(AddButton("Convert all to Style", [this] { side_.ConvertAllToStyle(); }), 3, 1);
  return box;
}

QWidget* StyleCreatorPanel::MakeRecordingPanel() {
  auto* box = new QGroupBox("Record from MIDI in");
  auto* grid = new QGridLayout(box);
  grid->addWidget(AddButton("Record from MIDI in ", [this] { RecordFromMidiIn(false); }), 0, 0, 1, 2);
  grid->addWidget(AddButton(
                      "OK - Record from MIDI in", [this] { RecordFromMidiIn(true); },
                      "Record, then cut the parts from the measures below"),
                  0, 2, 1, 2);
  tempo_ = AddNumber("Tempo", 25, 250, [this](int t) { side_.Panel.Tempo = t; });
  metrum_ = new QComboBox;
  metrum_->setObjectName("Metrum");
  for (const char* name : config::kMetrumNames) metrum_->addItem(name);
  connect(metrum_, &QComboBox::activated, this, [this](int index) { Run([&] { side_.SetMetrum(index); }); });
  grid->addWidget(new QLabel("Tempo"), 0, 4);
  grid->addWidget(tempo_, 0, 5);
  grid->addWidget(new QLabel("Metrum"), 0, 6);
  grid->addWidget(metrum_, 0, 7);
  grid->addWidget(AddButton(
                      "New", [this] { side_.Panel.New(); }, "All first measures 1, all last measures 0"),
                  0, 8);
  for (int step : {-1, 1}) {
    QPushButton* shift = AddButton(
        step > 0 ? "+1" : "-1", [this, step] { side_.Panel.Shift(step); },
        "Move all measure boxes by one measure");
    shift->setObjectName(step > 0 ? "Shift +1" : "Shift -1");
    grid->addWidget(shift, 0, step > 0 ? 10 : 9);
  }
  for (int p = 0; p < styles::kPartCount; ++p) {
    const QString name =
        QString::fromUtf8(styles::kPartNames[static_cast<size_t>(p)].data(),
                          static_cast<int>(styles::kPartNames[static_cast<size_t>(p)].size()));
    const int column = (p % 4) * 3;
    const int row = 1 + p / 4;
    grid->addWidget(new QLabel(name), row, column);
    const auto index = static_cast<size_t>(p);
    QSpinBox* first =
        AddNumber(name + " First", 1, 9999, [this, index](int m) { side_.Panel.First[index] = m; });
    QSpinBox* last =
        AddNumber(name + " Last", 0, 9999, [this, index](int m) { side_.Panel.Last[index] = m; });
    first->setToolTip(name + ": first measure to cut after recording (double click: 1)");
    last->setToolTip(name + ": last measure to cut after recording, 0 for none (double click: 0)");
    first->findChild<QLineEdit*>()->installEventFilter(this);
    last->findChild<QLineEdit*>()->installEventFilter(this);
    panelBoxes_[index * 2] = first;
    panelBoxes_[index * 2 + 1] = last;
    grid->addWidget(first, row, column + 1);
    grid->addWidget(last, row, column + 2);
  }
  return box;
}

QAction* StyleCreatorPanel::Entry(const QString& caption) const {
  for (QAction* action : menus_->findChildren<QAction*>())
    if (action->objectName() == caption) return action;
  return nullptr;
}

int StyleCreatorPanel::SelectedChannel() const { return arranger_.Mixer().KeyboardChannel(); }

void StyleCreatorPanel::SetStyleMode(bool on) {
  arranger_.Stop();
  arranger_.Gen().SwitchStyleMode(on);
}

void StyleCreatorPanel::RecordFromMidiIn(bool cutFromPanel) { side_.RecordFromMidiIn(cutFromPanel); }

void StyleCreatorPanel::ImportDropped(const QString& path) {
  Run([&] { side_.ImportMidiFile(path.toStdString()); });
}

void StyleCreatorPanel::Refresh() {
  refreshing_ = true;
  const styles::TGen& gen = arranger_.Gen();
  const styles::Style& style = gen.CurrentStyle();
  const bool styleMode = gen.StyleMode;
  songMode_->setChecked(!styleMode);
  styleMode_->setChecked(styleMode);
  // Only in Style-Mode is there a part to mark.
  for (QWidget* control :
       std::initializer_list<QWidget*>{parts_, first_, last_, beat_, Button("LoopStart"), Button("LoopEnd")})
    control->setEnabled(styleMode);
  Button("Set")->setEnabled(styleMode && arranger_.StyleControls.SetButton);
  Button(">|")->setEnabled(arranger_.StyleControls.GoToEnd);
  Button("Restore Original")->setEnabled(arranger_.StyleControls.RestoreOriginal && !side_.Recording());
  for (int p = 0; p < styles::kPartCount; ++p) {
    const QString caption = PartCaption(arranger_, p);
    if (parts_->item(p)->text() != caption) parts_->item(p)->setText(caption);
  }
  if (parts_->currentRow() != gen.RunningPart) parts_->setCurrentRow(gen.RunningPart);
  ShowValue(first_, gen.FirstMeasure);
  ShowValue(songStart_, gen.SongStartMeasure);
  songBeat_->setMaximum(std::max(1, gen.BeatsPerMeasure));
  ShowValue(songBeat_, gen.SongStartBeat);
  ShowValue(songStop_, gen.SongStopMeasure);
  ShowValue(last_, gen.LastMeasure);
  beat_->setMaximum(std::max(1, gen.BeatsPerMeasure));
  ShowValue(beat_, gen.BeatBox);
  loopLength_->setCurrentIndex(gen.LoopMeasuresLess1);
  multiply_->setChecked(gen.LoopFactor == 2);
  intro_->setChecked(arranger_.Settings().PlayIntro);
  const int channel = SelectedChannel();
  cutNotes_->setChecked(channel >= 0 && channel < styles::kChannelCount &&
                        PartOf(arranger_, gen.RunningPart).CutNotes[static_cast<size_t>(channel)] != 0);
  // The bookmarks set, and the one the next click goes to.
  QStringList marks;
  for (int16_t measure : style.Bookmarks)
    if (measure > 0) marks << QString::number(measure);
  position_->setToolTip(
      QString(
          "Measure:beat. Click: the next bookmark (while recording: store the measure)\nBookmark %1 of 10; "
          "set: %2")
          .arg(style.BookmarkCursor)
          .arg(marks.isEmpty() ? QString("none") : marks.join(", ")));
  volumeTotal_->setText(QString::number(style.VolumeOffsetTotal));
  reverbTotal_->setText(QString::number(style.ReverbOffsetTotal));
  ShowValue(target_, gen.TargetVolume);
  ShowValue(tempo_, side_.Panel.Tempo);
  metrum_->setCurrentIndex(std::clamp(arranger_.Settings().Metrum, 0, config::kMetrumCount - 1));
  for (size_t p = 0; p < styles::kPartCount; ++p) {
    ShowValue(panelBoxes_[p * 2], side_.Panel.First[p]);
    ShowValue(panelBoxes_[p * 2 + 1], side_.Panel.Last[p]);
  }
  for (const auto& refresh : refreshers_) refresh();
  refreshing_ = false;
}

bool StyleCreatorPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == watchedWindow_) {
    // The control keys reach the Style-Creator while its window is the active one.
    if (event->type() == QEvent::WindowActivate) side_.WindowShown = true;
    if (event->type() == QEvent::WindowDeactivate || event->type() == QEvent::Hide) side_.WindowShown = false;
    return false;
  }
  if (watched == position_ && event->type() == QEvent::MouseButtonPress) {
    Run([&] { arranger_.Gen().BookmarkClick(side_.Recording()); });
    return true;
  }
  if (event->type() != QEvent::MouseButtonDblClick) return false;
  if (watched == first_->findChild<QLineEdit*>()) {
    Run([&] { arranger_.Gen().SetFirstMeasure(1); });
    return true;
  }
  if (watched == last_->findChild<QLineEdit*>()) {
    Run([&] { arranger_.Gen().SetLastMeasure(0); });
    return true;
  }
  for (size_t i = 0; i < panelBoxes_.size(); ++i) {
    if (watched != panelBoxes_[i]->findChild<QLineEdit*>()) continue;
    const size_t part = i / 2;
    if (i % 2 == 0)
      side_.Panel.First[part] = 1;
    else
      side_.Panel.Last[part] = 0;
    Refresh();
    return true;
  }
  return false;
}

void StyleCreatorPanel::showEvent(QShowEvent* event) {
  if (watchedWindow_ == nullptr && window() != this) {
    watchedWindow_ = window();
    watchedWindow_->installEventFilter(this);
  }
  ToolPanel::showEvent(event);
}

void StyleCreatorPanel::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() == 1 && urls.front().isLocalFile()) event->acceptProposedAction();
}

void StyleCreatorPanel::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return;
  event->acceptProposedAction();
  ImportDropped(urls.front().toLocalFile());
}

}  // namespace kalo::gui
