// Any bytes as a style group file: reading never fails or reads outside its buffers, every entry
// splits into its texts, a file that cannot be read as a group file is never overwritten, and a
// group saved back reads again entry for entry.

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "fuzz_scratch.h"
#include "host/file_store.h"
#include "styles/style_groups.h"

using namespace kalo::styles;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const kalo::fuzz::ScratchFile scratch("kalo-groups-fuzz-", "kalo.VXG");
  scratch.Write(data, size);
  StyleGroupFile file = StyleGroupFile::Open({scratch.File(), scratch.File()});
  for (int group = 1; group <= kStyleGroupCount; ++group) {
    const std::vector<std::string> entries = file.Entries(group);
    for (const std::string& entry : entries) {
      const GroupEntryText text = ReadGroupEntry(entry);
      if (text.Info.size() + text.Description.size() + text.Path.size() > entry.size()) std::abort();
    }
    if (entries.empty()) continue;
    const bool saved = !file.SaveGroup(group, entries).has_value();
    if (saved != file.Problem().empty()) std::abort();
    if (!saved) {
      const auto kept = kalo::host::ReadFilePrefix(scratch.File(), size + 1);
      if (!kept || !std::equal(kept->begin(), kept->end(), data, data + size)) std::abort();
      return 0;
    }
    if (StyleGroupFile::Open({scratch.File(), {}}).Entries(group) != entries) std::abort();
  }
  return 0;
}
