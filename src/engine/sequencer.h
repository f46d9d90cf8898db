#pragma once
// The sequencer engine: the body of every tick (count-in, metronome, chord steps and the style's
// stream pass with its channel filter and sounding-note book), the chord change with the re-voicing
// of held notes, the style-part requests, Stop and the engine reset. It plays the Style-Creator's
// current style in the chord of the chord state and sends through SequencerHost.
//
// Main thread only. Nothing on the path of a tick allocates, locks or throws: the state is plain
// fields and fixed arrays, and the style is read in place.

#include <array>
#include <cstdint>

#include "config/options.h"
#include "config/settings.h"
#include "engine/chord_transposer.h"
#include "engine/sequencer_clock.h"
#include "engine/sequencer_seams.h"
#include "engine/sounding_notes.h"
#include "host/display.h"
#include "midi/controller_memory.h"
#include "perform/chord_state.h"
#include "styles/style_creator.h"

namespace kalo::engine {

// ChannelFilter's answer for an event that must not be sent.
inline constexpr int kDropped = 255;
// The function code of a tempo request; its parameter is the tempo.
inline constexpr int kTempoFunction = 254;
// The value part keys carry when they come from a key (any value but 0 enters a function).
inline constexpr int kKeyParameter = 12;
// Largest count of pitch classes collected for the Style-Creator's chord analysis.
inline constexpr int kCollectedNotesCapacity = 500;
// SoloChannel values that let no channel play.
inline constexpr uint8_t kSoloNone = 100;

// Everything the sequencer works with. All references must outlive it.
struct SequencerContext {
  SequencerClock& Clock;
  styles::TGen& Gen;
  perform::ChordState& Chords;
  midi::ControllerMemory& Controllers;
  config::Options& Options;
  config::Settings& Settings;
  host::Display& Display;
  SequencerHost& Host;
  SongSide& Song;
};

class Sequencer final : public TickBody {
 public:
  explicit Sequencer(SequencerContext context);
  Sequencer(const Sequencer&) = delete;
  Sequencer& operator=(const Sequencer&) = delete;

  // --- The tick ---------------------------------------------------------------------------------
  // The work of one tick after the clock's frame: count-in, live chord steps (or the song-mode
  // step), the melody step and the style's stream pass.
  void RunTickBody() override;
  // Plays the style's stream for one tick: events up to the next delay byte go out, in stream order.
  void StreamTick();
  // Decides whether an event of a style (or of input 2) may be sent: the first data byte to send
  // (a note moved by the global transposition, 0..127), or kDropped. Consumes chord codes.
  int ChannelFilter(uint8_t kind, uint8_t channel, uint8_t data1, uint8_t data2);
  // One metronome note on channel 10; the first click of a measure is the accent.
  void Click(uint8_t velocity);

  // --- Transport ----------------------------------------------------------------------------------
  // Stop: the style ends, MIDI Stop in "Master Mode", the recording ends, then the engine reset.
  void Stop();
  // Silences the style's notes, forgets the pending chord and requests and sets the counters so
  // that the first tick after a start begins a new beat and a new chord step.
  void ResetEngine();

  // --- Chords -------------------------------------------------------------------------------------
  // The four chord-sound tones of a chord just entered (all 0 when only a function was entered).
  // While the clock is off the chord and the function take effect at once.
  void SetChordTones(const std::array<int, 4>& tones);
  // Applies the pending chord: to the style (re-voicing held notes), or as chord tones while no style
  // plays, or as a triggered chord with "Play Chords"; sends the chord code and the pad.
  void ChordChange();
  // Re-voices the held notes of sustaining programs in (root, type) and silences the others, on one
  // channel 0..15 or on all (16). partChange: a part ended or was selected, nothing is re-voiced;
  // partSelect: a part was selected, notes hanging over the old part's end have their pedals released.
  void RevoiceHeld(int selector, int root, int type, bool partChange, bool partSelect);
  // The note sent for a pattern note in the style's chord.
  int TransposeNote(int note) const { return Transposer.TransposeNote(note); }
  // Releases the chord sounding in "Play Chords".
  void StopSoundingChord();

  // --- Style parts --------------------------------------------------------------------------------
  // A style-part key (FillIn, Ending, ToExtended, ToBasic, Intro key of the settings) or a function
  // code with its parameter (0 = nothing). While no style plays the key starts the style.
  void EnterFunction(int key, int parameter);
  // Carries out the pending request: part requests take effect at the first tick of a beat; a
  // main part (Intro, Basic, Extended) asked for waits for the next bar line.
  void PartSwitch();
  // Starts the style: the intro (or Basic, or the first part there is), controllers chased, the
  // channel set-ups sent, a count-in instead of a missing intro. Switches the clock on when it is
  // off, keeping the chord given. False when there is nothing to start (no material, Style-Mode off,
  // "Play Chords" on, or the style already plays).
  bool StartStyle();
  // Song mode: the Style-Creator's material plays as a song through the song-mode window, untransposed,
  // with the controllers chased up to where it begins. False (nothing started) in Style-Mode, while
  // it plays, or without material.
  bool StartMaterial();
  // A part entry of the main window's menu: the part plays at once and repeats.
  void PlayPart(int part);
  // "Sync. Start" in Slave Mode: waits for the master's Start, or no longer.
  void ToggleSyncStart();

  // --- What the style asks of its player ----------------------------------------------------------
  void StartFadeOut();
  void SetPartStart(bool on) { PartStart = on; }
  // The counters restart: the next tick begins a beat that is the first of a chord step.
  void ResetCountersForFreshStart();
  // A message the style sends itself (chasing controllers) on "Midiout".
  void SendStyleMessage(uint8_t status, uint8_t data1, uint8_t data2);

