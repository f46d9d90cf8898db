#include "gui/window_session.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

#include "gui/chord_editor_panel.h"
#include "gui/chord_pads_panel.h"
#include "gui/computer_key_filter.h"
#include "gui/guarded.h"
#include "gui/instruments_panel.h"
#include "gui/keyboard_panel.h"
#include "gui/keyboard_split_panel.h"
#include "gui/mixer_panel.h"
#include "gui/solo_mute_panel.h"
#include "gui/song_panels.h"
#include "gui/style_creator_panel.h"
#include "gui/style_manager_panel.h"
#include "host/process_environment.h"
#include "styles/style_groups.h"

namespace kalo::gui {

WindowSession::WindowSession(SessionSetup setup, host::MainLoop& loop)
    : setup_(std::move(setup)), loop_(loop) {}

WindowSession::~WindowSession() {
  // The filter and the windows call into the live controls and the arranger: they go first.
  if (keyFilter_) qApp->removeEventFilter(keyFilter_.get());
  keyFilter_.reset();
  if (arranger_ && arranger_->LiveHooks.Commands == commands_.get()) arranger_->LiveHooks.Commands = nullptr;
  commands_.reset();
  main_.reset();
  live_.reset();
}

void WindowSession::Start() {
  host::ThreadPriority* priority = setup_.Priority;
  host::TickTimer* timer = setup_.Timer;
  if (priority == nullptr) priority = (priority_ = std::make_unique<host::PosixThreadPriority>()).get();
  if (timer == nullptr)
    timer = (timer_ = std::make_unique<host::ThreadTickTimer>(loop_, priority_.get())).get();
  arranger_ = std::make_unique<app::Arranger>(
      app::ArrangerHost{loop_, setup_.Dialogs, display_, *timer, *priority, links_, setup_.Folder},
      std::move(setup_.Backends));
  if (setup_.LiveInput) {
    if (perform::InputDispatch* dispatch = setup_.LiveInput(*arranger_)) {
      live_ = std::make_unique<LiveControls>(*dispatch);
    }
  }
  main_ = std::make_unique<MainWindow>(*arranger_, display_);
  QObject::connect(main_.get(), &MainWindow::ExitRequested, main_.get(), [this] { Shutdown(); });
  MakeToolPanels();
  commands_ = std::make_unique<WindowCommands>(*arranger_, *main_, *guide_, setup_.Milliseconds);
  arranger_->LiveHooks.Commands = commands_.get();
  QObject::connect(main_.get(), &MainWindow::TapTempoRequested, main_.get(),
                   [this] { commands_->OpenTapTempo(); });
  QObject::connect(main_.get(), &MainWindow::EditorRequested, main_.get(), [this](int measure) {
    editor_->OpenAt(measure > 0 ? measure : editor_->PositionMeasure(), true);
  });
  MakeConfiguration();
  RunStartRoutine();

  if (live_) {
    keyFilter_ = std::make_unique<ComputerKeyFilter>(*live_);
    qApp->installEventFilter(keyFilter_.get());
  }
  main_->Refresh();
  main_->Tools().RefreshAll();
  main_->show();
  // The first start's windows open once the window manager has placed the main window, so that they
  // go where it really is: the keyboard window the greeting speaks of right below it, the guide, the
  // demo song in the chord editor ("Auto pop-up") and the configuration.
  const bool showEditor = demoLoaded_ && setup_.Interactive && arranger_->Settings().MPU;
  if (showEditor) editor_->OpenAt(1, false);
  std::vector<ToolPanel*> opening;
  if (firstStart_ && setup_.Interactive) opening = {main_->Tools().Find("Keyboard"), guide_};
  if (showEditor) opening.push_back(editor_);
  if (firstStart_ && setup_.Interactive) opening.push_back(configuration_);
  for (ToolPanel* panel : opening)
    if (panel != nullptr) main_->Tools().ShowWhenPlaced(panel);
}

void WindowSession::RunStartRoutine() {
  const std::filesystem::path style = setup_.Folder.Styles() / "rock1.vxs";
  std::error_code error;
  if (std::filesystem::is_regular_file(style, error)) {
    // The loader reports a damaged file itself; the start goes on with no style then.
    arranger_->Gen().LoadStyleByName(style.string());
    arranger_->Stop();
  }
  // The very first start opens the demo arrangement (quietly skipped when it is not installed).
  const bool demo = firstStart_ && arranger_->SongFiles().LoadDemoSong() == song::SongLoad::Loaded;
  demoLoaded_ = demo;
  if (firstStart_) guide_->ShowText(kFirstStartGuide);
  Guarded(arranger_->Dialogs(), [this] { arranger_->MidiReset(midi::ResetKind::Gm); });
  // It plays once the reset has set the sound module up; a run that only shows itself stays quiet.
  if (demo && setup_.Interactive && arranger_->Gen().StyleLoaded)
    Guarded(arranger_->Dialogs(), [this] { arranger_->Play(); });
}

void WindowSession::DesktopWebLinks::OpenWebPage(const std::string& url) {
  QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

void WindowSession::MakeToolPanels() {
  main_->AddToolPanel(new MixerPanel(*arranger_));
  main_->AddToolPanel(new SoloMutePanel(*arranger_));
  if (live_) {
    main_->AddToolPanel(new KeyboardPanel(*live_, *arranger_, display_));
    main_->AddToolPanel(new ChordPadsPanel(*live_));
  }
  main_->AddToolPanel(new InstrumentsPanel(*arranger_));
  main_->AddToolPanel(guide_ = new GuidePanel);
  if (live_) main_->AddToolPanel(new KeyboardSplitPanel(*live_));
  main_->AddToolPanel(new MemoPanel(*arranger_));
  main_->AddToolPanel(new MelodyNotesPanel(*arranger_));
  main_->AddToolPanel(new StepPanel(*arranger_));
  main_->AddToolPanel(editor_ = new ChordEditorPanel(*arranger_, *main_));
  // The player's groups live beside the program, or beside the settings where the program's folder
  // cannot be written.
  arranger_->StyleManager().SetGroupFileLocation(styles::LocateGroupFile(
      setup_.Folder, setup_.SettingsFile.Path(), host::ProbeFolderWritable(setup_.Folder.Path())));
  main_->AddToolPanel(new StyleManagerPanel(*arranger_, display_));
  auto* creator = new StyleCreatorPanel(*arranger_, display_);
  QObject::connect(creator, &StyleCreatorPanel::GuideRequested, main_.get(),
                   [this] { main_->Tools().Show(guide_); });
  main_->AddToolPanel(creator);
}

void WindowSession::MakeConfiguration() {
  const config::SettingsReadResult read = setup_.SettingsFile.Read();
  // A file that cannot be read as settings is named, with the factory settings used instead; it is
  // not written at exit, so the player must know that changes made now will not be kept.
  if (!read.Problem.empty()) arranger_->Dialogs().Inform(read.Problem);
  arranger_->Settings() = read.Values;
  firstStart_ = read.FirstStart;
  ConfigurationWindow::MirrorIntoOptions(arranger_->Settings(), arranger_->Options());
  configuration_ = new ConfigurationWindow(*arranger_, setup_.Folder);
  main_->AddToolPanel(configuration_);
  // Loads the instrument list, opens the stored devices (their errors are shown) and sends the
  // start-up reset.
  arranger_->Start();
  configuration_->Refresh();
}

void WindowSession::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  arranger_->Stop();
  if (setup_.Interactive) {
    arranger_->StoreDevicePositions();
    written_ = setup_.SettingsFile.Write(arranger_->Settings());
  }
  main_->Tools().CloseAll();
  arranger_->Clock().DoneClock();
  main_->hide();
  loop_.Quit();
}

}  // namespace kalo::gui
