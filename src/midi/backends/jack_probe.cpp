#include "midi/backends/jack_probe.h"

#include <jack/jack.h>

#include <cstdio>

namespace kalo::midi {

namespace {

void Silent(const char*) {}
void ToStderr(const char* text) { std::fprintf(stderr, "%s\n", text); }

}  // namespace

bool JackServerAnswers(const char* clientName) {
  jack_set_error_function(&Silent);
  jack_set_info_function(&Silent);
  jack_status_t status{};
  jack_client_t* probe = jack_client_open(clientName, JackNoStartServer, &status);
  if (probe != nullptr) jack_client_close(probe);
  jack_set_error_function(&ToStderr);
  jack_set_info_function(&Silent);
  return probe != nullptr;
}

}  // namespace kalo::midi
