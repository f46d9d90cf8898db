#include "gui/window_program.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
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

int SaveScreenshot(WindowSession& session, const WindowArguments& arguments) {
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
  wait.show();
  QApplication::processEvents();
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
