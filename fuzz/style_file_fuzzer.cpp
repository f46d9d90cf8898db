// libFuzzer target: any bytes as a style file, parsed and loaded as the current style.

#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_tgen.h"
#include "styles/style_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  const auto parsed = kalo::styles::ParseStyleFile(bytes);
  KALO_FUZZ_CHECK(parsed.Image.Stream.size() <= static_cast<size_t>(kalo::styles::kStreamCapacity));
  static kalo::fuzz::FuzzTGen bench;  // one TGen, as in the program: loads follow each other
  bench.Settings.PlayIntro = size % 2 == 0;
  bench.Gen.LoadStyleFromBytes("fuzz.vxs", bytes);
  kalo::fuzz::ExerciseLoadedStyle(bench.Gen);
  return 0;
}
