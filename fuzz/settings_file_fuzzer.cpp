// Any bytes as a settings file: reading never fails or reads outside its buffers, every value read is
// within its key's range, and what is written back reads again unchanged and without complaint.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "config/settings_file.h"
#include "config/settings_keys.h"

namespace fs = std::filesystem;
using namespace kalo::config;

namespace {
// Removes the fuzzer's scratch folder when the run ends.
struct TempFolderRemover {
  fs::path Folder;
  ~TempFolderRemover() {
    std::error_code ec;
    fs::remove_all(Folder, ec);
  }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fs::path folder = [] {
    fs::path path = fs::temp_directory_path() / ("kalo-settings-fuzz-" + std::to_string(getpid()));
    fs::create_directories(path);
    return path;
  }();
  static const TempFolderRemover remover{folder};
  std::ofstream(folder / "kalo.ini", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  SettingsEnvironment environment;
  environment.FolderWritable = [](const fs::path&) { return true; };
  SettingsFile file(kalo::host::ProgramFolder(folder), folder / "kalo.ini", environment);
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
