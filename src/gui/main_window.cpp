#include "gui/main_window.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QMenuBar>
#include <QPainter>
#include <QVBoxLayout>

#include "config/settings_file.h"
#include "gui/guarded.h"
#include "gui/picture_file.h"

namespace kalo::gui {

// The main window's background in place of a backdrop window over the desktop: the background colour,
// with the picture tiled over it left to right and top to bottom.
class Backdrop final : public QWidget {
 public:
  void Show(const QColor& colour, const QPixmap& picture) {
    colour_ = colour;
    picture_ = picture;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), colour_.isValid() ? colour_ : palette().color(QPalette::Window));
    if (!picture_.isNull()) painter.drawTiledPixmap(rect(), picture_);
  }

 private:
  QColor colour_;
  QPixmap picture_;
};

namespace {

// Colour codes at or above this are the system's colours (the default is the window colour).
constexpr uint32_t kSystemColourCode = 0x80000000u;

}  // namespace

MainWindow::MainWindow(app::Arranger& arranger, WindowDisplay& display) : arranger_(arranger), tools_(*this) {
  setObjectName("MainWindow");
  setWindowTitle(host::kApplicationTitle);
  connect(&display, &WindowDisplay::CaptionChanged, this, &QWidget::setWindowTitle);

  backdrop_ = new Backdrop;
  auto* layout = new QVBoxLayout(backdrop_);
  chord_ = new QLabel;
  chord_->setObjectName("ChordDisplay");
  chord_->setAlignment(Qt::AlignCenter);
  chord_->setAutoFillBackground(true);
  chord_->setFrameShape(QFrame::Box);
  QFont chordFont = chord_->font();
  chordFont.setPointSize(chordFont.pointSize() * 3);
  chordFont.setBold(true);
  chord_->setFont(chordFont);
  chord_->setMinimumSize(260, 70);
  auto showChord = [this](const QString& text, const QColor& colour) {
    chord_->setText(text);
    QPalette palette = chord_->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::WindowText, Qt::black);
    chord_->setPalette(palette);
  };
  showChord(display.ChordText(), display.ChordColour());
  connect(&display, &WindowDisplay::ChordPanelChanged, this, showChord);
  display.SetChordPanelVisible(true);

  style_ = new QLabel(display.StyleLabel());
  style_->setObjectName("StyleCaption");
  style_->setAlignment(Qt::AlignCenter);
  style_->setAutoFillBackground(true);
  connect(&display, &WindowDisplay::StyleLabelChanged, style_, &QLabel::setText);

  // The song's title from its memo; empty without one.
  song_ = new QLabel;
  song_->setObjectName("SongCaption");
  song_->setAlignment(Qt::AlignCenter);

  controls_ = new MainControls(arranger_, display);
  connect(controls_, &MainControls::SessionChanged, this, &MainWindow::Refresh);
  layout->addWidget(controls_);
  layout->addStretch();
  layout->addWidget(chord_, 0, Qt::AlignHCenter);
  layout->addWidget(style_, 0, Qt::AlignHCenter);
  layout->addWidget(song_, 0, Qt::AlignHCenter);
  layout->addStretch();
  setCentralWidget(backdrop_);
  resize(720, 300);

  MakeMenus();
  Refresh();
}

QAction* MainWindow::AddToggle(QMenu* menu, const QString& text, bool config::Options::*option,
                               bool config::Settings::*setting) {
  QAction* action = menu->addAction(text);
  action->setCheckable(true);
  connect(action, &QAction::toggled, this, [this, option, setting](bool on) {
    arranger_.Options().*option = on;
    if (setting != nullptr) arranger_.Settings().*setting = on;
    tools_.RefreshAll();
  });
  refreshers_.push_back([this, action, option] {
    const QSignalBlocker block(action);
    action->setChecked(arranger_.Options().*option);
  });
  return action;
}

QAction* MainWindow::AddCheck(QMenu* menu, const QString& text, std::function<bool()> get,
                              std::function<void(bool)> set) {
  QAction* action = menu->addAction(text);
  action->setCheckable(true);
  connect(action, &QAction::toggled, this, [this, set = std::move(set)](bool on) {
    set(on);
    tools_.RefreshAll();
  });
  refreshers_.push_back([action, get = std::move(get)] {
    const QSignalBlocker block(action);
    action->setChecked(get());
  });
  return action;
}

QAction* MainWindow::AddSettingToggle(QMenu* menu, const QString& text, bool config::Settings::*setting) {
  QAction* action = menu->addAction(text);
  action->setCheckable(true);
  connect(action, &QAction::toggled, this, [this, setting](bool on) {
    arranger_.Settings().*setting = on;
    tools_.RefreshAll();
  });
  refreshers_.push_back([this, action, setting] {
    const QSignalBlocker block(action);
    action->setChecked(arranger_.Settings().*setting);
  });
  return action;
}

