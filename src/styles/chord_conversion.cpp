#include "styles/chord_conversion.h"

#include <algorithm>
#include <deque>
#include <map>

#include "midi/midi_status.h"
#include "perform/chord.h"
#include "perform/chord_offset_tables.h"
#include "styles/style_stream.h"

namespace kalo::styles {

namespace {

constexpr int kDrumChannel = 9;
constexpr int kTicksPerBeat = 24;
// How far a pattern note may lie from the note it sounds as: the tables move a note by at most 7
// semitones in each of their two steps.
constexpr int kSearchSpan = 9;

bool IsNoteOn(const StreamMessage& m) { return (m.Status & 0xF0) == midi::kNoteOn && m.Data2 > 0; }
bool IsNoteOff(const StreamMessage& m) {
  const int kind = m.Status & 0xF0;
  return kind == midi::kNoteOff || (kind == midi::kNoteOn && m.Data2 == 0);
}

// The player's mapping of a pattern note into a chord type with root C, before the root is added.
int Sounding(int pattern, int type) {
  int m = pattern + perform::ChordOffset(perform::kChordToneOffsets, type, pattern % 12);
  m += perform::ChordOffset(perform::kScaleToneOffsets, type, perform::PitchClass(m));
  return m;
}

// Preference among pattern notes that sound alike: the tones of C major first, then its other scale
// tones, then the rest; what a style writer would have written.
int PatternRank(int note) {
  constexpr std::array<int, 12> kRank = {0, 7, 3, 8, 1, 4, 9, 2, 10, 5, 11, 6};
  return kRank[static_cast<size_t>(perform::PitchClass(note))];
}

int IntoRange(int note) {
  while (note < 0) note += 12;
  while (note > 127) note -= 12;
  return note;
}

bool IsChordTone(int note, int type) {
  for (int interval : perform::kChordIntervals[static_cast<size_t>(type)])
    if (perform::PitchClass(interval) == perform::PitchClass(note)) return true;
  return false;
}

// The pattern note that sounds as `target` in `type` (root C): the best ranked of those that do, or,
// when none does and `nearest` is set, the best ranked of those that sound closest to it; -1 else.
int InversePattern(int target, int type, bool nearest) {
  int best = -1;
  int bestDistance = 0;
  for (int n = std::max(0, target - kSearchSpan); n <= std::min(127, target + kSearchSpan); ++n) {
    const int distance = std::abs(Sounding(n, type) - target);
    if (distance > 0 && !nearest) continue;
    const auto key = [&](int candidate, int d) {
      return std::tuple(d, PatternRank(candidate), std::abs(candidate - target));
    };
    if (best < 0 || key(n, distance) < key(best, bestDistance)) {
      best = n;
      bestDistance = distance;
    }
  }
  return best;
}

struct Note {
  int64_t Start = 0;
  int64_t End = 0;
  int Key = 0;
};

// The notes of melodic channels, their ends paired first in, first out per channel and key; a note
// never ended lasts to `openEnd`.
std::vector<Note> MelodicNotes(std::span<const uint8_t> stream, int64_t openEnd) {
  std::vector<Note> notes;
  std::map<int, std::deque<size_t>> open;
  ForEachMessage(stream, 0, static_cast<int32_t>(stream.size()), [&](const StreamMessage& m) {
    if ((m.Status & 0x0F) == kDrumChannel) return;
    const int slot = (m.Status & 0x0F) * 128 + m.Data1;
    if (IsNoteOn(m)) {
      open[slot].push_back(notes.size());
      notes.push_back({m.Tick, openEnd, m.Data1});
    } else if (IsNoteOff(m) && !open[slot].empty()) {
      notes[open[slot].front()].End = m.Tick;
      open[slot].pop_front();
    }
  });
  return notes;
}

// The recognizer's scoring, limited to the types up to `highestType`: the count of a type's interval
// entries that are held (the doubled root of three-note types counting twice); a strictly higher score
// wins, an equal one when its tones cover more of the held pitch classes; then the lowest root and the
// highest type.
TimedChord BestChord(const std::array<bool, 12>& held, int highestType) {
  TimedChord best;
  int bestScore = 0;
  int bestCover = 0;
  for (int root = 0; root < 12; ++root) {
    for (int type = highestType; type >= 1; --type) {
      int score = 0;
      std::array<bool, 12> covered{};
      for (int interval : perform::kChordIntervals[static_cast<size_t>(type)]) {
        const int pc = (root + interval) % 12;
        if (held[static_cast<size_t>(pc)]) {
          ++score;
          covered[static_cast<size_t>(pc)] = true;
        }
      }
      const int cover = static_cast<int>(std::count(covered.begin(), covered.end(), true));
      if (score > bestScore || (score == bestScore && score > 0 && cover > bestCover)) {
        best = {0, root, type};
        bestScore = score;
        bestCover = cover;
      }
    }
  }
  return best;
}

}  // namespace

int HighestTypeForMode(int mode) {
  if (mode <= 0) return perform::kMaj;
  if (mode <= 3) return perform::kMin7;
  if (mode <= 9) return perform::kAug;
  return perform::kChordTypeCount;
}

bool SkipsPart(const ConversionSettings& settings, int part) {
  if (part == kIntro || part == kEnding) return settings.SkipIntroEnding;
  if (part == kBasic || part == kExtended) return settings.SkipMainParts;
  return settings.SkipFills;
}

RootShifts PlainRootShifts() {
  RootShifts shifts{};
  for (int pc = 0; pc < 12; ++pc) shifts[static_cast<size_t>(pc)] = pc;
  return shifts;
}

std::vector<TimedChord> FindChords(std::span<const uint8_t> stream, int64_t fromTick, int64_t toTick,
                                   int measureTicks, const ConversionSettings& settings) {
  std::vector<TimedChord> chords;
  if (measureTicks <= 0 || toTick <= fromTick) return chords;
  const std::vector<Note> notes = MelodicNotes(stream, toTick);
  const int64_t windowTicks = std::clamp(settings.WindowBeats, 1, 8) * int64_t{kTicksPerBeat};
  const int64_t least = std::max(1, kTicksPerBeat / std::max(1, settings.Sensitivity));
  const int highest = HighestTypeForMode(settings.Mode);
  for (int64_t measure = fromTick / measureTicks * measureTicks; measure < toTick; measure += measureTicks) {
    for (int64_t start = measure; start < measure + measureTicks; start += windowTicks) {
      const int64_t end = std::min(start + windowTicks, measure + measureTicks);
      if (end <= fromTick || start >= toTick) continue;
      // A pitch class's weight is the time its notes sound in the window, together: a chord played
      // as short stabs counts as much as one held.
      std::array<int64_t, 12> weight{};
      for (const Note& note : notes) {
        const int64_t overlap = std::min(end, note.End) - std::max(start, note.Start);
        if (overlap > 0) weight[static_cast<size_t>(note.Key % 12)] += overlap;
      }
      const int64_t strongest = *std::max_element(weight.begin(), weight.end());
      if (strongest < least) continue;
      std::array<bool, 12> held{};
      for (int pc = 0; pc < 12; ++pc) {
        const int64_t w = weight[static_cast<size_t>(pc)];
        held[static_cast<size_t>(pc)] = w >= least && 4 * w >= strongest;
      }
      TimedChord chord = BestChord(held, highest);
      chord.Tick = std::max(start, fromTick);
      if (chord.Type == 0) continue;
      if (chords.empty() || chords.back().RootPitchClass != chord.RootPitchClass ||
          chords.back().Type != chord.Type)
        chords.push_back(chord);
    }
  }
  return chords;
}

int PatternNoteFor(int sounding, int type, int shift, int convertMode) {
  if (!perform::IsChordType(type)) type = perform::kMaj;
  const int target = sounding - shift;
  int result = target;
  switch (convertMode) {
    case 1:  // the root only
      break;
    case 2:  // the type only
      result = InversePattern(sounding, type, true);
      break;
    case 3:  // chord tones fully, the rest by the root
      if (IsChordTone(target, type)) result = InversePattern(target, type, true);
      break;
    case 4: {  // every note the chord can make; the others by the root
      const int exact = InversePattern(target, type, false);
      if (exact >= 0) result = exact;
      break;
    }
    case 5:  // every note; one the chord cannot make becomes the nearest one it can
      result = InversePattern(target, type, true);
      break;
    default:
      result = sounding;
      break;
  }
  return IntoRange(result < 0 ? target : result);
}

ConversionReport ConvertToBaseChord(std::span<uint8_t> stream, int32_t length, int64_t fromTick,
                                    int64_t toTick, const std::vector<TimedChord>& chords,
                                    const RootShifts& shifts, int convertMode) {
  ConversionReport report;
  length = std::clamp<int32_t>(length, 0, static_cast<int32_t>(stream.size()));
  const std::span<uint8_t> material = stream.first(static_cast<size_t>(length));
  if (convertMode <= 0 || convertMode >= kConvertModeCount) return report;

  // "All notes to C maj": one shift for the whole material, that of the root that holds longest.
  int keyShift = 0;
  if (convertMode == 6 && !chords.empty()) {
    std::array<int64_t, 12> held{};
    for (size_t i = 0; i < chords.size(); ++i) {
      const int64_t end = i + 1 < chords.size() ? chords[i + 1].Tick : std::max(toTick, chords[i].Tick + 1);
      held[static_cast<size_t>(chords[i].RootPitchClass % 12)] += end - chords[i].Tick;
    }
    keyShift = shifts[static_cast<size_t>(std::max_element(held.begin(), held.end()) - held.begin())];
  }

  std::map<int, std::deque<int>> mapped;  // per channel and key: the new note of each open note, -1 none
  size_t chord = 0;
  ForEachMessage(material, 0, length, [&](const StreamMessage& m) {
    const int channel = m.Status & 0x0F;
    const int kind = m.Status & 0xF0;
    if (channel == kDrumChannel) return;
    const int slot = channel * 128 + m.Data1;
    uint8_t& data1 = stream[static_cast<size_t>(m.Offset) + 1];
    if (IsNoteOn(m)) {
      int note = -1;
      if (m.Tick >= fromTick && m.Tick < toTick) {
        ++report.NotesSeen;
        while (chord + 1 < chords.size() && chords[chord + 1].Tick <= m.Tick) ++chord;
        const bool inForce = !chords.empty() && chords[chord].Tick <= m.Tick;
        const int root = inForce ? chords[chord].RootPitchClass % 12 : 0;
        const int type = inForce ? chords[chord].Type : perform::kMaj;
        note = convertMode == 6
                   ? IntoRange(m.Data1 - keyShift)
                   : PatternNoteFor(m.Data1, type, shifts[static_cast<size_t>(root)], convertMode);
        if (note != m.Data1) ++report.NotesConverted;
        data1 = static_cast<uint8_t>(note);
      }
      mapped[slot].push_back(note);
    } else if (IsNoteOff(m)) {
      auto& open = mapped[slot];
      if (open.empty()) return;
      if (open.front() >= 0) data1 = static_cast<uint8_t>(open.front());
      open.pop_front();
    } else if (kind == midi::kPolyPressure) {
      auto& open = mapped[slot];
      if (!open.empty() && open.front() >= 0) data1 = static_cast<uint8_t>(open.front());
    }
  });
  return report;
}

std::string DescribeChords(const std::vector<TimedChord>& chords, int measureTicks) {
  std::string text;
  for (const TimedChord& chord : chords) {
    if (!text.empty()) text += ", ";
    const int64_t measure = measureTicks > 0 ? chord.Tick / measureTicks + 1 : 1;
    const int64_t beat = measureTicks > 0 ? chord.Tick % measureTicks / kTicksPerBeat + 1 : 1;
    text += std::to_string(measure) + ":" + std::to_string(beat) + " " +
            perform::ChordName(chord.RootPitchClass, chord.Type);
  }
  return text;
}

}  // namespace kalo::styles
