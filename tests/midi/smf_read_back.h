#pragma once
// Standard MIDI Files read back with libsmf, so that checks of a file do not share the writer's code.

#include <smf.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kalo::midi::testing {

struct SmfEvent {
  int Track = 0;  // 1-based
  int64_t Tick = 0;
  std::vector<uint8_t> Bytes;
};

struct SmfReadBack {
  bool Loaded = false;
  int Format = -1;
  int Ppqn = -1;
  std::vector<std::string> TrackNames;  // by track, "" where none
  std::vector<SmfEvent> Events;         // track by track, end-of-track events left out
};

inline SmfReadBack ReadSmf(const std::vector<uint8_t>& bytes) {
  SmfReadBack result;
  std::unique_ptr<smf_t, void (*)(smf_t*)> smf(
      smf_load_from_memory(bytes.data(), static_cast<int>(bytes.size())), smf_delete);
  if (!smf) return result;
  result.Loaded = true;
  result.Format = smf->format;
  result.Ppqn = smf->ppqn;
  for (int t = 1; t <= smf->number_of_tracks; ++t) {
    smf_track_t* track = smf_get_track_by_number(smf.get(), t);
    result.TrackNames.emplace_back();
    for (int e = 1; e <= track->number_of_events; ++e) {
      smf_event_t* event = smf_track_get_event_by_number(track, e);
      if (smf_event_is_eot(event)) continue;
      const uint8_t* data = event->midi_buffer;
      const auto length = static_cast<size_t>(event->midi_buffer_length);
      if (length > 3 && data[0] == 0xFF && data[1] == 0x03) {
        result.TrackNames.back() = std::string(data + 3, data + length);
        continue;
      }
      result.Events.push_back({t, event->time_pulses, std::vector<uint8_t>(data, data + length)});
    }
  }
  return result;
}

// What is wrong with the notes of a file, a line each: a key struck again or never ended, a note-off
// with no note sounding, a note lasting zero ticks. Empty when every note-on is followed by its note-off
// in its track.
inline std::string NotePairingProblems(const SmfReadBack& file) {
  std::string problems;
  std::map<std::pair<int, int>, int64_t> sounding;  // (track, channel x 128 + key): the note-on's tick
  for (const SmfEvent& e : file.Events) {
    if (e.Bytes.size() != 3 || (e.Bytes[0] & 0xE0) != 0x80) continue;
    const auto key = std::make_pair(e.Track, (e.Bytes[0] & 0x0F) * 128 + e.Bytes[1]);
    const std::string where = "track " + std::to_string(e.Track) + " tick " + std::to_string(e.Tick) +
                              " key " + std::to_string(e.Bytes[1]) + ": ";
    const auto found = sounding.find(key);
    const bool on = (e.Bytes[0] & 0xF0) == 0x90 && e.Bytes[2] > 0;
    if (found != sounding.end() && (on || found->second == e.Tick))
      problems += where + (on ? "struck again without a note-off\n" : "a note of zero length\n");
    if (found == sounding.end() && !on) problems += where + "a note-off with no note sounding\n";
    if (on) sounding[key] = e.Tick;
    if (!on && found != sounding.end()) sounding.erase(found);
  }
  for (const auto& [key, tick] : sounding)
    problems += "track " + std::to_string(key.first) + " tick " + std::to_string(tick) + ": never ends\n";
  return problems;
}

}  // namespace kalo::midi::testing
