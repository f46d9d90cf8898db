#include "gui/configuration_window.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <exception>

#include "config/settings_keys.h"
#include "gui/guarded.h"
#include "gui/window_display.h"
#include "perform/chord.h"

namespace kalo::gui {

namespace {

constexpr std::array<const char*, 4> kDeviceListNames = {"MIDI out", "MIDI in", "2nd MIDI out",
                                                         "Ext. MIDI in"};
constexpr std::array<const char*, 3> kRouteNames = {"Midiout", "Clickout", "Chordsout"};
constexpr std::array<const char*, 4> kDeviceListHints = {
    "Where the accompaniment and the melody play", "The MIDI keyboard the chords and the melody come from",
    "A second output, for the metronome, the clock or the chords",
    "A second input, for another keyboard or a MIDI clock"};
constexpr std::array<const char*, 3> kRouteHints = {"Play the music on output %1",
                                                    "Send the metronome and the MIDI clock on output %1",
                                                    "Send the recognized chords on output %1"};

QString Text(const std::string& text) { return QString::fromStdString(text); }

const config::SettingsKey& Key(const char* name) {
  const config::SettingsKey* key = config::FindSettingsKey(name);
  if (key == nullptr) std::terminate();  // the field table names a key the settings table lacks
  return *key;
}

QStringList ChoiceTexts(FieldChoices choices) {
  QStringList texts;
  switch (choices) {
    case FieldChoices::Quantize:
      for (const char* name : config::kQuantizeNames) texts << name;
      break;
    case FieldChoices::Metrum:
      for (const char* name : config::kMetrumNames) texts << name;
      break;
    case FieldChoices::Layout:
      texts << "German"
            << "English (USA)";
      break;
    case FieldChoices::AccChannel:
      texts << "All";
      for (int channel = 1; channel <= 16; ++channel) texts << QString::number(channel);
      break;
    case FieldChoices::Reaction:
      texts << "smart (note on/off)"
            << "static (note on)";
      break;
    case FieldChoices::PatchMode:
      texts << "gm"
            << "gs"
            << "xg";
      break;
    default:
      break;
  }
  return texts;
}

// Colours at or above this code are the system's colour codes, not 0x00BBGGRR values.
constexpr uint32_t kSystemColourCode = 0x80000000u;

void ShowColour(QPushButton* button, int32_t value) {
  const auto colour = static_cast<uint32_t>(value);
  if (colour >= kSystemColourCode) {
    button->setText("System");
    button->setStyleSheet(QString());
  } else {
    button->setText(QString());
    button->setStyleSheet(QString("background-color: %1").arg(ColourOf(colour).name()));
  }
}

}  // namespace

ConfigurationWindow::ConfigurationWindow(app::Arranger& arranger, const host::ProgramFolder& folder,
                                         QWidget* parent)
    : ToolPanel("Configuration", parent), arranger_(arranger), folder_(folder) {
  auto* layout = new QVBoxLayout(this);
  auto* tabs = new QTabWidget;
  auto* midi = new QWidget;
  auto* midiLayout = new QVBoxLayout(midi);
  auto* top = new QHBoxLayout;
  top->addWidget(MakeDeviceLists());
  top->addWidget(MakeRoutes());
  midiLayout->addLayout(top);
  auto* middle = new QHBoxLayout;
  middle->addWidget(MakePatches());
  middle->addWidget(MakeFieldPage(ConfigurationPage::Midi));
  midiLayout->addLayout(middle);
  midiLayout->addWidget(MakeResetButtons());
  tabs->addTab(midi, "MIDI");
  tabs->addTab(MakeFieldPage(ConfigurationPage::Keys), "Keys");
  tabs->addTab(MakeFieldPage(ConfigurationPage::Play), "Play");
  tabs->addTab(MakeFieldPage(ConfigurationPage::Program), "Program");
  tabs->addTab(MakeSynthesizerPage(), "Synthesizer");
  layout->addWidget(tabs);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* ok = new QPushButton("OK");
  ok->setObjectName("OK");
  ok->setDefault(true);
  ok->setToolTip("Keep the values shown and close the window");
  connect(ok, &QPushButton::clicked, this, &ConfigurationWindow::Accept);
  auto* cancel = new QPushButton("Cancel");
  cancel->setObjectName("Cancel");
  cancel->setToolTip("Close the window and forget the values changed in it");
  connect(cancel, &QPushButton::clicked, this, &ConfigurationWindow::Cancel);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  Refresh();
}

QWidget* ConfigurationWindow::MakeFieldPage(ConfigurationPage page) {
  auto* widget = new QWidget;
  auto* form = new QFormLayout(widget);
  for (const ConfigurationField& field : ConfigurationFields())
    if (field.Page == page) AddField(field, form);
  return widget;
}

QWidget* ConfigurationWindow::MakeSynthesizerPage() {
  auto* widget = new QWidget;
  auto* form = new QFormLayout(widget);

  auto* soundFont = new QLineEdit;
  soundFont->setObjectName("SoundFont");
  soundFont->setToolTip("The soundfont file (.sf2) the built-in synthesizer plays");
  auto* browse = new QPushButton("...");
  browse->setObjectName("SoundFontBrowse");
  browse->setToolTip("Choose the soundfont file");
  connect(browse, &QPushButton::clicked, this, [this, soundFont] {
    const auto chosen = arranger_.Dialogs().AskOpenFile(
        {"Soundfont", "Soundfonts (*.sf2)|*.sf2", "sf2", "",
         std::filesystem::path(soundFont->text().toStdString()).parent_path().string()});
    if (chosen) soundFont->setText(Text(*chosen));
  });
  auto* row = new QHBoxLayout;
  row->addWidget(soundFont);
  row->addWidget(browse);
  form->addRow("Soundfont", row);
  editors_.push_back({[soundFont](const config::Settings& s) { soundFont->setText(Text(s.SoundFont)); },
                      [soundFont](config::Settings& s) { s.SoundFont = soundFont->text().toStdString(); }});

  auto* driver = new QComboBox;
  driver->setObjectName("SynthDriver");
  driver->setToolTip("The sound system the built-in synthesizer plays through");
  for (const char* name : midi::kSynthDriverNames) driver->addItem(name);
  form->addRow("Sound system", driver);
  editors_.push_back({[driver](const config::Settings& s) { driver->setCurrentIndex(s.SynthDriver); },
                      [driver](config::Settings& s) { s.SynthDriver = driver->currentIndex(); }});

  auto* latency = new QSpinBox;
  latency->setObjectName("SynthLatency");
  latency->setToolTip("The built-in synthesizer's buffer: shorter answers faster, longer never stutters");
  latency->setRange(midi::kMinSynthLatencyMs, midi::kMaxSynthLatencyMs);
  latency->setSuffix(" ms");
  form->addRow("Latency", latency);
  editors_.push_back({[latency](const config::Settings& s) { latency->setValue(s.SynthLatency); },
                      [latency](config::Settings& s) { s.SynthLatency = latency->value(); }});

  auto* note = new QLabel("Changes take effect when KALO starts next.");
  note->setWordWrap(true);
  form->addRow(note);
  return widget;
}

void ConfigurationWindow::AddField(const ConfigurationField& field, QFormLayout* form) {
  const config::SettingsKey& key = Key(field.Key);
  const QString name = field.Key;
  const QString hint = ConfigurationHint(field.Key);
  switch (field.Choices) {
    case FieldChoices::Plain:
      if (key.Type == config::KeyType::Boolean) {
        auto* box = new QCheckBox(field.Caption);
        box->setObjectName(name);
        box->setToolTip(hint);
        form->addRow(box);
        editors_.push_back({[box, &key](const config::Settings& s) { box->setChecked(s.*key.Bool); },
                            [box, &key](config::Settings& s) { s.*key.Bool = box->isChecked(); }});
      } else if (key.Type == config::KeyType::Integer) {
        auto* box = new QSpinBox;
        box->setObjectName(name);
        box->setToolTip(hint);
        box->setRange(key.Range.Min, key.Range.Max);
        form->addRow(field.Caption, box);
        editors_.push_back({[box, &key](const config::Settings& s) { box->setValue(s.*key.Int); },
                            [box, &key](config::Settings& s) { s.*key.Int = box->value(); }});
      } else {
        auto* edit = new QLineEdit;
        edit->setObjectName(name);
        edit->setToolTip(hint);
        edit->setMinimumWidth(240);
        form->addRow(field.Caption, edit);
        editors_.push_back({[edit, &key](const config::Settings& s) { edit->setText(Text(s.*key.Text)); },
                            [edit, &key](config::Settings& s) { s.*key.Text = edit->text().toStdString(); }});
      }
      return;
    case FieldChoices::PitchAndOctave: {
      const config::SettingsKey& octaveKey = Key(field.SecondKey);
      auto* pitch = new QComboBox;
      pitch->setObjectName(name);
      pitch->setToolTip(hint);
      for (const char* note : perform::kNoteNames) pitch->addItem(note);
      auto* octave = new QComboBox;
      octave->setObjectName(field.SecondKey);
      octave->setToolTip(ConfigurationHint(field.SecondKey));
      for (int choice = 1; choice <= 10; ++choice) octave->addItem(QString::number(choice));
      auto* row = new QHBoxLayout;
      row->addWidget(pitch);
      row->addWidget(octave);
      form->addRow(field.Caption, row);
      editors_.push_back({[=, &key, &octaveKey](const config::Settings& s) {
                            pitch->setCurrentIndex(s.*key.Int);
                            octave->setCurrentIndex(s.*octaveKey.Int);
                          },
                          [=, &key, &octaveKey](config::Settings& s) {
                            s.*key.Int = pitch->currentIndex();
                            s.*octaveKey.Int = octave->currentIndex();
                          }});
      return;
    }
    case FieldChoices::PadInstrument: {
      auto* box = new QComboBox;
      box->setObjectName(name);
      box->setToolTip(hint);
      form->addRow(field.Caption, box);
      editors_.push_back({[this, box, &key](const config::Settings& s) {
                            box->clear();
                            for (const std::string& entry : arranger_.Instruments().PadEntries())
                              box->addItem(Text(entry));
                            box->setCurrentIndex(s.*key.Int < box->count() ? s.*key.Int : -1);
                          },
                          [box, &key](config::Settings& s) {
                            // A pad index beyond the list in use stays for a longer list.
                            if (box->currentIndex() >= 0) s.*key.Int = box->currentIndex();
                          }});
      return;
    }
    case FieldChoices::Colour: {
      auto* button = new QPushButton;
      button->setObjectName(name);
      button->setToolTip(hint);
      auto value = std::make_shared<int32_t>(0);
      connect(button, &QPushButton::clicked, this, [this, button, value] {
        const QColor initial = static_cast<uint32_t>(*value) >= kSystemColourCode
                                   ? palette().color(QPalette::Window)
                                   : ColourOf(static_cast<uint32_t>(*value));
        const QColor chosen = QColorDialog::getColor(initial, this, "Background colour");
        if (!chosen.isValid()) return;
        *value = chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16);
        ShowColour(button, *value);
      });
      form->addRow(field.Caption, button);
      editors_.push_back({[button, value, &key](const config::Settings& s) {
                            *value = s.*key.Int;
                            ShowColour(button, *value);
                          },
                          [value, &key](config::Settings& s) { s.*key.Int = *value; }});
      return;
    }
    default: {
      // A list of choices: the stored value counts from the key's lowest value (a Boolean from 0).
      auto* box = new QComboBox;
      box->setObjectName(name);
      box->setToolTip(hint);
      box->addItems(ChoiceTexts(field.Choices));
      form->addRow(field.Caption, box);
      if (key.Type == config::KeyType::Boolean) {
        editors_.push_back(
            {[box, &key](const config::Settings& s) { box->setCurrentIndex(s.*key.Bool ? 1 : 0); },
             [box, &key](config::Settings& s) { s.*key.Bool = box->currentIndex() == 1; }});
      } else {
        editors_.push_back(
            {[box, &key](const config::Settings& s) { box->setCurrentIndex(s.*key.Int - key.Range.Min); },
             [box, &key](config::Settings& s) { s.*key.Int = box->currentIndex() + key.Range.Min; }});
      }
      return;
    }
  }
}

