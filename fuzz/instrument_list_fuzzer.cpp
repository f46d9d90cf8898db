// Any bytes as an instrument list: loading never fails or reads outside its buffers, and whatever an
// entry sends stays within the MIDI data range in every list kind.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "config/instrument_list.h"

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
  static const fs::path file = [] {
    fs::path folder = fs::temp_directory_path() / ("kalo-list-fuzz-" + std::to_string(getpid()));
    fs::create_directories(folder);
    return folder / "list.vxi";
  }();
  static const TempFolderRemover remover{file.parent_path()};
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  Settings settings;
  settings.Patch = file.string();
  InstrumentLists lists;
  lists.Load(settings);
  if (settings.PatchMode < 0 || settings.PatchMode > 2) std::abort();
  for (PatchKind kind : {PatchKind::Gm, PatchKind::Gs, PatchKind::Xg}) {
    for (int index = 0; index < static_cast<int>(lists.Entries().size()) && index < 300; ++index) {
      auto messages = EntryMessages(lists.Entries(), index, kind);
      if (!messages) continue;
      for (const auto& bytes : messages->Bytes(index % 16)) {
        if (bytes[0] < 0x80 || bytes[1] > 0x7F || bytes[2] > 0x7F) std::abort();
      }
    }
  }
  return 0;
}
