// libFuzzer target: any bytes as a work file. Parsed, written and read back to the same values, its
// style blocks described as `kalo style info` and `events` print a style, loaded as the
// Style-Creator's work, played, and saved through the program's writer to a file that reads back as
// the work held.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>

#include "fuzz_scratch.h"
#include "fuzz_tgen.h"
#include "host/file_store.h"
#include "styles/style.h"
#include "styles/work_file.h"

using namespace kalo::styles;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const kalo::fuzz::ScratchFile scratch("kalo-work-fuzz-", "saved.vxw");
  const std::span<const uint8_t> bytes(data, size);
  const auto parsed = ParseWorkFile(bytes);
  if (const auto* work = std::get_if<ParsedWorkFile>(&parsed)) {
    KALO_FUZZ_CHECK(work->Chordmemory.Length >= 0);
    KALO_FUZZ_CHECK(static_cast<size_t>(work->Chordmemory.Length) + 4 <= kChordmemoryBufferSize);
    // What is read saves to bytes that read back to the same values (header bytes are kept as stored).
    const auto written = SerializeWorkFile(work->EndPosition, work->Chordmemory, work->Image.Header,
                                           work->Image.Parts, work->Image.Stream);
    KALO_FUZZ_CHECK(written.has_value());
    const auto reparsed = ParseWorkFile(*written);
    const auto* again = std::get_if<ParsedWorkFile>(&reparsed);
    KALO_FUZZ_CHECK(again != nullptr && again->EndPosition == work->EndPosition &&
                    again->Chordmemory == work->Chordmemory && again->Image.Header == work->Image.Header &&
                    again->Image.Parts == work->Image.Parts && again->Image.Stream == work->Image.Stream);
    ParsedStyleFile asStyle;
    asStyle.Image = work->Image;
    kalo::fuzz::DescribeStyle(asStyle);
  }

  static kalo::fuzz::FuzzTGen bench;
  if (bench.Gen.LoadWorkFromBytes("fuzz.vxw", bytes) != LoadOutcome::Loaded) return 0;
  kalo::fuzz::ExerciseLoadedStyle(bench.Gen);
  KALO_FUZZ_CHECK(bench.Gen.SaveWorkFile(scratch.File().string()));
  const auto saved = kalo::host::ReadFilePrefix(scratch.File(), kMaxWorkFileBytes);
  KALO_FUZZ_CHECK(saved.has_value());
  const auto reparsed = ParseWorkFile(*saved);
  const auto* reread = std::get_if<ParsedWorkFile>(&reparsed);
  const Style& style = bench.Gen.CurrentStyle();
  KALO_FUZZ_CHECK(reread != nullptr && reread->EndPosition == bench.Gen.RecordedEndPosition &&
                  reread->Image.Header == style.Header && reread->Image.Parts == style.Parts &&
                  std::equal(reread->Image.Stream.begin(), reread->Image.Stream.end(), style.Stream().begin(),
                             style.Stream().end()));
  return 0;
}
