#include "midi/standard_midi_file_reader.h"

#include <glib.h>
#include <smf.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>

#include "midi/midi_status.h"

namespace kalo::midi {

namespace {

constexpr size_t kChunkHeaderBytes = 8;
constexpr size_t kFileHeaderBytes = 6;
// An End of Track with a zero delta, closing every track handed to libsmf (libsmf stops at the first
// End of Track, so one the track already has wins).
constexpr std::array<uint8_t, 4> kEndOfTrack = {0x00, 0xFF, 0x2F, 0x00};
// libsmf refuses SMPTE division; the pulses are handed over under this stand-in division and turned
// into time with the file's own frames per second.
constexpr int kStandInDivision = 96;
constexpr uint8_t kMetaEvent = 0xFF;
constexpr uint8_t kMetaTempo = 0x51;
constexpr uint8_t kMetaTimeSignature = 0x58;
constexpr uint8_t kMetaEndOfTrack = 0x2F;

// libsmf reports through GLib's log under its domain "libsmf". While a file is loaded on a thread, its
// reports are collected there; any other report keeps GLib's default handling.
thread_local std::vector<std::string>* tLibsmfReports = nullptr;

void OnLibsmfReport(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer data) {
  if (tLibsmfReports != nullptr) {
    tLibsmfReports->emplace_back(message != nullptr ? message : "");
    return;
  }
  g_log_default_handler(domain, level, message, data);
}

class LibsmfReports {
 public:
  LibsmfReports() {
    static std::once_flag installed;
    std::call_once(installed, [] {
      g_log_set_handler(
          "libsmf", static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION),
          OnLibsmfReport, nullptr);
    });
    tLibsmfReports = &reports_;
  }
  ~LibsmfReports() { tLibsmfReports = nullptr; }
  LibsmfReports(const LibsmfReports&) = delete;
  LibsmfReports& operator=(const LibsmfReports&) = delete;
  const std::vector<std::string>& All() const { return reports_; }

 private:
  std::vector<std::string> reports_;
};

// libsmf deletes a track's events one by one, each removal searching and renumbering the rest of the
// track: quadratic, seconds for a file of a megabyte. The events are detached from their tracks first
// (as events that belong to no track are), which makes each deletion a plain free.
struct SmfDeleter {
  void operator()(smf_t* smf) const {
    for (guint t = 0; smf->tracks_array != nullptr && t < smf->tracks_array->len; ++t) {
      auto* track = static_cast<smf_track_t*>(g_ptr_array_index(smf->tracks_array, t));
      if (track == nullptr || track->events_array == nullptr) continue;
      for (guint e = 0; e < track->events_array->len; ++e) {
        auto* event = static_cast<smf_event_t*>(g_ptr_array_index(track->events_array, e));
        event->track = nullptr;
        smf_event_delete(event);
      }
      g_ptr_array_set_size(track->events_array, 0);
      track->number_of_events = 0;
    }
    smf_delete(smf);
  }
};

uint32_t BigEndian32(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<uint32_t>(bytes[at]) << 24 | static_cast<uint32_t>(bytes[at + 1]) << 16 |
         static_cast<uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}
uint16_t BigEndian16(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}
void PutBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}
void PutBigEndian16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

struct CheckedFile {
  int Format = 0;
  int DeclaredTracks = 0;
  uint16_t Division = 0;
  std::vector<std::span<const uint8_t>> Tracks;
};

// Walks a track's events up to its End of Track the way libsmf reads them, before libsmf sees them.
// libsmf aborts the program on an escaped event (F7 as a status) instead of reporting it, so such a
// track is refused here; so is anything where the walk could part ways with libsmf's reading (a system
// message, which a file does not keep, running status with no channel status before it, a delta time
// longer than four bytes, an event cut short), so that libsmf never reaches an F7 this walk missed.
std::optional<std::string> CheckEvents(std::span<const uint8_t> track, int number) {
  const std::string where = "the file is damaged: track " + std::to_string(number);
  size_t at = 0;
  uint8_t running = 0;
  auto quantity = [&](uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
      if (at >= track.size()) return false;
      const uint8_t byte = track[at++];
      value = (value << 7) | (byte & 0x7F);
      if ((byte & 0x80) == 0) return true;
    }
    return false;
  };
  while (at < track.size()) {
    uint32_t value = 0;
    if (!quantity(value)) return where + " holds a delta time that is cut short or longer than four bytes";
    if (at >= track.size()) return where + " ends after a delta time";
    const uint8_t first = track[at];
    if (first == 0xFF || first == 0xF0) {
      ++at;
      if (first == 0xFF && at++ >= track.size()) return where + " ends inside a meta event";
      const uint8_t type = first == 0xFF ? track[at - 1] : 0;
      if (!quantity(value) || value > track.size() - at)
        return where + " holds a meta or system-exclusive event longer than the track";
      at += value;
      running = 0;
      if (first == 0xFF && type == 0x2F) return std::nullopt;  // End of Track: libsmf reads no further
      continue;
    }
    if (first == 0xF7) return where + " holds an escaped (F7) event, which is not read";
    if (first > 0xF0) return where + " holds a system message, which a file does not keep";
    if ((first & 0x80) != 0) {
      running = first;
      ++at;
    } else if (running == 0) {
      return where + " holds running status with no channel message before it";
    }
    const size_t data = (running & 0xF0) == 0xC0 || (running & 0xF0) == 0xD0 ? 1 : 2;
    if (data > track.size() - at) return where + " ends inside a channel message";
    at += data;
  }
  return std::nullopt;
}

