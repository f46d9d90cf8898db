// kalo chord: feeds MIDI note numbers to the chord recognizer as keys of the accompaniment zone and prints
// every chord that becomes current.

#include <array>
#include <charconv>
#include <cstdint>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/command_files.h"
#include "cli/commands.h"
#include "config/options.h"
#include "host/display.h"
#include "perform/chord_recognizer.h"
#include "perform/chord_state.h"

namespace kalo::cli {
namespace {

struct ChordArgs {
  int LowestKey = 40;
  int Transpose = 0;
  bool TwoFinger = false;
  bool Static = false;
  bool MajorMinor = false;
  bool Triad = false;
  std::vector<std::string> Notes;
};

// "60" presses note 60, "-60" releases it. False for anything but a whole number within 0..127.
bool ParseNote(const std::string& text, int& note, bool& release) {
  release = !text.empty() && text[0] == '-';
  const char* begin = text.data() + (release ? 1 : 0);
  const char* end = text.data() + text.size();
  if (begin == end || *begin == '-' || *begin == '+') return false;
  const auto [rest, error] = std::from_chars(begin, end, note);
  return error == std::errc{} && rest == end && note >= 0 && note <= 127;
}

// This command only names chords: no style plays or starts, chord tones and chord codes go nowhere,
// and every chord stays pending for the next key, as within one chord step.
class NamingOnly final : public perform::ChordHost {
 public:
  bool StylePlaying() const override { return false; }
  bool StartOnChord() const override { return false; }
  void StartStyleOnChord() override {}
  void SetChordTones(const std::array<int, 4>& /*tones*/) override {}
  bool ChordsoutOpen() const override { return false; }
  void SendChordsout(uint8_t /*status*/, uint8_t /*data1*/, uint8_t /*data2*/) override {}
};

int RunChord(const ChordArgs& args) {
  struct Key {
    int Note;
    bool Release;
  };
  std::vector<Key> keys;
  for (const std::string& text : args.Notes) {
    Key key{};
    if (!ParseNote(text, key.Note, key.Release)) {
      Say("kalo chord", "\"" + text + "\" is not a note number from 0 to 127 (use -N to release note N)");
      return 2;
    }
    keys.push_back(key);
  }

  config::Options options;
  options.TwoFingerChords = args.TwoFinger;
  options.MajorMinor = args.MajorMinor;
  options.TriadChords = args.Triad;
  host::NullDisplay display;
  NamingOnly host;
  perform::ChordState chords(options, display, host);
  chords.Observers().ChordSet = [](perform::Chord chord) {
    std::cout << chord.Root << ' ' << chord.Type << ' ' << perform::ChordName(chord.Root, chord.Type) << '\n';
  };
  perform::ChordRecognizer recognizer(chords);
  recognizer.LowestAccompanimentKey = args.LowestKey;
  recognizer.Transpose = args.Transpose;
  recognizer.KSmart = args.Static ? perform::kStaticReaction : perform::kSmartReaction;

  for (const Key& key : keys) {
    if (key.Release) {
      recognizer.NoteOff(key.Note);
    } else {
      recognizer.NoteOn(key.Note);
    }
  }
  return 0;
}

}  // namespace

void AddChordCommand(CLI::App& app, ExitStatus& status) {
  auto args = std::make_shared<ChordArgs>();
  CLI::App* cmd = app.add_subcommand(
      "chord",
      "Play keys of the accompaniment zone into the chord recognizer and print each chord it makes current "
      "as \"<root> <type> <name>\". The keys count as played within one chord step, so a chord stays pending "
      "from one key to the next (two-finger chords build on their first key).");
  cmd->add_option("--lowest-key", args->LowestKey,
                  "lowest accompaniment key (\"First Acc. Key\"), a note number")
      ->check(CLI::Range(0, 127))
      ->capture_default_str();
  cmd->add_option("--transpose", args->Transpose, "the keyboard panel's transpose, -11 to 11 semitones")
      ->check(CLI::Range(-11, 11))
      ->capture_default_str();
  cmd->add_flag("--two-finger", args->TwoFinger, "two-finger chords instead of fingered chords");
  cmd->add_flag("--static", args->Static, "static keyboard reaction: released keys stay in the list");
  cmd->add_flag("--major-minor", args->MajorMinor, "\"Major <> Minor\"");
  cmd->add_flag("--triad", args->Triad, "\"Triad chords\"");
  cmd->add_option("NOTE", args->Notes, "MIDI note number to press; -N releases note N")->required();
  cmd->callback([args, &status] { status.Code = RunChord(*args); });
}

}  // namespace kalo::cli
