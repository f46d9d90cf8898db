// Any bytes as a settings file: reading never fails or reads outside its buffers, every value read is
// within its key's range, and what is written back reads again unchanged and without complaint.

#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "config/settings_file.h"
#include "config/settings_keys.h"
#include "fuzz_scratch.h"

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
  if (file.Write(values) != SettingsWriteResult::Written) return 0;
  SettingsReadResult second = file.Read();
  if (!second.RejectedKeys.empty()) std::abort();
  if (!values.Reset && !(second.Values == values)) std::abort();
  return 0;
}
