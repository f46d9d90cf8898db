#include "midi/standard_midi_file.h"

#include <algorithm>

#include "host/file_store.h"
#include "midi/midi_status.h"
#include "midi/reset_messages.h"

namespace kalo::midi {

namespace {

constexpr int kChannels = 16;
constexpr int kKeys = 128;
constexpr int kMinBpm = 4;
constexpr int kMaxBpm = 60'000'000;
constexpr int kMaxNumerator = 255;
constexpr uint8_t kMetaEvent = 0xFF;
constexpr uint8_t kTrackName = 0x03;
constexpr uint8_t kEndOfTrack = 0x2F;
constexpr uint8_t kSetTempo = 0x51;
constexpr uint8_t kTimeSignature = 0x58;
constexpr uint8_t kSystemReset = 0xFF;
constexpr uint8_t kCtlAllSoundOff = 120;
// Controllers 123 (all notes off) to 127 (poly mode on) all end the notes of their channel.
constexpr uint8_t kFirstNotesOffController = kCtlAllNotesOff;

enum class Kind { kChannel, kSysex, kReset, kLeftOut };

std::string Where(const char* what, size_t index, int64_t tick) {
  return std::string(what) + " " + std::to_string(index + 1) + " (tick " + std::to_string(tick) + ")";
}

bool AllDataBytes(std::span<const uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](uint8_t byte) { return byte < 0x80; });
}

template <size_t N>
bool Is(const std::vector<uint8_t>& bytes, const std::array<uint8_t, N>& message) {
  return std::equal(bytes.begin(), bytes.end(), message.begin(), message.end());
}

// What the message is, or nullopt when it is no complete MIDI message.
std::optional<Kind> Classify(const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return std::nullopt;
  const uint8_t status = bytes[0];
  if (status < 0x80) return std::nullopt;
  if (status < kSysexStatus) {
    const uint8_t kind = status & 0xF0;
    const size_t length = (kind == kProgramChange || kind == kChannelPressure) ? 2 : 3;
    if (bytes.size() != length || !AllDataBytes(std::span(bytes).subspan(1))) return std::nullopt;
    return Kind::kChannel;
  }
  if (status == kSysexStatus) {
    if (bytes.size() < 2 || bytes.back() != kSysexEnd) return std::nullopt;
    if (!AllDataBytes(std::span(bytes).subspan(1, bytes.size() - 2))) return std::nullopt;
    if (Is(bytes, kGmReset) || Is(bytes, kGsReset) || Is(bytes, kXgReset)) return Kind::kReset;
    return Kind::kSysex;
  }
  if (status == kSysexEnd) return std::nullopt;
  if (status == kSystemReset && bytes.size() == 1) return Kind::kReset;
  return Kind::kLeftOut;
}

std::optional<std::string> CheckTick(const char* what, size_t index, int64_t tick, int64_t previous) {
  if (tick < 0 || tick > kMaxSmfTick) {
    return Where(what, index, tick) + " lies outside 0.." + std::to_string(kMaxSmfTick);
  }
  if (tick < previous) {
    return Where(what, index, tick) + " comes before tick " + std::to_string(previous) + " of the one before";
  }
  return std::nullopt;
}

