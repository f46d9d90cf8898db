#pragma once
// An arranger over virtual ports with headless host services: inputs "Keys 0", "Keys 1", ... and the
// outputs "Synth A" (0) and "Synth B" (1). Nothing is opened before StartAndSettle.

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/arranger.h"
#include "host/dialogs.h"
#include "host/display.h"
#include "host/main_loop.h"
#include "host/program_folder.h"
#include "host/thread_priority.h"
#include "host/tick_timer.h"
#include "host/time_source.h"
#include "host/web_links.h"
#include "midi/backends/virtual_backend.h"

namespace kalo::app::testing {

struct ArrangerRig {
  explicit ArrangerRig(int inputs = 1) {
    auto backend = std::make_unique<midi::VirtualBackend>(clock);
    virtualPorts = backend.get();
    for (int i = 0; i < inputs; ++i) virtualPorts->AddInput("Keys " + std::to_string(i));
    virtualPorts->AddOutput("Synth A");
    virtualPorts->AddOutput("Synth B");
    std::vector<std::unique_ptr<midi::PortBackend>> backends;
    backends.push_back(std::move(backend));
    arranger = std::make_unique<Arranger>(
        ArrangerHost{loop, dialogs, display, timer, priority, links, folder}, std::move(backends));
  }

  void StartAndSettle() {
    arranger->Start();
    loop.RunPending();
    virtualPorts->ClearSent();
  }

  std::vector<std::vector<uint8_t>> Sent(int output, bool longOnly = false) const {
    return virtualPorts->SentBytes(output, longOnly);
  }

  // Short messages arriving on an input, dispatched by the main loop.
  void Inject(int input, std::initializer_list<std::vector<uint8_t>> messages) {
    for (const auto& m : messages)
      virtualPorts->InjectShort(input, midi::ShortMessage{m[0], m[1], m[2]}.Packed());
    loop.RunPending();
  }

  host::FakeTimeSource clock;
  host::StdMainLoop loop;
  host::RecordingDialogs dialogs;
  host::NullDisplay display;
  host::ManualTickTimer timer;
  host::UnchangedPriority priority;
  host::RecordingWebLinks links;
  host::ProgramFolder folder{"/nonexistent-kalo-folder"};
  midi::VirtualBackend* virtualPorts = nullptr;
  std::unique_ptr<Arranger> arranger;
};

}  // namespace kalo::app::testing
