// Any bytes as a settings file: reading never fails or reads outside its buffers, every value read is
// within its key's range, a file that is not read as settings is left as it was, what is written back
// reads again unchanged and without complaint, and saving the same values again changes no byte.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "config/settings_file.h"
#include "config/settings_keys.h"
#include "fuzz_scratch.h"
#include "host/file_store.h"

namespace fs = std::filesystem;
using namespace kalo::config;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const kalo::fuzz::ScratchFile scratch("kalo-settings-fuzz-", "kalo.ini");
  scratch.Write(data, size);
  const fs::path& folder = scratch.Folder();

  SettingsEnvironment environment;
  environment.FolderWritable = [](const fs::path&) { return true; };
  SettingsFile file(kalo::host::ProgramFolder(folder), scratch.File(), environment);
  SettingsReadResult first = file.Read();
  for (const SettingsKey& key : SettingsKeys()) {
    if (key.Type == KeyType::Integer && !key.Range.Contains(first.Values.*key.Int)) std::abort();
  }
  Settings values = first.Values;
  values.Autoload = true;
  const SettingsWriteResult written = file.Write(values);
  if (!first.Problem.empty()) {
    // A file that is not read as settings is never overwritten.
    const auto kept = kalo::host::ReadFilePrefix(scratch.File(), size + 1);
    if (written != SettingsWriteResult::NotOpened || !kept ||
        !std::equal(kept->begin(), kept->end(), data, data + size))
      std::abort();
    return 0;
  }
  if (written != SettingsWriteResult::Written) std::abort();
  SettingsReadResult second = file.Read();
  if (!second.RejectedKeys.empty() || !second.Problem.empty()) std::abort();
  if (!values.Reset && !(second.Values == values)) std::abort();
  // A second save of the same values changes nothing: values are set in place, nothing is added twice.
  const auto once = kalo::host::ReadFilePrefix(scratch.File(), 1u << 21);
  if (file.Write(values) != SettingsWriteResult::Written) std::abort();
  if (kalo::host::ReadFilePrefix(scratch.File(), 1u << 21) != once) std::abort();
  return 0;
}
