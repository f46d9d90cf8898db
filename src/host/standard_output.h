#pragma once
// Standard output with every write checked. While a CheckedStandardOutput lives, std::cout writes
// through it: the first write that fails (a full disk, /dev/full, a closed pipe where SIGPIPE is
// ignored) is remembered and what follows is dropped, so that the command can end by saying that
// its output is incomplete and why instead of exiting 0. Main thread.

#include <memory>
#include <streambuf>
#include <string>

namespace kalo::host {

class CheckedStandardOutput {
 public:
  CheckedStandardOutput();
  // Flushes what is left (failures then go unreported) and gives std::cout its own buffer back.
  ~CheckedStandardOutput();
  CheckedStandardOutput(const CheckedStandardOutput&) = delete;
  CheckedStandardOutput& operator=(const CheckedStandardOutput&) = delete;

  // Writes out what is buffered; the system's reason of the first write that failed, or empty when
  // everything reached standard output.
  std::string Finish();

 private:
  class Buffer;
  std::unique_ptr<Buffer> buffer_;
  std::streambuf* previous_ = nullptr;
};

}  // namespace kalo::host
