#pragma once
// The windowed session: the arranger with its window, built and taken down in the program's order.
//
// Start: the arranger (which makes the MIDI inputs and outputs), the main window with its tool panels,
// the configuration window, which reads the settings and opens the devices, then the start routine:
// the first-start style "STYLES/rock1.vxs" when it is there, on the very first start the guide's
// greeting, and the GM reset. The main window is shown; on a first start the configuration window
// opens for the player to check. Shutdown: Stop, the settings saved, the tool windows closed, the
// clock stopped, the loop ended. Main thread.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/arranger.h"
#include "config/settings_file.h"
#include "gui/configuration_window.h"
#include "gui/guide_panel.h"
#include "gui/live_controls.h"
#include "gui/main_window.h"
#include "gui/window_commands.h"
#include "gui/window_display.h"
#include "host/dialogs.h"
#include "host/main_loop.h"
#include "host/program_folder.h"
#include "host/thread_priority.h"
#include "host/tick_timer.h"
#include "host/web_links.h"
#include "midi/port_backend.h"
#include "perform/input_dispatch.h"

namespace kalo::gui {

class ComputerKeyFilter;
class ChordEditorPanel;

struct SessionSetup {
  host::ProgramFolder Folder;
  config::SettingsFile SettingsFile;
  // In device-number order.
  std::vector<std::unique_ptr<midi::PortBackend>> Backends;
  // The session's message boxes; must outlive the session.
  host::Dialogs& Dialogs;
  // False for a run that only shows itself (a screenshot): the settings file stays as it is and the
  // first start opens no window of its own.
  bool Interactive = true;
  // The live input dispatch over the session's arranger. The playing controls (the piano, the chord
  // pads, the keyboard split and the computer keys) exist only where it is given; it must outlive
  // the session.
  std::function<perform::InputDispatch*(app::Arranger&)> LiveInput;
  // The clock's tick source and the scheduling it asks for while playing; where not given (the
  // program), the session runs the real timer thread on its loop with real-time scheduling.
  host::TickTimer* Timer = nullptr;
  host::ThreadPriority* Priority = nullptr;
  // The tap tempo's monotonic milliseconds; the steady clock where not given.
  WindowCommands::Clock Milliseconds = {};
};

class WindowSession {
 public:
  WindowSession(SessionSetup setup, host::MainLoop& loop);
  ~WindowSession();
  WindowSession(const WindowSession&) = delete;
  WindowSession& operator=(const WindowSession&) = delete;

  void Start();
  // Runs once; later calls do nothing. Ends the main loop.
  void Shutdown();

  app::Arranger& Arranger() { return *arranger_; }
  MainWindow& Main() { return *main_; }
  ConfigurationWindow& Configuration() { return *configuration_; }
  GuidePanel& Guide() { return *guide_; }
  ChordEditorPanel& Editor() { return *editor_; }
  WindowDisplay& Display() { return display_; }
  LiveControls* Live() { return live_.get(); }
  // The commands of the function and special keys; the arranger's keyboard hooks while it exists.
  WindowCommands& Commands() { return *commands_; }
  bool FirstStart() const { return firstStart_; }
  // What writing the settings at exit gave; none before the shutdown or in a run that does not save.
  std::optional<config::SettingsWriteResult> SettingsWritten() const { return written_; }
  // Why writing the settings failed, naming the file (see config::SettingsFile::WriteProblem).
  const std::string& SettingsWriteProblem() const { return setup_.SettingsFile.WriteProblem(); }

 private:
  void MakeToolPanels();
  // The configuration window's creation: it reads the settings and opens the devices.
  void MakeConfiguration();
  // The style every start begins with, the first start's greeting, the GM reset.
  void RunStartRoutine();

  // Opens web pages with the desktop's browser.
  class DesktopWebLinks final : public host::WebLinks {
   public:
    void OpenWebPage(const std::string& url) override;
  };

  SessionSetup setup_;
  host::MainLoop& loop_;
  WindowDisplay display_;
  std::unique_ptr<host::PosixThreadPriority> priority_;
  std::unique_ptr<host::ThreadTickTimer> timer_;
  DesktopWebLinks links_;
  std::unique_ptr<app::Arranger> arranger_;
  std::unique_ptr<LiveControls> live_;
  std::unique_ptr<MainWindow> main_;
  ConfigurationWindow* configuration_ = nullptr;  // a panel of the main window
  GuidePanel* guide_ = nullptr;                   // a panel of the main window
  ChordEditorPanel* editor_ = nullptr;            // a panel of the main window
  std::unique_ptr<ComputerKeyFilter> keyFilter_;
  std::unique_ptr<WindowCommands> commands_;
  bool firstStart_ = false;
  bool demoLoaded_ = false;
  bool shutDown_ = false;
  std::optional<config::SettingsWriteResult> written_;
};

}  // namespace kalo::gui
