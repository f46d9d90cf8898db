#include "gui/main_window.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QTimer>
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
  controls_ = new MainControls(arranger_, display);
  connect(controls_, &MainControls::SessionChanged, this, &MainWindow::Refresh);
  connect(controls_, &MainControls::EditorRequested, this, [this] { Q_EMIT EditorRequested(0); });
  layout->addWidget(controls_);
  layout->addWidget(MakeStage(display), 1);
  setCentralWidget(backdrop_);

  // While a field has the keyboard, the status line says how to give it back.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    auto* field = qobject_cast<QAbstractSpinBox*>(now);
    if (field == nullptr && now != nullptr) field = qobject_cast<QAbstractSpinBox*>(now->parentWidget());
    if (field != nullptr && isAncestorOf(field)) {
      statusBar()->showMessage(
          QString("Typing into %1: Return takes the value, Escape gives it up; then the keys play again")
              .arg(field->objectName()));
    } else {
      statusBar()->clearMessage();
    }
  });
  statusBar()->setSizeGripEnabled(false);

  MakeMenus();
  Refresh();
  resize(sizeHint());
}

MainWindow::~MainWindow() { disconnect(qApp, nullptr, this, nullptr); }

QWidget* MainWindow::MakeStage(WindowDisplay& display) {
  // What plays: the chord, large, beside the part that plays and the one that comes, the style and
  // the song.
  auto* stage = new QFrame;
  stage->setObjectName("Stage");
  stage->setFrameShape(QFrame::StyledPanel);
  auto* grid = new QGridLayout(stage);

  chord_ = new QLabel;
  chord_->setObjectName("ChordDisplay");
  chord_->setAlignment(Qt::AlignCenter);
  chord_->setAutoFillBackground(true);
  chord_->setFrameShape(QFrame::Box);
  chord_->setToolTip("The chord that sounds (with a chord preview of the Song menu: the chord that comes)");
  QFont chordFont = chord_->font();
  chordFont.setPointSizeF(chordFont.pointSizeF() * 4);
  chordFont.setBold(true);
  chord_->setFont(chordFont);
  chord_->setMinimumSize(QFontMetrics(chordFont).horizontalAdvance("C# min7 ") + 16,
                         QFontMetrics(chordFont).height() * 3 / 2);
  chordText_ = display.ChordText();
  chordColour_ = display.ChordColour();
  ShowChord();
  connect(&display, &WindowDisplay::ChordPanelChanged, this,
          [this](const QString& text, const QColor& colour) {
            chordText_ = text;
            chordColour_ = colour;
            ShowChord();
          });
  display.SetChordPanelVisible(true);
  grid->addWidget(chord_, 0, 0, 4, 1);

  part_ = new QLabel;
  part_->setObjectName("PartDisplay");
  part_->setToolTip("The style part that plays, and the one asked for next");
  QFont partFont = part_->font();
  partFont.setPointSizeF(partFont.pointSizeF() * 1.6);
  partFont.setBold(true);
  part_->setFont(partFont);
  grid->addWidget(part_, 0, 1);

  style_ = new QLabel(display.StyleLabel());
  style_->setObjectName("StyleCaption");
  style_->setToolTip("The style loaded");
  connect(&display, &WindowDisplay::StyleLabelChanged, style_, &QLabel::setText);
  grid->addWidget(style_, 1, 1);

  // The song's title from its memo; empty without one.
  song_ = new QLabel;
  song_->setObjectName("SongCaption");
  song_->setToolTip("The song's title, from its memo");
  grid->addWidget(song_, 2, 1);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(3, 1);

  // The part display follows the engine as the part buttons do.
  auto* follow = new QTimer(stage);
  follow->setInterval(MainControls::kFollowMs);
  connect(follow, &QTimer::timeout, this, &MainWindow::ShowPart);
  follow->start();
  return stage;
}

void MainWindow::ShowChord() {
  // Before the first chord the panel says so, in the palette's quiet text colour.
  chord_->setText(chordText_.isEmpty() ? QString("No chord") : chordText_);
  // White is the panel's plain state: it takes the palette's colours, light or dark. Any other colour
  // (a chord-type key held) fills the panel.
  QPalette palette = this->palette();
  if (chordColour_.isValid() && chordColour_ != QColor(Qt::white)) {
    palette.setColor(QPalette::Window, chordColour_);
    palette.setColor(QPalette::WindowText, chordColour_.lightness() < 128 ? Qt::white : Qt::black);
  } else {
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    palette.setColor(QPalette::WindowText,
                     palette.color(chordText_.isEmpty() ? QPalette::PlaceholderText : QPalette::Text));
  }
  chord_->setPalette(palette);
}

void MainWindow::ShowPart() {
  QString running, coming;
  for (int i = 0; i < kPartButtonCount; ++i) {
    const PartButton* button = controls_->Part(static_cast<PartButtonId>(i));
    const QString name = button->text().section(" - ", 0, 0);
    if (button->Running()) running = name;
    if (button->Coming()) coming = name;
  }
  QString text = running;
  if (!coming.isEmpty())
    text = running.isEmpty() ? QString("Starts with %1").arg(coming)
                             : running + QString::fromUtf8("  \u2192  ") + coming;
  if (part_->text() != text) part_->setText(text);
}

void MainWindow::changeEvent(QEvent* event) {
  // The desktop switched between a light and a dark palette.
  if (event->type() == QEvent::PaletteChange && chord_ != nullptr) ShowChord();
  QMainWindow::changeEvent(event);
}

QAction* MainWindow::AddToggle(QMenu* menu, const QString& text, bool config::Options::*option,
                               bool config::Settings::*setting) {
  QAction* action = menu->addAction(text);
  action->setObjectName(text);
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
  action->setObjectName(text);
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
  action->setObjectName(text);
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
  action->setObjectName(text);
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
  action->setObjectName(text);
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
  AddCommand(play, "Tap Tempo", [this] { Q_EMIT TapTempoRequested(); });
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
  MakeCreatorMenu();

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
  ShowMenuKeys();
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
    if (action->text().section('\t', 0, 0) == text) return action;
  return nullptr;
}

void MainWindow::ShowMenuKeys() {
  // Shown only: the keys themselves reach the computer keys, which act on them in every window.
  const std::pair<const char*, const char*> keys[] = {
      {"Play", "F10"}, {"Stop", "F10"}, {"Record", "F9"}, {"Tap Tempo", "F8"}, {"Open ...", "F11"}};
  for (const auto& [name, key] : keys) {
    for (QAction* action : findChildren<QAction*>()) {
      if (action->objectName() != name || action->text().contains('\t')) continue;
      action->setText(action->text() + '\t' + key);
    }
  }
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
