// libFuzzer target: any bytes as a work file, parsed and loaded as the Style-Creator's work.

#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>

#include "fuzz_tgen.h"
#include "styles/work_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  const auto parsed = kalo::styles::ParseWorkFile(bytes);
  if (const auto* work = std::get_if<kalo::styles::ParsedWorkFile>(&parsed)) {
    KALO_FUZZ_CHECK(work->Chordmemory.Length >= 4);
    KALO_FUZZ_CHECK(static_cast<size_t>(work->Chordmemory.Length) + 4 <=
                    kalo::styles::kChordmemoryBufferSize);
  }
  static kalo::fuzz::FuzzTGen bench;
  bench.Gen.LoadWorkFromBytes("fuzz.vxw", bytes);
  kalo::fuzz::ExerciseLoadedStyle(bench.Gen);
  return 0;
}
