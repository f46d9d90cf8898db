#pragma once
// A whole windowed session over virtual MIDI ports in a temporary program folder: the player's keyboard
// is input 0, "Synth A" output 0 (the one opened at start), "Synth B" output 1. The live input runs
// over the engine fakes of the dispatch tests, which log what reaches the engine, or over the arranger's
// own dispatch as in the program. The tap tempo's clock is `Now`.

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "config/temp_folder.h"
#include "gui/qt_main_loop.h"
#include "gui/window_session.h"
#include "host/thread_priority.h"
#include "host/tick_timer.h"
#include "host/time_source.h"
#include "midi/backends/virtual_backend.h"
#include "perform/live_input_rig.h"

namespace kalo::gui::testing {

using Bytes = std::vector<uint8_t>;

struct SessionRig {
  // `ini`: the settings file's contents; none for a first start. `firstStyle`: a style file copied
  // to STYLES/rock1.vxs, the style every start loads. `keepSent`: what the start sent stays logged.
  // `arrangerInput`: the window's keys go through the arranger's dispatch, not the fakes. `demoSong`:
  // an arrangement copied to SONGS/demo3.vxa, the song a first start plays.
  explicit SessionRig(std::optional<std::string> ini = "[Options]\nAutoload=1\n",
                      const std::filesystem::path& firstStyle = {}, bool keepSent = false,
                      bool arrangerInput = false, const std::filesystem::path& demoSong = {}) {
    if (ini) Folder.Write("kalo.ini", *ini);
    if (!demoSong.empty()) {
      std::filesystem::create_directories(Folder.Path() / "SONGS");
      std::filesystem::copy_file(demoSong, Folder.Path() / "SONGS" / "demo3.vxa");
    }
    if (!firstStyle.empty()) {
      std::filesystem::create_directories(Folder.Path() / "STYLES");
      std::filesystem::copy_file(firstStyle, Folder.Path() / "STYLES" / "rock1.vxs");
    }
    auto backend = std::make_unique<midi::VirtualBackend>(Clock);
    Ports = backend.get();
    Ports->AddInput("Keys");
    Ports->AddOutput("Synth A");
    Ports->AddOutput("Synth B");
    std::vector<std::unique_ptr<midi::PortBackend>> backends;
    backends.push_back(std::move(backend));
    host::ProgramFolder folder(Folder.Path());
    config::SettingsFile settings(folder, Folder.Path() / "kalo.ini", {});
    SessionSetup setup{folder,
                       std::move(settings),
                       std::move(backends),
                       Dialogs,
                       true,
                       [this, arrangerInput](app::Arranger& arranger) -> perform::InputDispatch* {
                         if (arrangerInput) return &arranger.Dispatch();
                         Dispatch = std::make_unique<perform::InputDispatch>(
                             Seams, arranger.Chords(), arranger.Options(), arranger.Settings(),
                             arranger.Devices(), arranger.Midi().Controllers());
                         return Dispatch.get();
                       },
                       &Timer,
                       &Priority,
                       [this] { return Now; }};
    Session = std::make_unique<WindowSession>(std::move(setup), Loop);
    Session->Start();
    Loop.RunPending();
    if (!keepSent) Ports->ClearSent();
  }
  ~SessionRig() {
    Session.reset();
    Dispatch.reset();
  }
  SessionRig(const SessionRig&) = delete;
  SessionRig& operator=(const SessionRig&) = delete;

  app::Arranger& Arranger() { return Session->Arranger(); }
  MainWindow& Main() { return Session->Main(); }
  // The panel's widget of that type, its tool window shown.
  template <typename Panel>
  Panel& Show(const char* name) {
    EXPECT_TRUE(Main().ShowPanel(name)) << name;
    return *dynamic_cast<Panel*>(Main().Tools().Find(name));
  }
  std::vector<Bytes> Sent(int output = 0) {
    Loop.RunPending();
    return Ports->SentBytes(output);
  }

  config::testing::TempFolder Folder;
  host::FakeTimeSource Clock;
  int64_t Now = 0;
  host::ManualTickTimer Timer;
  host::UnchangedPriority Priority;
  host::RecordingDialogs Dialogs;
  QtMainLoop Loop;
  midi::VirtualBackend* Ports = nullptr;
  perform::testing::FakeLive Live;
  perform::LiveInputSeams Seams{Live, Live, Live, Live, Live, Live, Live, Live};
  std::unique_ptr<perform::InputDispatch> Dispatch;
  std::unique_ptr<WindowSession> Session;
};

}  // namespace kalo::gui::testing
