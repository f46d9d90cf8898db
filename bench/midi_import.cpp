// Importing Standard MIDI Files into the Style-Creator: a dense song of about 1 MB (16 tracks of
// sixteenth notes in running status, 96 pulses a quarter), read through libsmf and turned into
// material (which such a song is too long to become: the time to that answer is what a player waits),
// and a song that fits the stream, imported and then cut into eight parts with the conversion to the
// base chord. Prints key=value lines; wall-clock times in milliseconds, the best of five runs.
//
//   midi_import [BYTES]    the size of the large song (default 1048576)

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "midi/standard_midi_file_reader.h"
#include "styles/chord_conversion.h"
#include "styles/midi_import.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutVlq(Bytes& out, uint32_t value) {
  Bytes reversed{static_cast<uint8_t>(value & 0x7F)};
  while (value >>= 7) reversed.push_back(static_cast<uint8_t>((value & 0x7F) | 0x80));
  out.insert(out.end(), reversed.rbegin(), reversed.rend());
}

void PutBigEndian(Bytes& out, uint32_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// A format-1 song of 16 tracks, one per channel, each a sixteenth-note line over chords that change
// every measure, until the file reaches `target` bytes.
Bytes DenseSong(size_t target) {
  constexpr int kPpq = 96;
  constexpr int kSixteenth = kPpq / 4;
  const size_t perTrack = target / 16;
  Bytes file = {'M', 'T', 'h', 'd'};
  PutBigEndian(file, 6, 4);
  PutBigEndian(file, 1, 2);
  PutBigEndian(file, 16, 2);
  PutBigEndian(file, kPpq, 2);
  constexpr int kRoots[4] = {0, 9, 5, 7};  // C Am F G
  for (int channel = 0; channel < 16; ++channel) {
    Bytes track;
    PutVlq(track, 0);
    track.insert(track.end(), {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(channel * 5)});
    PutVlq(track, 0);
    track.insert(track.end(), {static_cast<uint8_t>(0x90 | channel)});
    for (int step = 0; track.size() + 12 < perTrack; ++step) {
      const int root = kRoots[(step / 16) % 4];
      const int key = 36 + (channel % 4) * 12 + root + (step % 3) * 4 - (step % 3 == 2 ? 1 : 0);
      if (step > 0) PutVlq(track, 0);
      track.insert(track.end(), {static_cast<uint8_t>(key), 90});
      PutVlq(track, kSixteenth);
      track.insert(track.end(), {static_cast<uint8_t>(key), 0});
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    PutBigEndian(file, static_cast<uint32_t>(track.size()), 4);
    file.insert(file.end(), track.begin(), track.end());
  }
  return file;
}

double BestOfFive(const std::function<void()>& work) {
  double best = 1e30;
  for (int run = 0; run < 5; ++run) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kalo;
  const size_t target = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1u << 20;
  const Bytes large = DenseSong(target);
  size_t events = 0;
  std::string outcome;
  const double readMs = BestOfFive([&] {
    auto read = midi::ReadStandardMidiFile(large);
    events = std::holds_alternative<midi::SmfFileData>(read) ? std::get<midi::SmfFileData>(read).Events.size() : 0;
  });
  const double importMs = BestOfFive([&] {
    auto imported = styles::ImportMidiFile(large, {}, styles::Metre{});
    outcome = std::holds_alternative<std::string>(imported)
                  ? "refused: " + std::get<std::string>(imported)
                  : std::to_string(std::get<styles::ImportedMaterial>(imported).Measures) + " measures";
  });
  std::printf("large_file_bytes=%zu\nlarge_events=%zu\nlarge_read_ms=%.1f\nlarge_import_ms=%.1f\nlarge_outcome=%s\n",
              large.size(), events, readMs, importMs, outcome.c_str());

  // A song that fits: 48 measures of the same lines.
  const Bytes fitting = DenseSong(24 * 1024);
  styles::ImportedMaterial material;
  const double fitMs = BestOfFive([&] {
    auto imported = styles::ImportMidiFile(fitting, {}, styles::Metre{});
    if (std::holds_alternative<styles::ImportedMaterial>(imported)) material = std::get<styles::ImportedMaterial>(imported);
  });
  styles::ConversionSettings settings;
  settings.ConvertMode = 5;
  const int measureTicks = styles::TicksPerMeasure(material.MaterialMetre.MeasureLength);
  int converted = 0;
  const double convertMs = BestOfFive([&] {
    std::vector<uint8_t> stream = material.Stream;
    const auto chords = styles::FindChords(stream, 0, int64_t{material.Measures} * measureTicks, measureTicks, settings);
    converted = styles::ConvertToBaseChord(stream, static_cast<int32_t>(stream.size()), 0,
                                           int64_t{material.Measures} * measureTicks, chords,
                                           styles::PlainRootShifts(), 5)
                    .NotesConverted;
  });
  std::printf(
      "fitting_file_bytes=%zu\nfitting_measures=%d\nfitting_stream_bytes=%zu\nfitting_import_ms=%.1f\n"
      "fitting_find_and_convert_ms=%.1f\nfitting_notes_converted=%d\n",
      fitting.size(), material.Measures, material.Stream.size(), fitMs, convertMs, converted);
  return 0;
}
