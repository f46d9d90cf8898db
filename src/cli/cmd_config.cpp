#include "cli/commands.h"

namespace kalo::cli {

// Not built yet: registers nothing, so `kalo config` is an unknown command.
void AddConfigCommand(CLI::App&, ExitStatus&) {}

}  // namespace kalo::cli
