#include "styles/midi_import.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <optional>
#include <tuple>
#include <utility>

#include "midi/midi_status.h"
#include "styles/style_stream.h"

namespace kalo::styles {

namespace {

constexpr int kDrumChannel = 9;
constexpr int kTicksPerQuarter = 24;
constexpr int kDefaultTempo = 120;
// Bank select values that choose a drum kit: XG's drum bank and General MIDI 2's rhythm bank.
constexpr uint8_t kXgDrumBank = 127;
constexpr uint8_t kGm2RhythmBank = 120;
constexpr uint8_t kAllSoundOff = 120;
constexpr uint8_t kResetAllControllers = 121;

struct Timed {
  int64_t Tick = 0;
  uint8_t Status = 0;
  uint8_t Data1 = 0;
  uint8_t Data2 = 0;
  int Track = 0;
  bool Dropped = false;
  bool EndsOnItsStart = false;  // a note-off of a note struck on the same tick

  uint8_t Kind() const { return Status & 0xF0; }
  int Channel() const { return Status & 0x0F; }
  bool IsNoteOn() const { return Kind() == midi::kNoteOn && Data2 > 0; }
  bool IsNoteOff() const { return Kind() == midi::kNoteOff || (Kind() == midi::kNoteOn && Data2 == 0); }
  // Order inside one tick: endings first, then set-up messages, then note starts; so a note struck
  // again on the tick its predecessor ends is not ended by that predecessor's note-off. The note-off of
  // a note that starts and ends on one tick stays among the starts, after its own note-on.
  int Class() const { return IsNoteOff() && !EndsOnItsStart ? 0 : IsNoteOn() || IsNoteOff() ? 2 : 1; }
};

int64_t RoundedDivision(int64_t numerator, int64_t denominator) {
  return (2 * numerator + denominator) / (2 * denominator);
}

std::string ToLowerText(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The metre of a time signature n/d: its measure length in quarter-note units of four, and whether it
// counts in eighth notes. nullopt when the metre list has no entry for it.
std::optional<Metre> MetreOfSignature(int numerator, int denominator, bool eighthBase) {
  if (denominator <= 0 || (16 * numerator) % denominator != 0) return std::nullopt;
  const int length = 16 * numerator / denominator;
  if (!IsValidMeasureLength(length)) return std::nullopt;
  const bool eighths = eighthBase && denominator == 8 && (length == 12 || length == 4);
  return Metre{length, eighths};
}

// The GS "use for rhythm part" message: F0 41 <dev> 42 12 40 1p 15 <map> <sum> F7, p naming the part
// (0 is part 10, 1..9 parts 1..9, A..F parts 11..16); a map other than 0 makes it a drum part.
std::optional<int> GsRhythmChannel(const std::vector<uint8_t>& sysex) {
  if (sysex.size() < 10 || sysex[1] != 0x41 || sysex[3] != 0x42 || sysex[4] != 0x12 || sysex[5] != 0x40 ||
      (sysex[6] & 0xF0) != 0x10 || sysex[7] != 0x15 || sysex[8] == 0)
    return std::nullopt;
  const int part = sysex[6] & 0x0F;
  return part == 0 ? kDrumChannel : part <= 9 ? part - 1 : part;
}

bool DrumTrackName(const std::string& name) {
  const std::string lower = ToLowerText(name);
  return lower.find("drum") != std::string::npos || lower.find("perc") != std::string::npos;
}

// Channels other than 10 that carry percussion: a drum bank selected before the channel's first note,
// a GS rhythm-part message, or notes from a track named for drums or percussion.
std::array<bool, 16> PercussionChannels(const std::vector<Timed>& events, const midi::SmfFileData& content) {
  std::array<bool, 16> drums{};
  std::array<bool, 16> noteSeen{};
  std::vector<bool> drumTrack(static_cast<size_t>(content.TrackCount) + 1, false);
  for (const midi::SmfText& text : content.Texts)
    if (text.Kind == 0x03 && text.Track >= 1 && text.Track <= content.TrackCount && DrumTrackName(text.Text))
      drumTrack[static_cast<size_t>(text.Track)] = true;
  for (const midi::SmfSysex& sysex : content.Sysex)
    if (auto channel = GsRhythmChannel(sysex.Bytes)) drums[static_cast<size_t>(*channel)] = true;
  for (const Timed& e : events) {
    const auto c = static_cast<size_t>(e.Channel());
    if (e.IsNoteOn()) {
      noteSeen[c] = true;
      if (drumTrack[static_cast<size_t>(e.Track)]) drums[c] = true;
    } else if (e.Kind() == midi::kControlChange && e.Data1 == 0 && !noteSeen[c] &&
               (e.Data2 == kXgDrumBank || e.Data2 == kGm2RhythmBank)) {
      drums[c] = true;
    }
  }
  drums[kDrumChannel] = false;
  return drums;
}

void MovePercussion(std::vector<Timed>& events, const midi::SmfFileData& content, ImportedMaterial& out) {
  const std::array<bool, 16> drums = PercussionChannels(events, content);
  for (int c = 0; c < 16; ++c)
    if (drums[static_cast<size_t>(c)]) out.MovedChannels.push_back(c + 1);
  for (Timed& e : events) {
    if (!drums[static_cast<size_t>(e.Channel())]) continue;
    // The kit of channel 10 stays: bank and program changes of a moved channel are left out.
    const bool kitChange = e.Kind() == midi::kProgramChange ||
                           (e.Kind() == midi::kControlChange && (e.Data1 == 0 || e.Data1 == 32));
    if (kitChange) e.Dropped = true;
    e.Status = static_cast<uint8_t>(e.Kind() | kDrumChannel);
  }
}

void KeepStandardPercussion(std::vector<Timed>& events, ImportedMaterial& out) {
  for (Timed& e : events) {
    const bool note =
        e.Kind() == midi::kNoteOn || e.Kind() == midi::kNoteOff || e.Kind() == midi::kPolyPressure;
    if (e.Channel() != kDrumChannel || !note) continue;
    if (e.Data1 >= kLowestStandardPercussion && e.Data1 <= kHighestStandardPercussion) continue;
    e.Dropped = true;
    if (e.IsNoteOn()) ++out.DroppedPercussion;
  }
}

// How far a note start lies off the nearest point of the sixteenth (6 ticks) or eighth-triplet
// (8 ticks) grid, the sixteenth winning a tie; 0 when it lies further off than the tolerance.
int64_t GridCorrection(int64_t tick) {
  int64_t best = 0;
  int64_t bestDistance = kTimingTolerance + 1;
  for (int grid : {6, 8}) {
    const int64_t point = RoundedDivision(tick, grid) * grid;
    const int64_t distance = point > tick ? point - tick : tick - point;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = point - tick;
    }
  }
  return best;
}

// Moves note starts that lie a tick off the grid onto it, and each note's end by as much (a note keeps
// its length; an end is never moved onto or before its start).
void OptimizeTiming(std::vector<Timed>& events, ImportedMaterial& out) {
  std::array<std::array<std::vector<size_t>, 128>, 16> open{};
  for (size_t i = 0; i < events.size(); ++i) {
    Timed& e = events[i];
    if (e.Dropped) continue;
    auto& starts = open[static_cast<size_t>(e.Channel())][e.Data1];
    if (e.IsNoteOn()) {
      starts.push_back(i);
    } else if (e.IsNoteOff() && !starts.empty()) {
      Timed& start = events[starts.front()];
      starts.erase(starts.begin());
      const int64_t correction = GridCorrection(start.Tick);
      if (correction == 0 || start.Tick + correction < 0) continue;
      start.Tick += correction;
      e.Tick = std::max(e.Tick + correction, start.Tick + 1);
      ++out.MovedNotes;
    }
  }
}

// Controllers 120 to 127 end every note of their channel (all sound off, all notes off and the mode
// messages that imply it). They are not material, so the notes they end get note-offs of their own
// there (the note's own note-off after it is left out); a note would otherwise sound on to its part's
// end. A note struck on the same tick keeps sounding: its note-off would be sorted before it.
void EndNotesAtChannelModeMessages(std::vector<Timed>& events) {
  constexpr int64_t kSilent = -1;
  constexpr int64_t kEndedByMode = -2;
  std::array<std::array<int64_t, 128>, 16> soundingSince{};
  for (auto& channel : soundingSince) channel.fill(kSilent);
  std::vector<Timed> result;
  result.reserve(events.size());
  for (const Timed& e : events) {
    auto& sounding = soundingSince[static_cast<size_t>(e.Channel())];
    if (e.IsNoteOn()) {
      sounding[e.Data1] = e.Tick;
    } else if (e.IsNoteOff()) {
      const bool ended = sounding[e.Data1] == kEndedByMode;
      sounding[e.Data1] = kSilent;
      if (ended) continue;
    }
    result.push_back(e);
    if (e.Kind() != midi::kControlChange || e.Data1 < kAllSoundOff) continue;
    for (uint8_t key = 0; key < 128; ++key) {
      if (sounding[key] < 0 || sounding[key] == e.Tick) continue;
      result.push_back({e.Tick, static_cast<uint8_t>(midi::kNoteOn | e.Channel()), key, 0, e.Track});
      sounding[key] = kEndedByMode;
    }
  }
  events = std::move(result);
}

// Marks the note-offs that end a note struck on their own tick (notes paired first in, first out), so
// that sorting the tick does not put them before their note-on and leave the note sounding.
void MarkNotesEndingOnTheirStart(std::vector<Timed>& events) {
  std::array<std::array<std::vector<int64_t>, 128>, 16> starts{};
  for (Timed& e : events) {
    auto& open = starts[static_cast<size_t>(e.Channel())][e.Data1];
    if (e.IsNoteOn()) {
      open.push_back(e.Tick);
    } else if (e.IsNoteOff() && !open.empty()) {
      e.EndsOnItsStart = open.front() == e.Tick;
      open.erase(open.begin());
    }
  }
}

// A channel's set-up is the sound it has at its first note: before it, a later value replaces an
// earlier one (players send their reset values first); after it, only entries still unset are taken.
// True when the message is a set-up entry.
bool TakeSetupValue(TStyleHeader& header, const Timed& e, bool beforeFirstNote) {
  auto& values = header.Channels[static_cast<size_t>(e.Channel())].Values;
  size_t entry = 0;
  uint8_t value = e.Data2;
  if (e.Kind() == midi::kControlChange && IsStoredController(e.Data1)) {
    entry = e.Data1;
  } else if (e.Kind() == midi::kProgramChange) {
    entry = kProgramEntry;
    value = e.Data1;
  } else if (e.Kind() == midi::kChannelPressure) {
    entry = kPressureEntry;
    value = e.Data1;
  } else {
    return false;
  }
  if (beforeFirstNote || values[entry] == kNotSet) values[entry] = value;
  return true;
}

// A message that only restates the reset state: a pedal or modulation at 0, the pitch bend centred.
bool RestatesReset(const Timed& e) {
  if (e.Kind() == midi::kPitchBend) return e.Data1 == 0 && e.Data2 == 64;
  return e.Kind() == midi::kControlChange && e.Data2 == 0 &&
         (e.Data1 == 1 || e.Data1 == 64 || e.Data1 == 66 || e.Data1 == 67);
}

}  // namespace

std::variant<ImportedMaterial, std::string> ImportMidiMaterial(const midi::SmfFileData& content,
                                                               const ImportOptions& options,
                                                               const Metre& current) {
  ImportedMaterial out;
  const bool smpte = content.PulsesPerQuarter <= 0;
  auto toTick = [&](int64_t pulse) -> int64_t {
    if (smpte)
      return static_cast<int64_t>(std::llround(static_cast<double>(pulse) * 48.0 / content.PulsesPerSecond));
    return RoundedDivision(pulse * kTicksPerQuarter, content.PulsesPerQuarter);
  };

  out.MaterialMetre = current;
  if (!options.DontGetMetrum && !content.TimeSignatures.empty()) {
    const midi::SmfTimeSignature& first = content.TimeSignatures.front();
    if (auto metre = MetreOfSignature(first.Numerator, first.Denominator, options.EighthBase)) {
      out.MaterialMetre = *metre;
    } else {
      out.MetreNote = "the metre list has no " + std::to_string(first.Numerator) + "/" +
                      std::to_string(first.Denominator) + "; the current metre stays";
    }
  }
  int tempo = kDefaultTempo;
  if (!smpte && !content.Tempi.empty())
    tempo = static_cast<int>(std::lround(60'000'000.0 / content.Tempi.front().MicrosPerQuarter));
  tempo = std::clamp(tempo, kLowestDetectedTempo, kHighestDetectedTempo);

  std::vector<Timed> events;
  events.reserve(content.Events.size());
  for (const midi::SmfChannelEvent& e : content.Events) {
    events.push_back({toTick(e.Pulse), e.Status, e.Data1, e.Data2, e.Track});
  }
  EndNotesAtChannelModeMessages(events);
  if (options.MovePercussion) MovePercussion(events, content, out);
  if (options.StandardPercussionOnly) KeepStandardPercussion(events, out);
  if (options.OptimizeTiming) OptimizeTiming(events, out);
  std::erase_if(events, [](const Timed& e) { return e.Dropped; });
  MarkNotesEndingOnTheirStart(events);
  std::stable_sort(events.begin(), events.end(), [](const Timed& a, const Timed& b) {
    return std::tuple(a.Tick, a.Class(), a.Channel()) < std::tuple(b.Tick, b.Class(), b.Channel());
  });

  const int64_t measureTicks = TicksPerMeasure(out.MaterialMetre.MeasureLength);
  int64_t endTick = toTick(content.EndPulse);
  if (!events.empty()) endTick = std::max(endTick, events.back().Tick + 1);
  const int64_t measures = std::max<int64_t>(1, (endTick + measureTicks - 1) / measureTicks);
  const int64_t materialTicks = measures * measureTicks;
  // A delay byte holds at most 8 ticks and every message takes 3 bytes.
  const int64_t leastBytes = materialTicks / 8 + 3 * static_cast<int64_t>(events.size());
  const std::string tooLarge = " bytes of style event stream; a style keeps at most " +
                               std::to_string(kStreamCapacity) + " (fewer measures or fewer tracks fit)";
  if (leastBytes > kStreamCapacity)
    return "the material needs at least " + std::to_string(leastBytes) + tooLarge;

  const int beatTicks = out.MaterialMetre.EighthNotes ? 12 : kTicksPerQuarter;
  TStyleHeader& header = out.Header;
  std::vector<uint8_t>& stream = out.Stream;
  int64_t time = 0;
  for (const Timed& e : events) {
    // Before a channel's first note its set-up messages go into the set-up, which the player sends
    // when the style starts, and what only restates the reset state is left out; a reset of all
    // controllers there starts the set-up afresh (what came before it was the sender's housekeeping).
    // Channel mode messages (sound off, reset, notes off, ...) are the player's own business.
    const bool beforeFirstNote = header.ChannelUsed[static_cast<size_t>(e.Channel())] == 0;
    if (e.Kind() == midi::kControlChange && e.Data1 >= 120) {
      if (e.Data1 == kResetAllControllers && beforeFirstNote)
        header.Channels[static_cast<size_t>(e.Channel())] = TChannelSetup{};
      continue;
    }
    if ((TakeSetupValue(header, e, beforeFirstNote) || RestatesReset(e)) && beforeFirstNote) continue;
    AppendDelays(stream, time, e.Tick, beatTicks);
    time = e.Tick;
    stream.insert(stream.end(), {e.Status, e.Data1, e.Data2});
    if (e.IsNoteOn()) header.ChannelUsed[static_cast<size_t>(e.Channel())] = 1;
  }
  AppendDelays(stream, time, materialTicks, beatTicks);
  if (stream.size() > static_cast<size_t>(kStreamCapacity))
    return "the material needs " + std::to_string(stream.size()) + tooLarge;

  header.Tempo = static_cast<int16_t>(tempo);
  header.MeasureLength = StoredMeasureLength(out.MaterialMetre);
  out.Measures = static_cast<int>(measures);
  out.EndPosition =
      static_cast<int16_t>(std::min<int64_t>(measures * out.MaterialMetre.MeasureLength + 4, 32767));
  for (const midi::SmfText& text : content.Texts)
    if (text.Kind == 0x06) out.Markers.push_back({toTick(text.Pulse), text.Text});
  return out;
}

std::variant<ImportedMaterial, std::string> ImportMidiFile(std::span<const uint8_t> bytes,
                                                           const ImportOptions& options,
                                                           const Metre& current) {
  auto content = midi::ReadStandardMidiFile(bytes);
  if (auto* error = std::get_if<std::string>(&content)) return std::move(*error);
  return ImportMidiMaterial(std::get<midi::SmfFileData>(content), options, current);
}

}  // namespace kalo::styles
