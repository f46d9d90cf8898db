#pragma once
// Reading a style source line by line into what it says: the header values, the declared channels
// and, per part, its attributes and its notes in ticks. Checks that need the whole source (a missing
// Basic, overlapping notes, silent channels) and the stream layout are the compiler's
// (style_source.cpp).

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "styles/style_records.h"
#include "styles/style_source.h"

namespace kalo::styles {

struct SourceNote {
  int Channel = 0;  // 0..15
  int Key = 0;      // pattern note 0..127
  int Start = 0;    // ticks from the start of the part
  int End = 0;      // exclusive; at most the part's length minus one
  int Velocity = 0;
  int Line = 0;
};

struct SourceChannel {
  bool Declared = false;
  int Line = 0;
  std::string Name;
  TChannelSetup Setup;
  int Velocity = 100;     // default velocity of the channel's pattern lines
  int Gate = 100;         // default sounding length of its notes, percent of their written length
  bool CutNotes = false;  // cut notes in every part
};

struct SourcePart {
  bool Defined = false;
  int Line = 0;
  int Measures = 0;
  std::array<uint8_t, kChannelCount> Mute{};
  std::array<uint8_t, kChannelCount> CutNotes{};
  bool Variation = false;
  std::vector<SourceNote> Notes;
};

struct StyleSource {
  std::string Name;
  int NameLine = 0;
  int Tempo = 0;  // 0: not given
  std::optional<Metre> MetreValue;
  std::optional<int> IntroMeasures;
  bool SuppressControllers = false;
  std::array<SourceChannel, kChannelCount> Channels{};
  std::array<SourcePart, kPartCount> Parts{};
  int FirstPartLine = 0;  // 0: no part
  int LineCount = 0;
};

// Reads every line; each mistake adds an error and the line is skipped, so that one run reports
// them all.
StyleSource ParseStyleSource(std::string_view text, std::vector<SourceError>& errors);

// Ticks of one beat of the metre: a quarter note, or an eighth in eighth-note metres.
inline int BeatTicksOf(const Metre& metre) { return metre.EighthNotes ? 12 : 24; }

}  // namespace kalo::styles
