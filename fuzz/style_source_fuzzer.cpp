// libFuzzer target: any bytes as a style source. A source that compiles gives a style file that
// reads back whole (header as compiled, every part kept) and whose every part spans whole measures.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_tgen.h"
#include "styles/style_source.h"
#include "styles/style_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kalo::styles;
  const CompiledStyle style = CompileStyleSource(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!style.Ok()) {
    KALO_FUZZ_CHECK(style.Errors.front().Line >= 1);
    return 0;
  }
  const auto bytes = SerializeStyleFile(style.Image.Header, style.Image.Parts, style.Image.Stream);
  const ParsedStyleFile parsed = ParseStyleFile(bytes);
  KALO_FUZZ_CHECK(std::all_of(parsed.Mends.begin(), parsed.Mends.end(),
                              [](PartMend mend) { return mend == PartMend::None; }) &&
                  parsed.Image.Header == style.Image.Header && parsed.Image.Parts == style.Image.Parts);
  const int measureTicks = TicksPerMeasure(MetreOf(style.Image.Header.MeasureLength).MeasureLength);
  for (const TStylePart& part : style.Image.Parts) {
    if (!part.Exists()) continue;
    const int64_t ticks = TicksIn(style.Image.Stream, part.StartOffset, part.EndOffset);
    KALO_FUZZ_CHECK(ticks == int64_t{part.LastMeasure - part.FirstMeasure + 1} * measureTicks);
  }
  return 0;
}
