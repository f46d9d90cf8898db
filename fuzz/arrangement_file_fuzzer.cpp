// Any bytes as an arrangement file: the reader stays inside its buffers, the song loads with every
// value in range, and the loaded song saved again reads back to the same values.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "host/dialogs.h"
#include "song/arrangement_file.h"
#include "song/memo_text.h"
#include "song/song_files.h"

using namespace kalo::song;

namespace {

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "arrangement fuzzer: %s\n", what);
  std::abort();
}

class QuietDialogs final : public kalo::host::Dialogs {
 public:
  bool Ask(const std::string&) override { return true; }
  void Inform(const std::string&) override {}
  std::optional<std::string> AskText(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
};

class QuietHost final : public SongFileHost {
 public:
  void StopTransport() override {}
  int Tempo() const override { return Bpm; }
  void SetTempo(int bpm) override {
    Check(bpm >= 25 && bpm <= 250, "tempo outside the field's range");
    Bpm = bpm;
  }
  bool EighthNoteStyle() const override { return Bpm % 2 == 0; }
  void SetMetrum(int index) override { Check(index >= 0 && index < 9, "no such metrum"); }
  uint8_t MelodyProgram() const override { return 0; }
  void SendMelodyProgram(uint8_t program) override { Check(program < 128, "program is no data byte"); }
  void LoadStyleByName(const std::string& path) override { Check(!path.empty(), "empty style looked up"); }
  std::string CurrentStylePath() const override { return {}; }
  void SetCaption(const std::string&) override {}
  int Bpm = 120;
};

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0 && prefix.size() <= text.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QuietDialogs dialogs;
  static QuietHost host;
  static Song song;
  static kalo::config::Settings settings;
  static kalo::config::Options options;
  static SongFiles files(song, dialogs, host, kalo::host::ProgramFolder("/nonexistent-kalo-fuzz"), settings,
                         options);

  const std::span<const uint8_t> bytes(data, size);
  const ParsedArrangement parsed = ParseArrangementFile(bytes);
  Check(parsed.Melody.size() <= static_cast<size_t>(kMelodyCapacity), "melody beyond its buffer");
  Check(parsed.Chords.Length >= 0 && static_cast<size_t>(parsed.Chords.Length) <= kChordmemoryBufferSize,
        "Chordmemory length beyond its buffer");
  Check(parsed.StylePath.size() <= kMaxStylePathLength, "style path beyond its block");

  options.MelodyAdLib = size % 3 == 0;
  files.LoadFromBytes("/songs/fuzz.vxa", bytes);
  const PlayRange& range = song.Range;
  Check(range.FromMeasure() >= 1 && range.FromMeasure() <= kMaxMeasure, "from-measure");
  Check(range.ToMeasure() >= 1 && range.ToMeasure() <= kMaxMeasure, "to-measure");
  Check(song.Melody.Count() == static_cast<int>(parsed.Melody.size()), "melody count");

  bool shortened = false;
  const std::vector<uint8_t> saved =
      SerializeArrangementFile(song.Chords, song.Melody.Events(), song.Memo, parsed.StylePath, &shortened);
  const ParsedArrangement again = ParseArrangementFile(saved);
  Check(again.Chords == song.Chords, "Chordmemory changed by saving");
  Check(std::equal(again.Melody.begin(), again.Melody.end(), song.Melody.Events().begin(),
                   song.Melody.Events().end()),
        "melody changed by saving");
  Check(again.StylePath == parsed.StylePath, "style path changed by saving");
  if (!shortened) {
    Check(again.Memo == song.Memo, "memo changed by saving");
  } else {
    Check(StartsWith(song.Memo.Comments, again.Memo.Comments) &&
              StartsWith(song.Memo.Title, again.Memo.Title) &&
              StartsWith(song.Memo.Copyright, again.Memo.Copyright),
          "a shortened memo is not a prefix of the memo");
  }
  return 0;
}
