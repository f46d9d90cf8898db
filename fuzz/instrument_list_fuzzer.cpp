// Any bytes as an instrument list: loading never fails or reads outside its buffers, holds at most
// kMaxListEntries entries, and whatever an entry sends stays within the MIDI data range in every kind.

#include <cstdint>
#include <cstdlib>

#include "config/instrument_list.h"
#include "fuzz_scratch.h"

using namespace kalo::config;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const kalo::fuzz::ScratchFile scratch("kalo-list-fuzz-", "list.vxi");
  scratch.Write(data, size);

  Settings settings;
  settings.Patch = scratch.File().string();
  InstrumentLists lists;
  lists.Load(settings);
  if (settings.PatchMode < 0 || settings.PatchMode > 2) std::abort();
  if (lists.Entries().size() > kMaxListEntries) std::abort();
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