// The chunk structure: a header chunk, then chunks whose lengths fit the file. A few stray bytes after
// the last chunk (padding some writers add) are ignored.
std::variant<CheckedFile, std::string> CheckChunks(std::span<const uint8_t> bytes) {
  if (bytes.size() < 4 || std::memcmp(bytes.data(), "MThd", 4) != 0)
    return std::string("not a Standard MIDI File (it does not begin with \"MThd\")");
  if (bytes.size() < kChunkHeaderBytes + kFileHeaderBytes)
    return std::string("the file is cut short in its header");
  const uint32_t headerLength = BigEndian32(bytes, 4);
  if (headerLength < kFileHeaderBytes || headerLength > bytes.size() - kChunkHeaderBytes)
    return "the header chunk announces " + std::to_string(headerLength) + " bytes; it needs 6 and " +
           std::to_string(bytes.size() - kChunkHeaderBytes) + " are left";
  CheckedFile file;
  file.Format = BigEndian16(bytes, 8);
  file.DeclaredTracks = BigEndian16(bytes, 10);
  file.Division = BigEndian16(bytes, 12);
  if (file.Format > 1)
    return "format " + std::to_string(file.Format) +
           " (independent sequences) is not read; formats 0 and 1 are";
  if (file.Division == 0) return std::string("the header gives no time division");
  size_t at = kChunkHeaderBytes + headerLength;
  int chunk = 1;
  while (bytes.size() - at >= kChunkHeaderBytes) {
    const uint32_t length = BigEndian32(bytes, at + 4);
    const size_t left = bytes.size() - at - kChunkHeaderBytes;
    const bool track = std::memcmp(bytes.data() + at, "MTrk", 4) == 0;
    if (length > left) {
      if (!track && static_cast<int>(file.Tracks.size()) >= file.DeclaredTracks) break;  // trailing junk
      return "the file is cut short: chunk " + std::to_string(chunk) + " announces " +
             std::to_string(length) + " bytes and " + std::to_string(left) + " are left";
    }
    if (track) {
      if (static_cast<int>(file.Tracks.size()) >= kMaxSmfTracks)
        return "the file holds more than " + std::to_string(kMaxSmfTracks) + " tracks";
      file.Tracks.push_back(bytes.subspan(at + kChunkHeaderBytes, length));
    }
    at += kChunkHeaderBytes + length;
    ++chunk;
  }
  if (static_cast<int>(file.Tracks.size()) < file.DeclaredTracks)
    return "the file is cut short: it announces " + std::to_string(file.DeclaredTracks) +
           " tracks and holds " + std::to_string(file.Tracks.size());
  if (file.Tracks.empty()) return std::string("the file holds no track");
  for (size_t i = 0; i < file.Tracks.size(); ++i)
    if (auto error = CheckEvents(file.Tracks[i], static_cast<int>(i) + 1)) return std::move(*error);
  return file;
}

// The file as libsmf gets it: the header with the tracks found, each track ending in an End of Track.
std::vector<uint8_t> CleanCopy(const CheckedFile& file, uint16_t division) {
  size_t size = kChunkHeaderBytes + kFileHeaderBytes;
  for (const auto& track : file.Tracks) size += kChunkHeaderBytes + track.size() + kEndOfTrack.size();
  std::vector<uint8_t> out;
  out.reserve(size);
  out.insert(out.end(), {'M', 'T', 'h', 'd'});
  PutBigEndian32(out, kFileHeaderBytes);
  PutBigEndian16(out, static_cast<uint16_t>(file.Format));
  PutBigEndian16(out, static_cast<uint16_t>(file.Tracks.size()));
  PutBigEndian16(out, division);
  for (const auto& track : file.Tracks) {
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    PutBigEndian32(out, static_cast<uint32_t>(track.size() + kEndOfTrack.size()));
    out.insert(out.end(), track.begin(), track.end());
    out.insert(out.end(), kEndOfTrack.begin(), kEndOfTrack.end());
  }
  return out;
}

// The data of a meta event FF <type> <length> <data>, or nullopt when its length does not fit.
std::optional<std::span<const uint8_t>> MetaData(std::span<const uint8_t> event) {
  if (event.size() < 3) return std::nullopt;
  size_t at = 2;
  uint32_t length = 0;
  for (int i = 0; i < 4 && at < event.size(); ++i) {
    const uint8_t byte = event[at++];
    length = (length << 7) | (byte & 0x7F);
    if ((byte & 0x80) == 0) {
      if (length > event.size() - at) return std::nullopt;
      return event.subspan(at, length);
    }
  }
  return std::nullopt;
}