std::optional<std::string> CheckLists(const SmfContent& content, std::vector<Kind>& kinds) {
  int64_t previous = 0;
  kinds.reserve(content.Messages.size());
  for (size_t i = 0; i < content.Messages.size(); ++i) {
    const CapturedMessage& message = content.Messages[i];
    if (auto error = CheckTick("message", i, message.Tick, previous)) return error;
    previous = message.Tick;
    const std::optional<Kind> kind = Classify(message.Bytes);
    if (!kind) return Where("message", i, message.Tick) + " is not a complete MIDI message";
    kinds.push_back(*kind);
  }
  previous = 0;
  for (size_t i = 0; i < content.Tempos.size(); ++i) {
    const TempoChange& tempo = content.Tempos[i];
    if (auto error = CheckTick("tempo", i, tempo.Tick, previous)) return error;
    previous = tempo.Tick;
    if (tempo.Bpm < kMinBpm || tempo.Bpm > kMaxBpm) {
      return Where("tempo", i, tempo.Tick) + " of " + std::to_string(tempo.Bpm) + " lies outside " +
             std::to_string(kMinBpm) + ".." + std::to_string(kMaxBpm);
    }
  }
  previous = 0;
  for (size_t i = 0; i < content.TimeSignatures.size(); ++i) {
    const TimeSignatureChange& signature = content.TimeSignatures[i];
    if (auto error = CheckTick("time signature", i, signature.Tick, previous)) return error;
    previous = signature.Tick;
    if (signature.Numerator < 1 || signature.Numerator > kMaxNumerator ||
        (signature.Denominator != 4 && signature.Denominator != 8)) {
      return Where("time signature", i, signature.Tick) + " " + std::to_string(signature.Numerator) + "/" +
             std::to_string(signature.Denominator) + " is not 1..255 quarter or eighth notes";
    }
  }
  return std::nullopt;
}

// One event of a track: a channel message held in place, or (in the conductor) any event's bytes.
struct ChannelEvent {
  int64_t Tick = 0;
  std::array<uint8_t, 3> Bytes{};
  uint8_t Length = 0;
  bool Dropped = false;
};

struct ConductorEvent {
  int64_t Tick = 0;
  int Rank = 0;  // at one tick: time signatures, then tempos, then messages
  std::vector<uint8_t> Bytes;
};

// The channel tracks as a synthesizer hears the messages: each note ended where its sound ended.
class ChannelTracks {
 public:
  ChannelTracks() {
    for (auto& keys : sounding_) keys.fill(kSilent);
  }

  void Add(const CapturedMessage& message) {
    const std::vector<uint8_t>& b = message.Bytes;
    const int channel = b[0] & 0x0F;
    const uint8_t kind = b[0] & 0xF0;
    used_[static_cast<size_t>(channel)] = true;
    if (kind == kNoteOn && b[2] > 0) {
      End(channel, b[1], message.Tick);
      sounding_[static_cast<size_t>(channel)][b[1]] = static_cast<int64_t>(Track(channel).size());
    } else if (kind == kNoteOff || kind == kNoteOn) {
      // The note-off itself ends the note; one that finds no note sounding is left out.
      End(channel, b[1], message.Tick, &b);
      return;
    } else if (kind == kControlChange && (b[1] == kCtlAllSoundOff || b[1] >= kFirstNotesOffController)) {
      EndAll(channel, message.Tick);
    }
    Push(channel, message.Tick, b);
  }

  void Reset(int64_t tick) {
    for (int channel = 0; channel < kChannels; ++channel) EndAll(channel, tick);
  }

  // Ends every note still sounding at `end`, or a tick after its start; returns the last tick used.
  int64_t Close(int64_t end) {
    int64_t last = end;
    for (const bool late : {false, true}) {
      for (int channel = 0; channel < kChannels; ++channel) {
        for (int key = 0; key < kKeys; ++key) {
          const int64_t on = sounding_[static_cast<size_t>(channel)][static_cast<size_t>(key)];
          if (on == kSilent) continue;
          const int64_t start = Track(channel)[static_cast<size_t>(on)].Tick;
          if ((start >= end) != late) continue;
          last = std::max(last, start + 1);
          End(channel, key, std::max(end, start + 1));
        }
      }
    }
    return last;
  }

  bool Used(int channel) const { return used_[static_cast<size_t>(channel)]; }
  const std::vector<ChannelEvent>& Events(int channel) const { return tracks_[static_cast<size_t>(channel)]; }

 private:
  static constexpr int64_t kSilent = -1;

  std::vector<ChannelEvent>& Track(int channel) { return tracks_[static_cast<size_t>(channel)]; }

  void Push(int channel, int64_t tick, const std::vector<uint8_t>& bytes) {
    ChannelEvent event{tick, {}, static_cast<uint8_t>(bytes.size()), false};
    std::copy(bytes.begin(), bytes.end(), event.Bytes.begin());
    Track(channel).push_back(event);
  }