  // --- Switches that act at once ------------------------------------------------------------------
  // "Metronome": the next click is an accent; the metronome notes are switched off.
  void SetMetronome(bool on);
  // "Play Chords" (only while no song plays or records): the engine reset follows.
  void SetPlayChords(bool on);
  // "Adjust Octave".
  void SetAdjustOctave(bool on);
  // The measure length, the metronome's beats and the chord step from the settings' "Metrum" and
  // "Quantize", and the lowest key of the accompaniment section.
  void ApplySettings();
  // Sustain, sostenuto and all notes off on one channel; the book forgets what sounded there.
  void SilenceChannel(int channel);
  // The main window's transposition, -24..24 semitones (other values are ignored). Notes that sound
  // are ended; sustaining voices sound on at once in the new key, so no note is left in the old one.
  void SetGlobalTranspose(int semitones);
  // Ends (note-off for the note that was sent) every style note that sounds on a channel the solo
  // choice or a mute now silences, and the Harmonic PAD when its channel is silenced. Run at every
  // tick, so that whatever changed the solo or the mutes leaves no note hanging.
  void EndCutNotes();

  bool StylePlaying() const { return gen_.Playing; }

  // --- Engine state (main thread) -----------------------------------------------------------------
  int ChordStep = 1;       // beats per chord step, 1..6
  int BeatInStep = 2;      // 1-based beat inside the chord step
  int MeasureBeats = 4;    // beats per measure for the metronome
  int ClickBeat = 5;       // metronome beat, 0..MeasureBeats - 1
  int MeasureLength = 16;  // L, four units per beat
  bool CountInActive = false;
  int CountInBeat = 0;
  int PendingFunction = 0;  // a part key or function code not yet carried out; 0 = none
  int PendingParameter = 0;
  int SongState = 0;        // 0 live; negative: the Chordmemory plays; positive: it is recorded
  uint8_t SoloChannel = 0;  // 0 all channels; 1..16 only that one; 10 drums only; 100, 255 none
  std::array<uint8_t, 16> ChannelMute{};
  int GlobalTranspose = 0;  // semitones, -24..24, not on channel 10
  uint8_t MinusOneChannel = 0;
  bool MinusOneHold = false;
  std::array<uint8_t, 128> UserNotes;  // per pattern note, the note the player holds; 255 = none
  bool FadeActive = false;
  int FadeAmount = 0;
  int DelayCounter = 0;    // ticks still to wait before the stream is read again
  bool PartStart = false;  // a part was selected and has not repeated yet
  int RequestedPart = -1;
  bool EndingPending = false;
  bool EndingPressOnce = false;
  std::array<int, 4> ChordTones{};
  uint8_t ChordSoundVelocity = 1;
  std::array<uint8_t, 2> MetronomeNotes{56, 37};  // the click uses the second
  bool CollectNotes = false;  // the Style-Creator collects played pitch classes for chord analysis
  std::array<uint8_t, kCollectedNotesCapacity> CollectedNotes{};
  int CollectedCount = 0;
  SoundingNotes Book;
  ChordTransposer Transposer;

 private:
  enum class Fate { Send, Drop, Stopped };

  Fate FilterStyleEvent(uint8_t status, uint8_t& data1, uint8_t& data2, int32_t offset);
  bool PassesRedundancy(uint8_t status, uint8_t data1, uint8_t data2);
  void SendMidiout(uint8_t status, uint8_t data1, uint8_t data2);
  void AllNotesOff();
  void SelectPart(int part);
  void FollowIntroColour();
  void RestoreIntroColour();
  void SwitchClockOnKeepingChord();
  void FreshStartCounters();
  void BeginPlay();
  void PlayChordSound(const std::array<int, 4>& tones);
  void SwitchPad(const std::array<int, 4>& tones);
  // The pad is silent while the intro or the ending plays (or is on its way), with "Mute PAD
  // (Intro && Ending)"; it sounds again in the chord in force once a main part plays.
  bool PadMutedNow() const;
  void FollowPad();
  // Note-offs for the pad notes sounding, then all notes off on the pad channel (when notes sounded,
  // or always).
  void PadOff(bool always = false);
  void SoundPad();
  bool ChannelPasses(int channel) const {
    return (SoloChannel == 0 || SoloChannel == channel + 1) &&
           ChannelMute[static_cast<size_t>(channel & 0x0F)] == 0;
  }
  // Note-offs for the notes the book holds on a channel; the book forgets them.
  void EndHeldNotes(int channel);
  // The note a pattern note is sent as: moved into the style's chord (not on channel 10 and only in
  // Style-Mode), then by the global transposition (not on channel 10).
  int SentNote(int channel, int pattern) const;
  // The engine's beat: the style side counts beats of the clock's beat mode.
  void FollowBeatMode();
  config::ControlKeyNotes Keys() const { return config::ComputeControlKeyNotes(settings_); }
  int TicksPerBeat() const { return clock_.Beat.TicksPerBeat; }

  SequencerClock& clock_;
  styles::TGen& gen_;
  perform::ChordState& chords_;
  midi::ControllerMemory& controllers_;
  config::Options& options_;
  config::Settings& settings_;
  host::Display& display_;
  SequencerHost& host_;
  SongSide& song_;

  std::array<int, 4> soundingChord_{-1, -1, -1, -1};  // "Play Chords": the notes sounding; -1 none
  std::array<int, 4> padNotes_{-1, -1, -1, -1};       // the Harmonic PAD notes sounding; -1 none
  std::array<int, 4> padTones_{};                     // the chord-sound tones the pad plays; 0 none
  bool padMuted_ = false;                             // the pad was silent for the intro or ending
  bool introColourSaved_ = false;
  uint32_t colourBeforeIntro_ = 0;
};

}  // namespace kalo::engine
