// libFuzzer target: any bytes as a Standard MIDI File, read through libsmf and imported as
// Style-Creator material. What is read lies in time order; imported material fits the stream, spans
// whole measures and holds only channel messages and delays; cutting and converting it stays inside it.

#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_tgen.h"
#include "midi/standard_midi_file_reader.h"
#include "styles/chord_conversion.h"
#include "styles/midi_import.h"
#include "styles/style_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kalo;
  const std::span<const uint8_t> bytes(data, size);
  auto read = midi::ReadStandardMidiFile(bytes);
  if (const auto* error = std::get_if<std::string>(&read)) {
    KALO_FUZZ_CHECK(!error->empty());
    return 0;
  }
  const midi::SmfFileData& content = std::get<midi::SmfFileData>(read);
  for (size_t i = 1; i < content.Events.size(); ++i)
    KALO_FUZZ_CHECK(content.Events[i - 1].Pulse <= content.Events[i].Pulse);

  // The options follow the file's last byte, so that every combination is tried.
  const uint8_t flags = size > 0 ? data[size - 1] : 0;
  const styles::ImportOptions options{(flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0, (flags & 8) != 0,
                                      (flags & 16) != 0};
  auto imported = styles::ImportMidiMaterial(content, options, styles::Metre{});
  if (std::holds_alternative<std::string>(imported)) return 0;
  const styles::ImportedMaterial& material = std::get<styles::ImportedMaterial>(imported);
  KALO_FUZZ_CHECK(material.Stream.size() <= static_cast<size_t>(styles::kStreamCapacity) &&
                  material.Measures >= 1);
  const int measureTicks = styles::TicksPerMeasure(material.MaterialMetre.MeasureLength);
  KALO_FUZZ_CHECK(styles::TicksIn(material.Stream, 0, static_cast<int32_t>(material.Stream.size())) ==
                  int64_t{material.Measures} * measureTicks);
  for (size_t i = 0; i < material.Stream.size();) {
    const uint8_t byte = material.Stream[i];
    KALO_FUZZ_CHECK(styles::IsDelayByte(byte) || styles::IsStatusByte(byte));
    i += styles::IsDelayByte(byte) ? 1 : 3;
    KALO_FUZZ_CHECK(i <= material.Stream.size());
  }

  fuzz::FuzzTGen session;
  styles::TGen& gen = session.Gen;
  if (!gen.TakeImportedMaterial("fuzz.mid", material)) return 0;
  styles::PartWindow window;
  window.Last = std::min(2, material.Measures);
  if (gen.CutPart(styles::kBasic, window)) {
    styles::Style& style = gen.CurrentStyle();
    styles::ConversionSettings settings;
    settings.WindowBeats = 1 + flags % 8;
    const auto chords =
        styles::FindChords(style.Stream(), 0, int64_t{window.Last} * measureTicks, measureTicks, settings);
    styles::ConvertToBaseChord(style.Buffer(), style.Length(), 0, int64_t{window.Last} * measureTicks, chords,
                               styles::PlainRootShifts(), 1 + flags % 6);
    fuzz::ExerciseLoadedStyle(gen);
  }
  return 0;
}
