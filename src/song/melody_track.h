#pragma once
// The melody track: the MIDI messages played on the melody channel while a song was recorded or
// played, stamped with the song clock in ticks (24 per quarter note). The event buffer and the
// backup (the track as recorded, the source of Restore and of every quantization) hold 4000 events
// each and are allocated once, in the constructor; nothing after that allocates.
//
// Owned by the main window; every method runs on the main thread (recording from the MIDI input
// handler, playback from the tick, which reaches the main thread synchronously).

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "host/dialogs.h"

namespace kalo::song {

inline constexpr int kMelodyCapacity = 4000;
inline constexpr int kMelodyEventBytes = 8;

// One event; also its file layout: i32 time, status, data 1, data 2, note flag.
struct MelodyEvent {
  int32_t Time = 0;  // song clock in ticks at which the message is due
  uint8_t Status = 0;
  uint8_t Data1 = 0;
  uint8_t Data2 = 0;
  uint8_t NoteFlag = 0;  // 1 for note-on and note-off statuses
  bool operator==(const MelodyEvent&) const = default;
};

// A note-on with a velocity above 0, on any channel.
bool IsNoteStart(const MelodyEvent& event);
// A note-off, or a note-on with velocity 0, on any channel.
bool IsNoteEnd(const MelodyEvent& event);

// The quantize menu, in its order; the first six have a grid.
enum class QuantizeGrid {
  ThirtySecondSwing,
  ThirtySecond,
  SixteenthSwing,
  Sixteenth,
  EighthSwing,
  Eighth,
  None
};
inline constexpr int kQuantizeGridCount = 7;
inline constexpr const char* kQuantizeGridNames[kQuantizeGridCount] = {
    "1/32 swing", "1/32", "1/16 swing", "1/16", "1/8 swing", "1/8", "None"};
// The grid in ticks; 0 for None.
int GridTicks(QuantizeGrid grid);

// Where played melody messages go: the melody output and the channel activity display.
class MelodyOutput {
 public:
  virtual ~MelodyOutput() = default;
  virtual void Send(uint8_t status, uint8_t data1, uint8_t data2) = 0;
  virtual void ShowActivity(int channel) = 0;
};

// Questions of the melody commands.
inline constexpr const char* kReplaceMelodyQuestion = "Replace current melody ?";
inline constexpr const char* kDeleteMelodyQuestion = "Delete Melody ?";

class MelodyTrack {
 public:
  MelodyTrack();

  int Count() const { return count_; }
  bool Empty() const { return count_ == 0; }
  std::span<const MelodyEvent> Events() const { return {events_.data(), static_cast<size_t>(count_)}; }

  // --- Options (the melody menu and the main window's melody channel) ---------------------------
  int Channel = 0;  // melody channel 0..15
  bool Play = true;  // a melody is heard unless the player switches it off
  bool Record = false;
  bool Humanize = true;
  bool ReferToOriginalChannels = false;  // " Refer to original channels"
  bool StoreControllerValues = false;    // " Store && Receive Controller-Values"
  int Transposition = 0;                 // semitones added to played notes
  // "Minus One" plays the melody's notes on a voice of the style (VoiceChannel); "Replace One"
  // lets the player replace that voice. At most one of the two is on.
  bool MinusOne() const { return minusOne_; }
  bool ReplaceOne() const { return replaceOne_; }
  int VoiceChannel = 0;
  // Set when Minus One played a note-on; the style keeps that voice quiet while it is set.
  bool MelodySounding = false;

  // --- Counters (advanced by the tick) ---------------------------------------------------------
  int32_t Clock = 0;  // melody clock in ticks
  int Index = 0;      // the next event to play, or the slot the next recorded event goes to
  // Clock and index := 0 (a start, the first beat of a playback).
  void ResetCounters();
  // The loop bookmark: where a song loop or a repeat of the play range takes the melody back to.
  void TakeBookmark();
  // Back to the bookmark; a recording in progress ends first (its events become the backup) and
  // Record goes off.
  void ReturnToBookmark();

  // --- Recording ------------------------------------------------------------------------------
  // Stores a message at the write index with the melody clock as its time and advances; false
  // (nothing stored) once the buffer is full. The caller decides whether recording applies.
  bool Append(uint8_t status, uint8_t data1, uint8_t data2);
  // A message the system sends itself on the melody channel: stored with channel nibble 0.
  bool AppendOwn(uint8_t status, uint8_t data1, uint8_t data2);
  // End of recording: the events become the backup.
  void EndRecording();

  // --- Playback -------------------------------------------------------------------------------
  // Plays every event due at the melody clock (see PlayDue in the source for the routing) and
  // advances the index past them, also while Play is off.
  void PlayDue(MelodyOutput& output);

  // --- Commands -------------------------------------------------------------------------------
  // The "Record" toggle; ignored (false) while the transport runs. Turning it on with a melody
  // asks kReplaceMelodyQuestion: Yes empties the track, No leaves Record off. On turns Play on.
  // Returns whether Record changed.
  bool ToggleRecord(bool transportRunning, host::Dialogs& dialogs);
  // The "Play" toggle; turning it off sends the sound-off controllers on the melody channel.
  void SetPlay(bool on, MelodyOutput& output);
  // "Minus One": on turns Replace One off; off clears MelodySounding.
  void SetMinusOne(bool on);
  // "Replace One": on turns Minus One off, clears MelodySounding and sends the sound-off
  // controllers on the voice's channel.
  void SetReplaceOne(bool on, MelodyOutput& output);
  // All slots zeroed, count 0.
  void Clear();
  // "Delete": with a melody, asks kDeleteMelodyQuestion; Yes clears. Returns whether it cleared.
  bool Delete(host::Dialogs& dialogs);
  // "Restore": the first Count() events come back from the backup.
  void Restore();
  // Restores, then moves every note start onto the grid and its end by the same shift (with
  // Humanize, shifts above 3 ticks are shortened at random). None only restores. `seed` seeds the
  // random generator (the caller takes it from the clock).
  void Quantize(QuantizeGrid grid, uint32_t seed);

  // --- Notes panel ----------------------------------------------------------------------------
  int Selected() const { return selected_; }
  // Moves the selection to the previous / next note start; nullopt (unchanged) when there is none.
  std::optional<int> SelectPrevious();
  std::optional<int> SelectNext();
  // Gives the selected note start, and its end, the note (octave index + 1) × 12 + pitch class.
  // False (nothing changed) without a selected note start or for a note above 127.
  bool ChangeSelectedNote(int pitchClass, int octaveIndex);
  // The selected event's velocity := 0: the note no longer sounds.
  void ClearSelectedNote();

  // --- Files ----------------------------------------------------------------------------------
  // Replaces the track with loaded events (at most 4000); they are also the backup, so that
  // Restore and quantizing start from the track as loaded.
  void Load(std::span<const MelodyEvent> events);

  // The sound-off controllers on a channel: control changes 64, 66 and 123, each with value 0.
  static void SendSoundOff(int channel, MelodyOutput& output);

 private:
  std::vector<MelodyEvent> events_;
  std::vector<MelodyEvent> backup_;
  int count_ = 0;
  int selected_ = 0;
  bool minusOne_ = false;
  bool replaceOne_ = false;
  int32_t bookmarkClock_ = 0;
  int bookmarkIndex_ = 0;
};

}  // namespace kalo::song