bool IsTextMeta(uint8_t type) {
  return type == 0x01 || type == 0x03 || type == 0x05 || type == 0x06 || type == 0x07;
}

void TakeMeta(std::span<const uint8_t> event, int64_t pulse, int track, SmfFileData& content) {
  const uint8_t type = event[1];
  const auto data = MetaData(event);
  if (!data) return;
  if (type == kMetaTempo && data->size() == 3) {
    const int micros = (*data)[0] << 16 | (*data)[1] << 8 | (*data)[2];
    if (micros > 0) content.Tempi.push_back({pulse, micros});
  } else if (type == kMetaTimeSignature && data->size() >= 2) {
    const int numerator = (*data)[0];
    const int power = (*data)[1];
    if (numerator > 0 && power <= 6) content.TimeSignatures.push_back({pulse, numerator, 1 << power});
  } else if (IsTextMeta(type)) {
    content.Texts.push_back({pulse, track, type, std::string(data->begin(), data->end())});
  }
}

std::string Damaged(const std::vector<std::string>& reports) {
  return "the file is damaged: libsmf says \"" + reports.front() + "\"";
}

}  // namespace

std::variant<SmfFileData, std::string> ReadStandardMidiFile(std::span<const uint8_t> bytes) {
  if (bytes.size() > kMaxReadableSmfBytes)
    return "the file holds " + std::to_string(bytes.size()) + " bytes; at most " +
           std::to_string(kMaxReadableSmfBytes) + " are read";
  auto checked = CheckChunks(bytes);
  if (auto* error = std::get_if<std::string>(&checked)) return std::move(*error);
  const CheckedFile& file = std::get<CheckedFile>(checked);

  SmfFileData content;
  content.Format = file.Format;
  content.TrackCount = static_cast<int>(file.Tracks.size());
  uint16_t division = file.Division;
  if ((division & 0x8000) != 0) {
    const int frames = 256 - (division >> 8);
    const int perFrame = division & 0xFF;
    if (perFrame == 0) return std::string("the header gives no SMPTE resolution");
    content.PulsesPerSecond = (frames == 29 ? 29.97 : frames) * perFrame;
    division = kStandInDivision;
  } else {
    content.PulsesPerQuarter = division;
  }

  const std::vector<uint8_t> clean = CleanCopy(file, division);
  LibsmfReports reports;
  std::unique_ptr<smf_t, SmfDeleter> smf(smf_load_from_memory(clean.data(), static_cast<int>(clean.size())));
  if (!reports.All().empty()) return Damaged(reports.All());
  if (!smf) return std::string("the file is damaged: libsmf cannot read it");

  std::vector<int64_t> lastPulse(static_cast<size_t>(content.TrackCount) + 1, 0);
  while (smf_event_t* event = smf_get_next_event(smf.get())) {
    const int track = event->track_number;
    const int64_t pulse = event->time_pulses;
    if (track < 1 || track > content.TrackCount || event->midi_buffer_length < 1 ||
        event->midi_buffer == nullptr)
      continue;
    if (pulse < lastPulse[static_cast<size_t>(track)])
      return "the file is damaged: the time of track " + std::to_string(track) +
             " runs past what a MIDI file can count";
    lastPulse[static_cast<size_t>(track)] = pulse;
    const std::span<const uint8_t> data(event->midi_buffer, static_cast<size_t>(event->midi_buffer_length));
    const uint8_t status = data[0];
    if (status == kMetaEvent) {
      if (data.size() >= 2 && data[1] == kMetaEndOfTrack) {
        content.EndPulse = std::max(content.EndPulse, pulse);
      } else if (data.size() >= 2) {
        TakeMeta(data, pulse, track, content);
      }
    } else if (status == kSysexStatus) {
      content.Sysex.push_back({pulse, track, std::vector<uint8_t>(data.begin(), data.end())});
    } else if (status >= kNoteOff && status < kSysexStatus) {
      const uint8_t kind = status & 0xF0;
      const size_t needed = (kind == kProgramChange || kind == kChannelPressure) ? 2 : 3;
      if (data.size() < needed) continue;
      content.Events.push_back({pulse, status, static_cast<uint8_t>(data[1] & 0x7F),
                                static_cast<uint8_t>(needed == 3 ? data[2] & 0x7F : 0), track});
    }
    // System common and realtime bytes inside a track are transport signals, not music.
  }
  if (!reports.All().empty()) return Damaged(reports.All());
  std::stable_sort(content.Events.begin(), content.Events.end(),
                   [](const SmfChannelEvent& a, const SmfChannelEvent& b) {
                     return a.Pulse < b.Pulse || (a.Pulse == b.Pulse && a.Track < b.Track);
                   });
  if (!content.Events.empty()) content.EndPulse = std::max(content.EndPulse, content.Events.back().Pulse);
  return content;
}

}  // namespace kalo::midi