QWidget* ConfigurationWindow::MakeDeviceLists() {
  auto* box = new QGroupBox("Devices");
  auto* form = new QFormLayout(box);
  for (size_t i = 0; i < kDeviceListNames.size(); ++i) {
    auto* list = new QComboBox;
    list->setObjectName(kDeviceListNames[i]);
    list->setToolTip(kDeviceListHints[i]);
    list->setMinimumWidth(220);
    deviceLists_[i] = list;
    form->addRow(kDeviceListNames[i], list);
    connect(list, &QComboBox::activated, this, [this, i](int index) {
      midi::DeviceConfig& devices = arranger_.Devices();
      Guarded(arranger_.Dialogs(), [&] {
        switch (i) {
          case 0:
            devices.SelectMidiOut(index);
            break;
          case 1:
            devices.SelectMidiIn(index);
            break;
          case 2:
            devices.SelectSecondOut(index);
            break;
          default:
            devices.SelectExtIn(index);
            break;
        }
      });
      // A refused choice shows the selection kept.
      RefreshDevices();
      Q_EMIT SessionChanged();
    });
  }
  return box;
}

QWidget* ConfigurationWindow::MakeRoutes() {
  auto* box = new QGroupBox("Outputs");
  auto* grid = new QGridLayout(box);
  for (size_t i = 0; i < kRouteNames.size(); ++i) {
    auto* group = new QButtonGroup(box);
    routes_[i] = group;
    const int row = static_cast<int>(i);
    grid->addWidget(new QLabel(kRouteNames[i]), row, 0);
    for (int slot = 0; slot < 2; ++slot) {
      auto* button = new QRadioButton(QString::number(slot + 1));
      button->setObjectName(QString("%1%2").arg(kRouteNames[i]).arg(slot + 1));
      button->setToolTip(QString(kRouteHints[i]).arg(slot + 1));
      group->addButton(button, slot);
      grid->addWidget(button, row, 1 + slot);
    }
    connect(group, &QButtonGroup::idClicked, this, [this, i](int slot) {
      midi::RouteChoice choice = arranger_.Devices().Choice();
      const auto output = slot == 0 ? midi::OutputSlot::First : midi::OutputSlot::Second;
      (i == 0 ? choice.Midiout : i == 1 ? choice.Clickout : choice.Chordsout) = output;
      arranger_.Devices().SetRouteChoice(choice);
    });
  }
  return box;
}

