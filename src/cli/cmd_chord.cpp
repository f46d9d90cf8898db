#include "cli/commands.h"

namespace kalo::cli {

// Not built yet: registers nothing, so `kalo chord` is an unknown command.
void AddChordCommand(CLI::App&, ExitStatus&) {}

}  // namespace kalo::cli
