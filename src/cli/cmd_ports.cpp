#include "cli/commands.h"

namespace kalo::cli {

// Not built yet: registers nothing, so `kalo ports` is an unknown command.
void AddPortsCommand(CLI::App&, ExitStatus&) {}

}  // namespace kalo::cli
