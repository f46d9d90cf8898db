#include "gui/window_program.h"

#include <QApplication>
#include <QBuffer>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <iostream>

#include "app/synth_settings.h"
#include "gui/qt_dialogs.h"
#include "gui/qt_main_loop.h"
#include "gui/window_session.h"
#include "host/file_store.h"
#include "host/instance_lock.h"
#include "host/process_environment.h"
#include "host/stop_watcher.h"
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

// Why the screenshot cannot be written, found before the window starts; empty when it can.
std::string ScreenshotProblem(const std::filesystem::path& screenshot, const config::SettingsFile& settings) {
  if (host::SameFile(screenshot, settings.Path()))
    return host::PrintableName(screenshot) + ": it is the settings file, which would be lost";
  return host::OutputProblem(screenshot, false).value_or("");
}

int SaveScreenshot(WindowSession& session, const WindowArguments& arguments) {
  SettleStart(session);
  QWidget* shown = &session.Main();
  if (!arguments.Panel.empty()) {
    const QString name = QString::fromStdString(arguments.Panel);
    if (!session.Main().ShowPanel(name)) {
      std::cerr << "kalo: there is no panel \"" << host::PrintableText(arguments.Panel) << "\"; panels:";
      for (ToolPanel* panel : session.Main().Tools().Panels())
        std::cerr << " \"" << panel->objectName().toStdString() << '"';
      std::cerr << '\n';
      return 2;
    }
    shown = ToolWindows::WindowOf(session.Main().Tools().Find(name));
  }
  QApplication::processEvents();
  // Made in memory and saved through the program's writer: an old picture stays whole when the disk
  // is full.
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!shown->grab().save(&buffer, "PNG")) {
    std::cerr << "kalo: the window could not be made into a PNG picture\n";
    return 1;
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(png.constData());
  if (const auto error =
          host::WriteFileSafely(*arguments.Screenshot, std::span(bytes, static_cast<size_t>(png.size())))) {
    std::cerr << "kalo: cannot write " << *error << '\n';
    return 1;
  }
  return 0;
}

// The exit code of a session that has shut down: 1, after saying why on standard error, when the
// settings could not be saved.
int SavedSettingsCode(const WindowSession& session) {
  if (session.SettingsWritten() != config::SettingsWriteResult::Failed) return 0;
  std::cerr << "kalo: the settings were not saved: " << session.SettingsWriteProblem() << '\n';
  return 1;
}

}  // namespace

int RunWindowProgram(int argc, char** argv, const WindowArguments& arguments) {
  midi::KeepJackServerFromStarting();
  // Before Qt or the session starts a thread, so that only the stop watcher takes these signals.
  host::StopWatcher::BlockStopSignals();
  const bool interactive = !arguments.Screenshot;
  const host::ProgramFolder folder = host::ProgramFolder::OfRunningProgram();
  config::SettingsFile settings = LocateSettings(folder, arguments);
  if (!interactive) {
    if (const std::string problem = ScreenshotProblem(*arguments.Screenshot, settings); !problem.empty()) {
      std::cerr << "kalo: cannot write " << problem << '\n';
      return 1;
    }
  }
  if (!interactive && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QApplication::setApplicationName("kalo");
  QtDialogs messageBoxes;
  host::HeadlessDialogs toStandardError;
  host::Dialogs& dialogs = interactive ? static_cast<host::Dialogs&>(messageBoxes) : toStandardError;

  // One instance per settings folder, decided before anything else is made. A screenshot makes no
  // folder of its own; the lock file goes when the run ends.
  const host::InstanceLock lock(settings.Path().parent_path() / (folder.ProgramName() + ".lock"),
                                interactive);
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
  // What a stop signal asks for runs on the main thread; until the session has started it is kept
  // for later.
  bool started = false;
  bool stopAsked = false;
  QtMainLoop loop;
  // The playing controls (the piano, the chord pads, the split and the computer keys) go through the
  // arranger's own input dispatch, the one both MIDI inputs use.
  WindowSession session({folder, std::move(settings), midi::PlatformBackends(synth), dialogs, interactive,
                         [](app::Arranger& arranger) { return &arranger.Dispatch(); }},
                        loop);
  // SIGTERM, SIGINT and SIGHUP end the program as File > Exit does: Stop (all notes off), the settings
  // saved, the windows closed. The request is a Qt event, so that it runs inside any event loop, that
  // of a message box too; one that waits for an answer is closed, and no further one is shown.
  const host::StopWatcher stopWatcher(
      [&application, &started, &stopAsked, &session, &messageBoxes] {
        QMetaObject::invokeMethod(
            &application,
            [&started, &stopAsked, &session, &messageBoxes] {
              if (stopAsked) return;
              stopAsked = true;
              messageBoxes.AnswerNoMore();
              if (QWidget* box = QApplication::activeModalWidget()) box->close();
              if (started) session.Shutdown();
            },
            Qt::QueuedConnection);
      },
      {}, std::chrono::seconds(1), false);
  session.Start();
  started = true;
  messageBoxes.SetParent(&session.Main());
  wait.hide();

  if (!interactive) {
    const int status = stopAsked ? 1 : SaveScreenshot(session, arguments);
    session.Shutdown();
    return status;
  }
  if (!stopAsked) loop.Run();
  // However the loop ended, the session ends as Exit ends it.
  session.Shutdown();
  return SavedSettingsCode(session);
}

}  // namespace kalo::gui