  // Ends the note of `key`, if one sounds, at `tick` with `noteOff` (a note-off of its own when null),
  // or drops it when it began at `tick`.
  void End(int channel, int key, int64_t tick, const std::vector<uint8_t>* noteOff = nullptr) {
    int64_t& on = sounding_[static_cast<size_t>(channel)][static_cast<size_t>(key)];
    if (on == kSilent) return;
    ChannelEvent& start = Track(channel)[static_cast<size_t>(on)];
    on = kSilent;
    if (start.Tick == tick) {
      start.Dropped = true;
    } else if (noteOff != nullptr) {
      Push(channel, tick, *noteOff);
    } else {
      Push(channel, tick, {static_cast<uint8_t>(kNoteOff | channel), static_cast<uint8_t>(key), 0});
    }
  }

  void EndAll(int channel, int64_t tick) {
    for (int key = 0; key < kKeys; ++key) End(channel, key, tick);
  }

  std::array<std::vector<ChannelEvent>, kChannels> tracks_;
  std::array<std::array<int64_t, kKeys>, kChannels> sounding_{};
  std::array<bool, kChannels> used_{};
};

// Appends Standard MIDI File chunks.
class SmfBytes {
 public:
  void Header(int tracks) {
    Text("MThd");
    Be(6, 4);
    Be(1, 2);  // format 1
    Be(static_cast<uint32_t>(tracks), 2);
    Be(kSmfTicksPerQuarter, 2);
  }
  void BeginTrack() {
    Text("MTrk");
    lengthAt_ = bytes_.size();
    Be(0, 4);
    last_ = 0;
  }
  void Event(int64_t tick, std::span<const uint8_t> bytes) {
    Delta(tick);
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  }
  void Sysex(int64_t tick, std::span<const uint8_t> bytes) {
    Delta(tick);
    bytes_.push_back(kSysexStatus);
    Quantity(bytes.size() - 1);
    bytes_.insert(bytes_.end(), bytes.begin() + 1, bytes.end());
  }
  void Meta(int64_t tick, uint8_t type, std::span<const uint8_t> data) {
    Delta(tick);
    bytes_.insert(bytes_.end(), {kMetaEvent, type});
    Quantity(data.size());
    bytes_.insert(bytes_.end(), data.begin(), data.end());
  }
  // Ends the track at `tick`; false when the track is too long for its 32-bit length.
  bool EndTrack(int64_t tick) {
    Meta(std::max(tick, last_), kEndOfTrack, {});
    const size_t length = bytes_.size() - lengthAt_ - 4;
    if (length > UINT32_MAX) return false;
    for (int i = 0; i < 4; ++i)
      bytes_[lengthAt_ + static_cast<size_t>(i)] = static_cast<uint8_t>(length >> (24 - 8 * i));
    return true;
  }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  // Byte by byte: GCC's overflow check misreads a four-byte range insert into an empty vector.
  void Text(const char* text) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(text[i]));
  }
  void Be(uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  // A variable-length quantity: seven bits a byte, the most significant first.
  void Quantity(uint64_t value) {
    uint8_t groups[10];
    int count = 0;
    do {
      groups[count++] = static_cast<uint8_t>(value & 0x7F);
      value >>= 7;
    } while (value != 0);
    while (count > 1) bytes_.push_back(static_cast<uint8_t>(groups[--count] | 0x80));
    bytes_.push_back(groups[0]);
  }
  void Delta(int64_t tick) {
    Quantity(static_cast<uint64_t>(tick - last_));
    last_ = tick;
  }

  std::vector<uint8_t> bytes_;
  size_t lengthAt_ = 0;
  int64_t last_ = 0;
};

std::vector<uint8_t> TempoBytes(int bpm) {
  const int micros = (60'000'000 + bpm / 2) / bpm;
  return {static_cast<uint8_t>(micros >> 16), static_cast<uint8_t>(micros >> 8),
          static_cast<uint8_t>(micros)};
}