QWidget* ConfigurationWindow::MakePatches() {
  auto* box = new QGroupBox("Patches :");
  auto* layout = new QVBoxLayout(box);
  patches_ = new QListWidget;
  patches_->setObjectName("Patches");
  patches_->setMaximumHeight(patches_->fontMetrics().height() * 8);
  connect(patches_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    const QString file = item->data(Qt::UserRole).toString();
    chosenPatch_ = std::filesystem::path(file.toStdString());
  });
  layout->addWidget(patches_);
  return box;
}

QWidget* ConfigurationWindow::MakeResetButtons() {
  auto* box = new QGroupBox("Resets");
  auto* row = new QHBoxLayout(box);
  struct Command {
    const char* Caption;
    const char* Hint;
    std::function<void()> Run;
  };
  const std::array<Command, 5> commands = {{
      {"MIDI Reset", "Send a General MIDI reset to the output", [this] { arranger_.MidiResetButton(); }},
      {"All Notes Off", "End every sounding note on every channel", [this] { arranger_.AllNotesOff(); }},
      {"C. Reset", "Reset the controllers of every channel", [this] { arranger_.ResetControllers(); }},
      {"Send Values", "Send the keyboard channel's instrument again",
       [this] { arranger_.SendVoiceMessages(); }},
      {"Reset", "Stop, open the outputs afresh and send every channel its start values",
       [this] { arranger_.SetStartvalues(); }},
  }};
  for (const auto& [caption, hint, command] : commands) {
    auto* button = new QPushButton(caption);
    button->setObjectName(caption);
    button->setToolTip(hint);
    connect(button, &QPushButton::clicked, this, [this, command] {
      Guarded(arranger_.Dialogs(), command);
      Q_EMIT SessionChanged();
    });
    row->addWidget(button);
  }
  return box;
}

