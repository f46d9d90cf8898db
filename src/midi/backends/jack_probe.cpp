#include "midi/backends/jack_probe.h"

#include <jack/jack.h>

#include <chrono>
#include <cstdio>

#include "host/program_launcher.h"

namespace kalo::midi {

namespace {

void Silent(const char*) {}
void ToStderr(const char* text) { std::fprintf(stderr, "%s\n", text); }

std::string& ProbeProgram() {
  static std::string program;
  return program;
}

}  // namespace

bool JackServerAnswersHere(const char* clientName) {
  jack_set_error_function(&Silent);
  jack_set_info_function(&Silent);
  jack_status_t status{};
  jack_client_t* probe = jack_client_open(clientName, JackNoStartServer, &status);
  if (probe != nullptr) jack_client_close(probe);
  jack_set_error_function(&ToStderr);
  jack_set_info_function(&Silent);
  return probe != nullptr;
}

bool JackServerAnswers(const char* clientName) {
  if (ProbeProgram().empty()) return JackServerAnswersHere(clientName);
  // A child that hangs met the rare deadlock above: a second one is asked. A server that leaves both
  // without an answer does not answer.
  constexpr auto kDeadline = std::chrono::seconds(5);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::optional<int> code =
        host::RunToEnd(ProbeProgram(), {kJackProbeArgument, clientName}, kDeadline);
    if (code == 0 || code == 1) return *code == 0;
  }
  return false;
}

void AskJackInChildProcesses(std::string program) { ProbeProgram() = std::move(program); }

}  // namespace kalo::midi