QAction* MainWindow::AddSwitch(QMenu* menu, const QString& text, bool config::Options::*option,
                               std::function<void(bool)> command) {
  QAction* action = menu->addAction(text);
  action->setCheckable(true);
  connect(action, &QAction::toggled, this, [this, command = std::move(command)](bool on) {
    Guarded(arranger_.Dialogs(), [&] { command(on); });
    Refresh();
    tools_.RefreshAll();
  });
  refreshers_.push_back([this, action, option] {
    const QSignalBlocker block(action);
    action->setChecked(arranger_.Options().*option);
  });
  return action;
}

QAction* MainWindow::AddCommand(QMenu* menu, const QString& text, std::function<void()> command) {
  QAction* action = menu->addAction(text);
  connect(action, &QAction::triggered, this, [this, command = std::move(command)] {
    Guarded(arranger_.Dialogs(), command);
    Refresh();
    tools_.RefreshAll();
  });
  return action;
}

void MainWindow::MakeMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  MakeStyleMenus(file);
  connect(file->addAction("E&xit"), &QAction::triggered, this, &MainWindow::ExitRequested);

  QMenu* play = menuBar()->addMenu("&Play");
  AddCommand(play, "Play", [this] { arranger_.Play(); });
  AddCommand(play, "Record", [this] { arranger_.Record(); });
  AddCommand(play, "Stop", [this] { arranger_.Stop(); });
  // Waits for the master's start, or no longer; only in Slave Mode.
  AddCommand(play, "Sy&nc. Start", [this] {
    if (arranger_.Options().SlaveMode) arranger_.Engine().ToggleSyncStart();
  });
  play->addSeparator();
  AddSwitch(play, "Metronome", &config::Options::Metronome,
            [this](bool on) { arranger_.Engine().SetMetronome(on); });
  AddCheck(
      play, "Count in", [this] { return arranger_.SongOptions().CountIn; },
      [this](bool on) { arranger_.SetCountIn(on); });
  // Changing the clock's master or slave role stops the transport first.
  AddSwitch(play, "Master Mode", &config::Options::MasterMode, [this](bool on) {
    arranger_.Stop();
    arranger_.Options().MasterMode = on;
  });
  AddSwitch(play, "Slave Mode", &config::Options::SlaveMode, [this](bool on) {
    arranger_.Stop();
    arranger_.Options().SlaveMode = on;
    arranger_.Clock().ApplySlaveMode();
  });
  // Refused while a song plays or records: the check mark stays as the engine has it.
  AddSwitch(play, "Play Chords", &config::Options::PlayChords,
            [this](bool on) { arranger_.Engine().SetPlayChords(on); });

  // Each entry plays its part at once and repeats it.
  QMenu* parts = menuBar()->addMenu("P&arts");
  const std::pair<const char*, int> partEntries[] = {{"Intro", 0},         {"Basic", 1},
                                                     {"Extended", 2},      {"Ending", 3},
                                                     {"Fill in Basic", 4}, {"Fill in Extended", 5},
                                                     {"To Extended", 6},   {"To Basic", 7}};
  for (const auto& [text, part] : partEntries) {
    AddCommand(parts, text, [this, part = part] { arranger_.Engine().PlayPart(part); });
  }

  QMenu* style = menuBar()->addMenu("&Style && Intro");
  AddSettingToggle(style, "Play Intro", &config::Settings::PlayIntro);
  AddSettingToggle(style, "Play Ending", &config::Settings::PlayEnding);
  style->addSeparator();
  AddToggle(style, "Tempo Detection", &config::Options::TempoDetection);
  AddToggle(style, "Intro Detection", &config::Options::IntroDetection);
  AddToggle(style, "Ignore Tempi", &config::Options::IgnoreTempi);
  MakeSongMenus(style);

  QMenu* options = menuBar()->addMenu("&Options");
  AddToggle(options, "Major <> Minor", &config::Options::MajorMinor);
  AddToggle(options, "Triad chords", &config::Options::TriadChords);
  AddToggle(options, "2-Finger-Chords", &config::Options::TwoFingerChords,
            &config::Settings::TwoFingerChords);
  AddToggle(options, "Melody Ad Lib", &config::Options::MelodyAdLib, &config::Settings::AdLib);
  options->addSeparator();
  portable_ = options->addAction("Portable version");
  portable_->setCheckable(true);
  connect(portable_, &QAction::toggled, this, [this](bool on) { arranger_.Settings().Portable = on; });
  connect(options->addAction("Reset"), &QAction::triggered, this, [this] {
    if (config::AskReset(arranger_.Dialogs(), arranger_.Settings())) Q_EMIT ExitRequested();
  });

  QMenu* midi = menuBar()->addMenu("&MIDI");
  AddCommand(midi, "GM", [this] { arranger_.MidiReset(midi::ResetKind::Gm); });
  AddCommand(midi, "GS", [this] { arranger_.MidiReset(midi::ResetKind::Gs); });
  AddCommand(midi, "XG", [this] { arranger_.MidiReset(midi::ResetKind::Xg); });
  midi->addSeparator();
  AddCommand(midi, "All Notes Off", [this] { arranger_.AllNotesOff(); });
  AddCommand(midi, "Reset Controllers", [this] { arranger_.ResetControllers(); });
  AddCommand(midi, "Send Voice Messages", [this] { arranger_.SendVoiceMessages(); });
  AddCommand(midi, "Set Startvalues", [this] { arranger_.SetStartvalues(); });
  midi->addSeparator();
  AddSwitch(midi, "Send Chord Codes", &config::Options::SendChordCodes,
            [this](bool on) { arranger_.Chords().SetSendChordCodes(on); });
  AddSwitch(midi, "Receive Chord Codes", &config::Options::ReceiveChordCodes,
            [this](bool on) { arranger_.Chords().SetReceiveChordCodes(on); });
  AddSwitch(midi, "Transmit Controllers", &config::Options::TransmitControllers,
            [this](bool on) { arranger_.SetTransmitControllers(on); });
  AddToggle(midi, "Unchanged MIDI in", &config::Options::UnchangedMidiIn);

  windowsMenu_ = menuBar()->addMenu("&Windows");
  panelsEnd_ = windowsMenu_->addSeparator();
  connect(windowsMenu_->addAction("Arrange all"), &QAction::triggered, this, [this] { tools_.ArrangeAll(); });
  connect(windowsMenu_->addAction("Close all"), &QAction::triggered, this, [this] { tools_.CloseAll(); });
  windowsMenu_->addSeparator();
  QMenu* onTop = windowsMenu_->addMenu("Always stay on top");
  auto* group = new QActionGroup(this);
  QAction* stay = onTop->addAction("Stay on Top");
  QAction* stayNot = onTop->addAction("Stay not on Top");
  for (QAction* action : {stay, stayNot}) {
    action->setCheckable(true);
    group->addAction(action);
  }
  stayNot->setChecked(true);
  connect(stay, &QAction::triggered, this, [this] { SetStayOnTop(true); });
  connect(stayNot, &QAction::triggered, this, [this] { SetStayOnTop(false); });
}