void ConfigurationWindow::RefreshDevices() {
  const midi::DeviceConfig& devices = arranger_.Devices();
  const std::array<const midi::DeviceList*, 4> lists = {&devices.MidiOutList(), &devices.MidiInList(),
                                                        &devices.SecondOutList(), &devices.ExtInList()};
  for (size_t i = 0; i < lists.size(); ++i) {
    QComboBox* box = deviceLists_[i];
    const QSignalBlocker block(box);
    box->clear();
    for (const std::string& entry : lists[i]->Entries) box->addItem(Text(entry));
    box->setCurrentIndex(lists[i]->Selected);
  }
  const midi::RouteChoice& choice = devices.Choice();
  const std::array<midi::OutputSlot, 3> slots = {choice.Midiout, choice.Clickout, choice.Chordsout};
  for (size_t i = 0; i < routes_.size(); ++i)
    routes_[i]->button(slots[i] == midi::OutputSlot::First ? 0 : 1)->setChecked(true);
}

void ConfigurationWindow::Refresh() {
  const config::Settings& settings = arranger_.Settings();
  for (const Editor& editor : editors_) editor.Show(settings);
  RefreshDevices();

  chosenPatch_.reset();
  patches_->clear();
  auto addPatch = [this, &settings](const QString& caption, const std::string& path) {
    auto* item = new QListWidgetItem(caption, patches_);
    item->setData(Qt::UserRole, Text(path));
    if (path == settings.Patch) patches_->setCurrentItem(item);
  };
  addPatch(config::kBuiltInListName, std::string());
  for (const std::filesystem::path& file : config::ListFilesIn(folder_.Path()))
    addPatch(Text(file.filename().string()), file.string());
}

void ConfigurationWindow::MirrorIntoOptions(const config::Settings& settings, config::Options& options) {
  options.TwoFingerChords = settings.TwoFingerChords;
  options.MelodyAdLib = settings.AdLib;
  options.UnchangedExtIn = settings.Redirect;
}

void ConfigurationWindow::Accept() {
  config::Settings& settings = arranger_.Settings();
  for (const Editor& editor : editors_) editor.Store(settings);
  if (chosenPatch_ && chosenPatch_->string() != settings.Patch) {
    arranger_.Instruments().ChooseFile(settings, *chosenPatch_);
    arranger_.Mixer().ClearInstrumentEntries();
  }
  MirrorIntoOptions(settings, arranger_.Options());
  arranger_.LoadInstrumentList();
  Refresh();
  window()->hide();
  Q_EMIT Accepted();
  Q_EMIT SessionChanged();
}

void ConfigurationWindow::Cancel() {
  Refresh();
  window()->hide();
}

}  // namespace kalo::gui