std::vector<uint8_t> TimeSignatureBytes(const TimeSignatureChange& signature) {
  // Denominator as a power of two; the click on every beat (24 clocks a quarter note); 8 32nds a quarter.
  const bool eighths = signature.Denominator == 8;
  return {static_cast<uint8_t>(signature.Numerator), static_cast<uint8_t>(eighths ? 3 : 2),
          static_cast<uint8_t>(eighths ? 12 : 24), 8};
}

}  // namespace

std::variant<std::vector<uint8_t>, std::string> EncodeStandardMidiFile(const SmfContent& content) {
  std::vector<Kind> kinds;
  if (auto error = CheckLists(content, kinds)) return *error;

  std::vector<ConductorEvent> conductor;
  const TimeSignatureChange defaultSignature;
  for (const TimeSignatureChange& signature :
       content.TimeSignatures.empty() ? std::span(&defaultSignature, 1) : content.TimeSignatures)
    conductor.push_back({signature.Tick, 0, TimeSignatureBytes(signature)});
  const TempoChange defaultTempo;
  for (const TempoChange& tempo : content.Tempos.empty() ? std::span(&defaultTempo, 1) : content.Tempos)
    conductor.push_back({tempo.Tick, 1, TempoBytes(tempo.Bpm)});

  ChannelTracks channels;
  int64_t last = 0;
  for (size_t i = 0; i < content.Messages.size(); ++i) {
    const CapturedMessage& message = content.Messages[i];
    last = message.Tick;
    switch (kinds[i]) {
      case Kind::kChannel:
        channels.Add(message);
        break;
      case Kind::kReset:
        channels.Reset(message.Tick);
        if (message.Bytes[0] == kSysexStatus) conductor.push_back({message.Tick, 2, message.Bytes});
        break;
      case Kind::kSysex:
        conductor.push_back({message.Tick, 2, message.Bytes});
        break;
      case Kind::kLeftOut:
        break;
    }
  }
  const int64_t end = channels.Close(std::max(content.EndTick, last));
  std::stable_sort(conductor.begin(), conductor.end(), [](const ConductorEvent& a, const ConductorEvent& b) {
    return a.Tick != b.Tick ? a.Tick < b.Tick : a.Rank < b.Rank;
  });

  int tracks = 1;
  for (int channel = 0; channel < kChannels; ++channel) tracks += channels.Used(channel) ? 1 : 0;
  SmfBytes file;
  file.Header(tracks);
  file.BeginTrack();
  for (const ConductorEvent& event : conductor) {
    if (event.Rank == 0) file.Meta(event.Tick, kTimeSignature, event.Bytes);
    if (event.Rank == 1) file.Meta(event.Tick, kSetTempo, event.Bytes);
    if (event.Rank == 2) file.Sysex(event.Tick, event.Bytes);
  }
  const std::string tooLong = "a track of the file would pass 4 GiB";
  if (!file.EndTrack(end)) return tooLong;
  for (int channel = 0; channel < kChannels; ++channel) {
    if (!channels.Used(channel)) continue;
    file.BeginTrack();
    const std::string& given = content.TrackNames[static_cast<size_t>(channel)];
    const std::string name = given.empty() ? "Channel " + std::to_string(channel + 1) : given;
    file.Meta(0, kTrackName, std::span(reinterpret_cast<const uint8_t*>(name.data()), name.size()));
    for (const ChannelEvent& event : channels.Events(channel)) {
      if (!event.Dropped) file.Event(event.Tick, std::span(event.Bytes.data(), event.Length));
    }
    if (!file.EndTrack(end)) return tooLong;
  }
  return file.Take();
}

std::optional<std::string> WriteStandardMidiFile(const std::filesystem::path& path,
                                                 const SmfContent& content) {
  auto encoded = EncodeStandardMidiFile(content);
  if (auto* error = std::get_if<std::string>(&encoded)) return std::move(*error);
  return host::WriteFileSafely(path, std::get<std::vector<uint8_t>>(encoded));
}

}  // namespace kalo::midi