void MainWindow::AddToolPanel(ToolPanel* panel) {
  tools_.Add(panel);
  // Named as the panel is, not by its title, which may show a count or a state.
  QAction* action = new QAction(panel->objectName(), windowsMenu_);
  connect(action, &QAction::triggered, this, [this, panel] { tools_.Show(panel); });
  windowsMenu_->insertAction(panelsEnd_, action);
  connect(panel, &ToolPanel::SessionChanged, this, &MainWindow::Refresh);
}

bool MainWindow::ShowPanel(const QString& name) {
  ToolPanel* panel = tools_.Find(name);
  if (panel == nullptr) return false;
  tools_.Show(panel);
  return true;
}

QAction* MainWindow::Action(const QString& text) const {
  const QList<QAction*> actions = findChildren<QAction*>();
  for (QAction* action : actions)
    if (action->objectName() == text) return action;
  for (QAction* action : actions)
    if (action->text() == text) return action;
  return nullptr;
}

void MainWindow::SetStayOnTop(bool on) {
  if (on == StaysOnTop()) return;
  setWindowFlag(Qt::WindowStaysOnTopHint, on);
  show();  // changing a window's flags hides it
}

void MainWindow::Refresh() {
  for (const auto& refresh : refreshers_) refresh();
  ShowRecentStyles();
  controls_->Refresh();
  song_->setText(QString::fromStdString(arranger_.Song().Memo.Title));
  song_->setVisible(!song_->text().isEmpty());
  const config::Settings& settings = arranger_.Settings();
  {
    const QSignalBlocker block(portable_);
    portable_->setChecked(settings.Portable);
  }
  const auto colour = static_cast<uint32_t>(settings.Color);
  QPixmap picture;
  if (settings.BackGrd && settings.PicVis && !settings.Picture.empty()) {
    picture = ReadPicture(settings.Picture);
  }
  backdrop_->Show(colour >= kSystemColourCode ? QColor() : ColourOf(colour), picture);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The session closes the window itself once the shutdown has run.
  event->ignore();
  Q_EMIT ExitRequested();
}

}  // namespace kalo::gui
