#pragma once
// The song side of the tick: Chordmemory playback (read-ahead, lead-in beats, loops, the play range's
// repeat, solo and mute, transposition, tempo, STOP and the ending wait, the chord preview, Play &&
// Overwrite), Chordmemory recording (real time with its waiting start and late window, and step
// recording) and the melody track's clock, player and recorder. The arranger builds it over the
// song and the session's parts; the sequencer calls it from every tick. Main thread only; nothing on
// the tick's path allocates.

#include <cstdint>

#include "config/options.h"
#include "engine/sequencer.h"
#include "engine/sequencer_seams.h"
#include "host/display.h"
#include "perform/chord_state.h"
#include "perform/live_input_seams.h"
#include "song/chordmemory_recorder.h"
#include "song/melody_track.h"
#include "song/song.h"
#include "song/song_options.h"

namespace kalo::app {

// The beat indicator's background while the Chordmemory is step-recorded (dark cyan, 0x00BBGGRR).
inline constexpr uint32_t kStepIndicatorColour = 0x808000;
// Ending wait: beats an ending key of the song may take before the song stops.
inline constexpr int kEndingWaitBeats = 44;

// What the song side needs from the session beside the sequencer.
class SongSideHost {
 public:
  virtual ~SongSideHost() = default;
  // The main window's "Solo" choice (0 none, 1..16), which the play start restores.
  virtual uint8_t SoloChoice() const = 0;
  // The "Midiout" route, which carries the melody and the step-entry clicks; nothing goes out while
  // it is closed.
  virtual bool MidioutOpen() const = 0;
  virtual void SendMidiout(uint8_t status, uint8_t data1, uint8_t data2) = 0;
  virtual void MarkChannelActive(int channel) = 0;
  // Whether the Style-Creator plays the style (rather than sending part keys to another device).
  virtual bool StyleMode() const = 0;
};

class SongSide final : public engine::SongSide, public perform::MelodyRecorder, private song::MelodyOutput {
 public:
  SongSide(song::Song& song, song::SongOptions& songOptions, config::Options& options,
           const config::Settings& settings, engine::SequencerClock& clock, perform::ChordState& chords,
           host::Dialogs& dialogs, host::Display& display, SongSideHost& host);

  // The sequencer this side drives; set once, before the first tick.
  void Attach(engine::Sequencer& sequencer) { seq_ = &sequencer; }

  // --- engine::SongSide ---------------------------------------------------------------------------
  void SongModeTick(engine::Sequencer& sequencer) override;
  void MelodyStep() override;
  void FunctionEntered(int key, int parameter) override;
  void StepRecordEntry(engine::Sequencer& sequencer) override;
  void ClearEndingWait() override { EndingWait = 0; }
  void FinishRecording() override;
  void ResetSong() override;

  // --- perform::MelodyRecorder: the input dispatch's melody seam ------------------------------------
  // A message played on the melody part: stored in the melody track while its "Record" is on, the
  // song plays or records and the song position is at least 4.
  void RecordPlayed(uint8_t status, uint8_t data1, uint8_t data2, bool isNote) override;
  // A message the program sends itself on the melody channel: stored with channel nibble 0.
  void RecordGenerated(uint8_t status, uint8_t data1, uint8_t data2) override;

  // --- What the transport sets up ------------------------------------------------------------------
  // A song play starts: the first beat clears the melody counters (not when the master's start is
  // awaited, whose first beat is counted by the clock).
  void BeginPlay(bool firstBeatFlag);
  // A real-time recording starts: it waits for the first chord unless `waitForChord` is false.
  void BeginRecording(bool waitForChord);
  // A step recording starts: "Play Chords" is remembered (and forced on by the caller).
  void BeginStepRecording(bool playChordsBefore);
  // " Chords" is unticked for the time of a song and comes back when it ends or hands over.
  void UntickChordsBox();
  void RestoreChordsBox();
  bool Waiting() const { return waitingForChord_; }
  song::ChordmemoryRecorder& Recorder() { return recorder_; }
  // Where the melody's own messages (sound-off, notes of the notes panel) go: "Midiout".
  song::MelodyOutput& MelodyOut() { return *this; }

  // --- Playback state ---------------------------------------------------------------------------
  int LoopEnd = 0;                 // position at which an open loop jumps back; 0 = no loop open
  int LoopCount = 0;               // passes still to play of the open loop
  int LoopStart = 0;               // start of the measure where the open loop began
  int SongTranspose = 0;           // semitones added to every chord root read from the song
  int TranspositionSetting = 0;    // what the engine reset returns SongTranspose to
  int EndingWait = 0;              // beats since a song's ending key was played; 0 = none
  bool JumpDone = false;           // after a lead-in beat the next record is read looking back
  bool StartedFromEditor = false;  // SongState -2: the editor's cursor follows the song

 private:
  void PlayTick(engine::Sequencer& s);
  void PlayBeat(engine::Sequencer& s);
  void LeadInBeat(engine::Sequencer& s);
  bool OverwriteBeat(engine::Sequencer& s);
  void RepeatFromPlayStart();
  song::BeatRecord SongRecord(int position, bool reread) const;
  void EnterSongFunction(engine::Sequencer& s, int function, int parameter);
  void StartOnFirstChord(engine::Sequencer& s);
  void ApplySoloMute(engine::Sequencer& s, int parameter);
  void ShowPreview(int position, int measureLength);
  void ReadAheadAdLib(engine::Sequencer& s);
  void RecordTick(engine::Sequencer& s);
  void RecordBeat(engine::Sequencer& s);
  song::BeatEntry TakeEntry(bool pendingChord);
  void ShowPosition(int position, int measureLength);
  // song::MelodyOutput
  void Send(uint8_t status, uint8_t data1, uint8_t data2) override;
  void ShowActivity(int channel) override { host_.MarkChannelActive(channel); }

  song::Song& song_;
  song::SongOptions& songOptions_;
  config::Options& options_;
  const config::Settings& settings_;
  engine::SequencerClock& clock_;
  perform::ChordState& chords_;
  host::Display& display_;
  SongSideHost& host_;
  song::ChordmemoryRecorder recorder_;
  engine::Sequencer* seq_ = nullptr;

  bool firstBeat_ = false;        // the next played beat is the first after a start
  bool melodyRunning_ = false;    // the melody clock advances
  bool waitingForChord_ = false;  // recording has not had its first chord yet
  int enteredFunction_ = 0;       // the function entered since the last stored beat
  int enteredParameter_ = 0;
  bool stepMode_ = false;
  // A beat record lasts a quarter note; in eighth-note beats every second beat of the clock begins
  // one. Whether the next beat of the clock does, and whether the last one did.
  bool songBeatNext_ = true;
  bool lastBeatWasSongBeat_ = true;
  bool NextBeatIsSongBeat();
  bool playChordsBefore_ = false;  // "Play Chords" before step recording forced it on
  bool chordsUnticked_ = false;    // " Chords" was unticked by a song play
  int heldKey_ = 0;                // a part key read before the style plays: entered when it starts
  int heldParameter_ = 0;
};

}  // namespace kalo::app
