#include "cli/commands.h"

namespace kalo::cli {

// Not built yet: registers nothing, so `kalo style` is an unknown command.
void AddStyleCommand(CLI::App&, ExitStatus&) {}

}  // namespace kalo::cli
