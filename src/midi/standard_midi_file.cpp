#include "midi/standard_midi_file.h"

#include <smf.h>

#include <array>
#include <memory>

#include "host/file_store.h"
#include "host/scratch_file.h"
#include "midi/midi_status.h"

namespace kalo::midi {

namespace {

constexpr int kChannels = 16;
constexpr int kMinBpm = 4;
constexpr int kMaxBpm = 60'000'000;
constexpr uint8_t kMetaEvent = 0xFF;
constexpr uint8_t kSetTempo = 0x51;
constexpr int kTrackNameText = 0x03;

enum class Kind { kChannel, kSysex, kLeftOut };

struct SmfDeleter {
  void operator()(smf_t* smf) const { smf_delete(smf); }
};
using SmfPointer = std::unique_ptr<smf_t, SmfDeleter>;

std::string Where(const char* what, size_t index, int64_t tick) {
  return std::string(what) + " " + std::to_string(index + 1) + " (tick " + std::to_string(tick) + ")";
}

bool AllDataBytes(std::span<const uint8_t> bytes) {
  for (uint8_t byte : bytes) {
    if (byte >= 0x80) return false;
  }
  return true;
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
    return Kind::kSysex;
  }
  if (status == kSysexEnd) return std::nullopt;
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

// Hands `bytes` to libsmf as one event of `track` at `tick` (libsmf copies them).
bool AddEvent(smf_track_t* track, std::span<const uint8_t> bytes, int64_t tick) {
  smf_event_t* event =
      smf_event_new_from_pointer(const_cast<uint8_t*>(bytes.data()), static_cast<int>(bytes.size()));
  if (event == nullptr) return false;
  smf_track_add_event_pulses(track, event, static_cast<int>(tick));
  return true;
}

bool AddTempo(smf_track_t* track, const TempoChange& tempo) {
  const int micros = (60'000'000 + tempo.Bpm / 2) / tempo.Bpm;
  const std::array<uint8_t, 6> bytes = {kMetaEvent,
                                        kSetTempo,
                                        3,
                                        static_cast<uint8_t>(micros >> 16),
                                        static_cast<uint8_t>(micros >> 8),
                                        static_cast<uint8_t>(micros)};
  return AddEvent(track, bytes, tempo.Tick);
}

}  // namespace

std::variant<std::vector<uint8_t>, std::string> EncodeStandardMidiFile(
    std::span<const CapturedMessage> messages, std::span<const TempoChange> tempos) {
  std::vector<Kind> kinds;
  kinds.reserve(messages.size());
  std::array<bool, kChannels> channelUsed{};
  size_t sizeBound = 64;
  int64_t previous = 0;
  for (size_t i = 0; i < messages.size(); ++i) {
    const CapturedMessage& message = messages[i];
    if (auto error = CheckTick("message", i, message.Tick, previous)) return *error;
    previous = message.Tick;
    const std::optional<Kind> kind = Classify(message.Bytes);
    if (!kind) return Where("message", i, message.Tick) + " is not a complete MIDI message";
    if (*kind == Kind::kChannel) channelUsed[message.Bytes[0] & 0x0F] = true;
    kinds.push_back(*kind);
    sizeBound += message.Bytes.size() + 12;
  }
  const std::array<TempoChange, 1> defaultTempo = {TempoChange{}};
  if (tempos.empty()) tempos = defaultTempo;
  previous = 0;
  for (size_t i = 0; i < tempos.size(); ++i) {
    if (auto error = CheckTick("tempo", i, tempos[i].Tick, previous)) return *error;
    previous = tempos[i].Tick;
    if (tempos[i].Bpm < kMinBpm || tempos[i].Bpm > kMaxBpm) {
      return Where("tempo", i, tempos[i].Tick) + " of " + std::to_string(tempos[i].Bpm) + " lies outside " +
             std::to_string(kMinBpm) + ".." + std::to_string(kMaxBpm);
    }
    sizeBound += 16;
  }

  SmfPointer smf(smf_new());
  if (!smf || smf_set_format(smf.get(), 1) != 0 || smf_set_ppqn(smf.get(), kSmfTicksPerQuarter) != 0) {
    return std::string("libsmf cannot start a file");
  }
  const std::string failed = "libsmf refused an event";
  smf_track_t* conductor = smf_track_new();
  if (conductor == nullptr) return failed;
  smf_add_track(smf.get(), conductor);
  std::array<smf_track_t*, kChannels> channelTracks{};
  for (int channel = 0; channel < kChannels; ++channel) {
    if (!channelUsed[channel]) continue;
    smf_track_t* track = smf_track_new();
    if (track == nullptr) return failed;
    smf_add_track(smf.get(), track);
    channelTracks[channel] = track;
    const std::string name = "Channel " + std::to_string(channel + 1);
    smf_event_t* nameEvent = smf_event_new_textual(kTrackNameText, name.c_str());
    if (nameEvent == nullptr) return failed;
    smf_track_add_event_pulses(track, nameEvent, 0);
    sizeBound += 32;
  }

  // Events go into each track in tick order, so that libsmf appends them and keeps the order given.
  size_t nextTempo = 0;
  for (size_t i = 0; i < messages.size(); ++i) {
    const CapturedMessage& message = messages[i];
    if (kinds[i] == Kind::kLeftOut) continue;
    if (kinds[i] == Kind::kSysex) {
      for (; nextTempo < tempos.size() && tempos[nextTempo].Tick <= message.Tick; ++nextTempo) {
        if (!AddTempo(conductor, tempos[nextTempo])) return failed;
      }
      if (!AddEvent(conductor, message.Bytes, message.Tick)) return failed;
    } else if (!AddEvent(channelTracks[message.Bytes[0] & 0x0F], message.Bytes, message.Tick)) {
      return failed;
    }
  }
  for (; nextTempo < tempos.size(); ++nextTempo) {
    if (!AddTempo(conductor, tempos[nextTempo])) return failed;
  }

  // libsmf saves only to a path: save into a private scratch file and read the bytes back.
  host::ScratchFile scratch("kalo-smf-");
  if (scratch.Path().empty()) return scratch.Error();
  if (smf_save(smf.get(), scratch.Path().c_str()) != 0) return std::string("libsmf could not save the file");
  std::optional<std::vector<uint8_t>> bytes = host::ReadFilePrefix(scratch.Path(), sizeBound + 1);
  if (!bytes) return "cannot read back " + scratch.Path().string();
  if (bytes->size() > sizeBound) return std::string("libsmf wrote more than the events can take");
  return std::move(*bytes);
}

std::optional<std::string> WriteStandardMidiFile(const std::filesystem::path& path,
                                                 std::span<const CapturedMessage> messages,
                                                 std::span<const TempoChange> tempos) {
  auto encoded = EncodeStandardMidiFile(messages, tempos);
  if (auto* error = std::get_if<std::string>(&encoded)) return std::move(*error);
  return host::WriteFileSafely(path, std::get<std::vector<uint8_t>>(encoded));
}

}  // namespace kalo::midi
