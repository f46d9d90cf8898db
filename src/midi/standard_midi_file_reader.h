#pragma once
// Reading Standard MIDI Files through libsmf: formats 0 and 1, metrical or SMPTE time division,
// running status, tempo, time-signature and text meta events. The reader is total: any bytes give
// either the file's content or a text that says why it cannot be read; nothing outside `bytes` is
// read.
//
// libsmf is handed only a file whose chunk structure has been checked first: the header, then every
// track chunk whose length fits the file (other chunks, such as the vendor chunks some sequencers add
// after the tracks, are skipped), each track closed with an End of Track of its own. libsmf would
// otherwise read past a chunk that claims more bytes than the file holds, stop at the first unknown
// chunk and drop every track after it, or abort on a track without an End of Track. Whatever libsmf
// still reports while loading (a message cut off at the end of its track, running status after a meta
// event, which the file format does not allow) means that part of a track would be lost: the file is
// refused with libsmf's reason rather than read in part.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace kalo::midi {

// Larger files are refused before they are parsed: a style keeps far less, and libsmf holds every
// event of a file in memory at once.
inline constexpr size_t kMaxReadableSmfBytes = 8 << 20;
// More tracks than this are refused: merging looks at every track for every event.
inline constexpr int kMaxSmfTracks = 1024;

// A channel message (status 0x80..0xEF). Program change and channel pressure carry Data2 = 0.
struct SmfChannelEvent {
  int64_t Pulse = 0;
  uint8_t Status = 0;
  uint8_t Data1 = 0;
  uint8_t Data2 = 0;
  int Track = 1;  // 1-based, in file order
};

struct SmfTempo {
  int64_t Pulse = 0;
  int MicrosPerQuarter = 500000;
};

struct SmfTimeSignature {
  int64_t Pulse = 0;
  int Numerator = 4;
  int Denominator = 4;  // a power of two
};

// Text meta events: 0x01 text, 0x03 track name, 0x05 lyric, 0x06 marker, 0x07 cue point.
struct SmfText {
  int64_t Pulse = 0;
  int Track = 1;
  uint8_t Kind = 0;
  std::string Text;
};

// A system-exclusive message F0 ... F7 as stored.
struct SmfSysex {
  int64_t Pulse = 0;
  int Track = 1;
  std::vector<uint8_t> Bytes;
};

struct SmfFileData {
  int Format = 0;
  int TrackCount = 0;
  // Time division: pulses per quarter note, or (PulsesPerQuarter 0) pulses per second of SMPTE time.
  int PulsesPerQuarter = 0;
  double PulsesPerSecond = 0;
  // Every track merged in time order; at equal pulses the lower track comes first, and the messages of
  // one track keep their order.
  std::vector<SmfChannelEvent> Events;
  std::vector<SmfTempo> Tempi;
  std::vector<SmfTimeSignature> TimeSignatures;
  std::vector<SmfText> Texts;
  std::vector<SmfSysex> Sysex;
  int64_t EndPulse = 0;  // the latest End of Track
};

// The content of the file, or why it cannot be read ("not a Standard MIDI File ...", "the file is cut
// short ...", "the file is damaged: ...").
std::variant<SmfFileData, std::string> ReadStandardMidiFile(std::span<const uint8_t> bytes);

}  // namespace kalo::midi
