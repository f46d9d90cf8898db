// libFuzzer target: any bytes as a style file. Parsed, described as `kalo style info` and `events`
// print it, written and read back to the same blocks, loaded as the current style, played, and saved
// through the program's writer to a file that reads back as the style held.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_scratch.h"
#include "fuzz_tgen.h"
#include "host/file_store.h"
#include "styles/style.h"
#include "styles/style_file.h"
#include "styles/style_report.h"

using namespace kalo::styles;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const kalo::fuzz::ScratchFile scratch("kalo-style-fuzz-", "saved.vxs");
  const std::span<const uint8_t> bytes(data, size);
  const ParsedStyleFile parsed = ParseStyleFile(bytes);
  KALO_FUZZ_CHECK(parsed.Image.Stream.size() <= static_cast<size_t>(kStreamCapacity));
  kalo::fuzz::DescribeStyle(parsed);

  // What is read saves to bytes that read back to the same values (header bytes are kept as stored).
  const ParsedStyleFile again =
      ParseStyleFile(SerializeStyleFile(parsed.Image.Header, parsed.Image.Parts, parsed.Image.Stream));
  KALO_FUZZ_CHECK(again.Image.Header == parsed.Image.Header && again.Image.Parts == parsed.Image.Parts &&
                  again.Image.Stream == parsed.Image.Stream);

  static kalo::fuzz::FuzzTGen bench;  // one TGen, as in the program: loads follow each other
  bench.Settings.PlayIntro = size % 2 == 0;
  bench.Gen.LoadStyleFromBytes("fuzz.vxs", bytes);
  kalo::fuzz::ExerciseLoadedStyle(bench.Gen);

  KALO_FUZZ_CHECK(bench.Gen.SaveStyle(scratch.File().string()));
  const auto saved = kalo::host::ReadFilePrefix(scratch.File(), kMaxStyleFileBytes);
  KALO_FUZZ_CHECK(saved.has_value());
  const Style& style = bench.Gen.CurrentStyle();
  const ParsedStyleFile reread = ParseStyleFile(*saved);
  KALO_FUZZ_CHECK(reread.Image.Header == style.Header && reread.Image.Parts == style.Parts &&
                  std::equal(reread.Image.Stream.begin(), reread.Image.Stream.end(), style.Stream().begin(),
                             style.Stream().end()));
  return 0;
}
