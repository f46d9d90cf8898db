#pragma once
// A TGen over quiet stand-ins for the rest of the program, and the checks every loaded style must
// pass: the parts that can be selected lie inside the stream, and playing them stays inside it.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "config/options.h"
#include "config/settings.h"
#include "host/dialogs.h"
#include "host/display.h"
#include "host/program_folder.h"
#include "host/web_links.h"
#include "styles/style_creator.h"
#include "styles/style_report.h"

namespace kalo::fuzz {

class QuietDialogs final : public host::Dialogs {
 public:
  bool Ask(const std::string&) override { return true; }
  void Inform(const std::string&) override {}
  std::optional<std::string> AskText(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
};

class QuietLinks final : public host::WebLinks {
 public:
  void OpenWebPage(const std::string&) override {}
};

class QuietPlayer final : public styles::StylePlayer {
 public:
  void Stop() override {}
  void RevoiceHeld(bool, bool) override {}
  void StartFadeOut() override {}
  void SetPartStart(bool) override {}
  void ResetCountersForFreshStart() override {}
  void Send(uint8_t, uint8_t, uint8_t) override {}
};

struct FuzzTGen {
  QuietDialogs Dialogs;
  host::NullDisplay Display;
  QuietLinks Links;
  host::ProgramFolder Folder{"/nonexistent-kalo-fuzz"};
  config::Settings Settings;
  config::Options Options;
  styles::StyleCreatorHost Host;
  QuietPlayer Player;
  styles::ChannelSetupSink Mixer;
  styles::TGen Gen{
      styles::TGenContext{Dialogs, Display, Links, Folder, Settings, Options, Host, Player, Mixer}};

  FuzzTGen() { Options.FixChanges = true; }
};

// Ends the run (a finding) when a guarantee does not hold, naming the line that checked it.
inline void CheckAt(bool condition, int line) {
  if (condition) return;
  std::fprintf(stderr, "check failed at fuzz_tgen.h or the fuzzer, line %d\n", line);
  std::abort();
}
#define KALO_FUZZ_CHECK(condition) ::kalo::fuzz::CheckAt((condition), __LINE__)

// Runs what `kalo style info` (text and JSON) and `kalo style events` (the stream and each part)
// print for a style.
inline void DescribeStyle(const styles::ParsedStyleFile& style) {
  const std::string json = styles::StyleInfoJson(style);
  KALO_FUZZ_CHECK(!styles::StyleInfoText(style).empty() && json.front() == '{' &&
                  json.find_last_not_of('\n') == json.rfind('}'));
  styles::StyleEventsText(style, std::nullopt);
  for (int p = 0; p < styles::kPartCount; ++p) {
    if (style.Image.Parts[static_cast<size_t>(p)].Exists()) styles::StyleEventsText(style, p);
  }
}

// Exercises what the player and the Style-Creator do with a loaded style.
inline void ExerciseLoadedStyle(styles::TGen& gen) {
  using namespace kalo::styles;
  const Style& style = gen.CurrentStyle();
  KALO_FUZZ_CHECK(style.Length() >= 0 && style.Length() <= kStreamCapacity);
  // What the loader guarantees of every part it keeps: it ends after its start, at the latest at
  // stream length + 1, where a part cut at the end of a recording ends (it plays to the stream's end).
  for (const TStylePart& part : style.Parts) {
    if (!part.Exists()) continue;
    KALO_FUZZ_CHECK(part.StartOffset >= 0 && part.StartOffset < part.EndOffset &&
                    part.EndOffset <= style.Length() + 1);
  }
  gen.StyleMode = true;
  gen.Playing = true;
  for (int p = 0; p < kPartCount; ++p) {
    gen.BeatIndex = p % 4;
    gen.SelectPart(p);
    for (int beat = 0; beat < 6; ++beat) {
      gen.EndOfPart();
      if (gen.CurrentOffset < kNoLimit) {
        KALO_FUZZ_CHECK(gen.CurrentOffset >= 0 && gen.CurrentOffset <= style.Length());
        gen.CurrentOffset = gen.EndOffset;  // play the part to its end
      }
    }
    gen.Playing = true;
  }
  for (int m = 0; m < 4; ++m) gen.Locate(m, m + 1);
  gen.BuildQuarterNoteIndex(64);
  gen.Locate(2, 3);
  gen.ChaseControllers(0, style.Length());
  gen.SetChannelInstrument(0, 1, 2, 3);
  gen.SetChannelController(9, 7, 100);
  gen.UndoAllConversions(false);
}

}  // namespace kalo::fuzz
