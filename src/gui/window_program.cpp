#include "gui/window_program.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QWindow>
#include <iostream>

#include "app/synth_settings.h"
#include "gui/qt_dialogs.h"
#include "gui/qt_main_loop.h"
#include "gui/window_session.h"
#include "host/instance_lock.h"
#include "host/process_environment.h"
#include "midi/backends/platform_backends.h"

namespace kalo::gui {

namespace {

config::SettingsFile LocateSettings(const host::ProgramFolder& folder, const WindowArguments& arguments) {
  config::SettingsEnvironment environment;
  environment.XdgConfigHome = host::EnvironmentPath("XDG_CONFIG_HOME");
  environment.Home = host::EnvironmentPath("HOME");
  environment.FolderWritable = host::ProbeFolderWritable;
  return arguments.Ini ? config::SettingsFile(folder, *arguments.Ini, environment)
                       : config::SettingsFile(folder, environment);
}

// Shows the window and paints it before the start's work holds the main thread: the window system
// shows a new window only once it has exposed it, a few round trips later, and a window shown
// unpainted stays black until the work is done.
void ShowPainted(QWidget& window) {
  constexpr int kExposeWaitMs = 500;
  window.show();
  QTimer giveUp;
  giveUp.setSingleShot(true);
  giveUp.start(kExposeWaitMs);
  while (window.windowHandle() != nullptr && !window.windowHandle()->isExposed() && giveUp.isActive())
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  window.repaint();
  QApplication::processEvents();
}

// Lets the start's reset finish (the device reports it played, and the voices are set up again)
// so that a picture shows the window as a player first sees it.
void SettleStart(WindowSession& session) {
  constexpr int kResetWaitMs = 2000;
  QTimer giveUp;
  giveUp.setSingleShot(true);
  giveUp.start(kResetWaitMs);
  while (session.Arranger().Resets().ResetPending() && giveUp.isActive())
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  session.Main().Refresh();
  session.Main().Tools().RefreshAll();
}

int SaveScreenshot(WindowSession& session, const WindowArguments& arguments) {
  SettleStart(session);
  QWidget* shown = &session.Main();
  if (!arguments.Panel.empty()) {
    const QString name = QString::fromStdString(arguments.Panel);
    if (!session.Main().ShowPanel(name)) {
      std::cerr << "kalo: there is no panel \"" << arguments.Panel << "\"; panels:";
      for (ToolPanel* panel : session.Main().Tools().Panels())
        std::cerr << " \"" << panel->objectName().toStdString() << '"';
      std::cerr << '\n';
      return 2;
    }
    shown = ToolWindows::WindowOf(session.Main().Tools().Find(name));
  }
  QApplication::processEvents();
  if (!shown->grab().save(QString::fromStdString(arguments.Screenshot->string()), "PNG")) {
    std::cerr << "kalo: cannot write " << arguments.Screenshot->string() << '\n';
    return 1;
  }
  return 0;
}

}  // namespace

int RunWindowProgram(int argc, char** argv, const WindowArguments& arguments) {
  midi::KeepJackServerFromStarting();
  const bool interactive = !arguments.Screenshot;
  if (!interactive && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QApplication::setApplicationName("kalo");
  QtDialogs messageBoxes;
  host::HeadlessDialogs toStandardError;
  host::Dialogs& dialogs = interactive ? static_cast<host::Dialogs&>(messageBoxes) : toStandardError;

  // One instance per settings folder, decided before anything else is made.
  const host::ProgramFolder folder = host::ProgramFolder::OfRunningProgram();
  config::SettingsFile settings = LocateSettings(folder, arguments);
  const host::InstanceLock lock(settings.Path().parent_path() / (folder.ProgramName() + ".lock"));
  if (lock.Result() == host::InstanceLock::Outcome::HeldElsewhere) {
    dialogs.Inform(host::kAlreadyRunning);
    return host::kAlreadyRunningExitCode;
  }

  QLabel wait("Please wait ...");
  wait.setWindowTitle("Please wait ...");
  wait.setAlignment(Qt::AlignCenter);
  wait.setMinimumSize(320, 120);
  ShowPainted(wait);
  QApplication::setApplicationDisplayName(host::kApplicationTitle);

  // The built-in synthesizer is made with the backends, before the configuration reads the
  // settings again: its soundfont, sound system and latency come from the file now.
  const midi::SynthOptions synth = app::SynthOptionsFrom(settings.Read().Values);
  QtMainLoop loop;
  // The playing controls (the piano, the chord pads, the split and the computer keys) go through the
  // arranger's own input dispatch, the one both MIDI inputs use.
  WindowSession session({folder, std::move(settings), midi::PlatformBackends(synth), dialogs, interactive,
                         [](app::Arranger& arranger) { return &arranger.Dispatch(); }},
                        loop);
  session.Start();
  messageBoxes.SetParent(&session.Main());
  wait.hide();

  if (!interactive) {
    const int status = SaveScreenshot(session, arguments);
    session.Shutdown();
    return status;
  }
  loop.Run();
  return 0;
}

}  // namespace kalo::gui
