#pragma once
// What the live controls (the MIDI input dispatch, the computer keys, the chord buttons and the
// on-screen piano) need from the parts beside and above them: the sequencer engine, the transport,
// the main window and mixer, the instrument presets of the configuration, the melody track, the
// Style-Creator, the chord editor and the main window's plain commands. The arranger implements each
// interface over the part that owns the operation; tests fake them. Every call comes on the main
// thread, between ticks.
//
// Methods carry the names of the operations they stand for (EnterFunction, PartSwitch, ChordChange,
// ChannelFilter, ...), so that the owner can implement them directly.

#include <cstdint>

namespace kalo::perform {

// The sequencer engine, as the live input drives it.
class LiveSequencer {
 public:
  virtual ~LiveSequencer() = default;

  // SongState: 0 live, negative while the Chordmemory plays, 1 real-time and 2 step recording.
  virtual int SongState() const = 0;
  // GlobalTranspose in semitones (-24..24).
  virtual int GlobalTranspose() const = 0;

  // The player's part key or function (a control key, the intro code, or 254 with a tempo): arms the
  // ending or stops on its second press, mutes the PAD for intro and ending, and stores
  // PendingFunction/PendingParameter for the next PartSwitch. A parameter of 0 is ignored.
  virtual void EnterFunction(int key, int parameter) = 0;
  // Carry out the pending part request and apply the pending chord now (the intro command's start).
  virtual void PartSwitch() = 0;
  virtual void ChordChange() = 0;
  // The style player's channel filter, run on every channel message of the second input: solo, mutes,
  // GlobalTranspose on notes, chord codes (controllers 19 and 20 are decoded while "Receive Chord
  // Codes" is checked and always consumed then), "Replace One", suppressed controllers and polyphonic
  // pressure. Returns 255 to drop the message, otherwise its (possibly changed) first data byte.
  virtual uint8_t ChannelFilter(uint8_t kind, uint8_t channel, uint8_t data1, uint8_t data2) = 0;
  // The engine reset (run when "Play Chords" is switched).
  virtual void ResetEngine() = 0;
  // "Minus One": the player has played the Minus One voice in this measure (MinusOneHold := 1).
  virtual void MinusOnePlayed() = 0;
  // Releases the chord that "Play Chords" sounds, when one sounds.
  virtual void StopChordSound() = 0;
  // The velocity of the chord-sound notes, 1..127.
  virtual void SetChordSoundVelocity(uint8_t velocity) = 0;
  // The scale-tone shift the engine uses for re-voiced held notes: semitones added to a note of
  // `pitchClass` (0..11) under chord type 1..17; 0 for any other type.
  virtual int HeldScaleShift(int type, int pitchClass) const = 0;
};

// The transport, the clock and sync start.
class LiveTransport {
 public:
  virtual ~LiveTransport() = default;

  // Whether the sequencer plays (a style or a song runs).
  virtual bool Playing() const = 0;
  virtual void Play() = 0;
  virtual void Stop() = 0;
  virtual void Record() = 0;
  // Shows `bpm` in the tempo field and changes a running clock at once. Called with 25..250 only.
  virtual void SetTempo(int bpm) = 0;
  // A realtime byte (0xF8, 0xFA, 0xFB, 0xFC) received on the second input in "Slave Mode": a clock
  // runs one tick, Start and Continue end the start wait, Stop presses Stop unless a start is awaited.
  virtual void ExternalRealtime(uint8_t status) = 0;
  // "Home": the beat counters start again from the first beat.
  virtual void RestartBeatCounters() = 0;
  // The clock runs from an external device (true) or from the internal timer (false).
  virtual void SetExternalClock(bool external) = 0;
  // Sync start: 0 off, 1 armed to start with the internal clock, -1 armed for an external start.
  virtual int SyncStart() const = 0;
  // The sync-start button: off becomes armed (-1 in "Slave Mode", else 1); armed becomes off.
  virtual void SwitchSyncStart() = 0;
};

// The main window and its mixer.
class LiveSession {
 public:
  virtual ~LiveSession() = default;

  // The channel the player's keyboard plays on, 0..15 (the mixer's channel).
  virtual uint8_t KeyboardChannel() const = 0;
  // The mixer's "Suppress Controllers" flag of a channel 0..15.
  virtual bool SuppressControllers(uint8_t channel) const = 0;
  // The Volume of a channel's voice record, 0..127.
  virtual uint8_t VoiceVolume(uint8_t channel) const = 0;
  // The channel's activity box (one of 16) shows that a note was played on it.
  virtual void MarkChannelActive(uint8_t channel) = 0;
  // Shows the style-part request just given (key or code, and its value).
  virtual void ShowRequestedFunction(int key, int value) = 0;
  // "All Notes Off": every channel released on "Midiout", sustain slider 0, the style player's
  // sounding-note tables and the chord-type override cleared.
  virtual void AllNotesOff() = 0;
  // Ticks "Transmit Controllers" (the input's controller filter goes off).
  virtual void CheckTransmitControllers() = 0;
  // The record start measure field ("intro measures"), -500..500, and applying a new value to it.
  virtual int IntroMeasures() const = 0;
  virtual void SetIntroMeasures(int measures) = 0;
  // Whether the intro voices choice of "Style && Intro" is "Mute None".
  virtual bool MuteNone() const = 0;
  // The measure length L in position units (four per quarter note).
  virtual int MeasureLength() const = 0;
  // Moves the Chordmemory position (the song position) to `position`.
  virtual void SetSongPosition(int position) = 0;
  // The input mode's switches changed; the configuration keeps them.
  virtual void InputModeChanged() = 0;
};

// The configuration's instrument presets.
class InstrumentPresets {
 public:
  virtual ~InstrumentPresets() = default;
  // Applies preset `number` (0 and up), or one of the step commands 1975..1978.
  virtual void SelectInstrumentPreset(int number) = 0;
  // Holds preset `number` - 1 for the sequencer to apply when a sync start begins (0 = none).
  virtual void SetPendingPreset(int number) = 0;
  // Stores the current instrument choice and the mixer's four levels as preset `number`.
  virtual void StoreInstrumentPreset(int number) = 0;
  // Recalls preset `number` at once.
  virtual void RecallInstrumentPreset(int number) = 0;
};

// The melody track. The track decides whether "Record" is checked and whether it has room; the time
// stamp is the current tick's.
class MelodyRecorder {
 public:
  virtual ~MelodyRecorder() = default;
  // A message played through from the player's keyboard; `isNote` for note-on and note-off.
  virtual void RecordPlayed(uint8_t status, uint8_t data1, uint8_t data2, bool isNote) = 0;
  // A message made by the program's own controls; recorded only on the recording channel.
  virtual void RecordGenerated(uint8_t status, uint8_t data1, uint8_t data2) = 0;
};

// The Style-Creator.
class StyleCreatorHooks {
 public:
  virtual ~StyleCreatorHooks() = default;
  // Set to start on a chord and not running: a control key then presses its Play.
  virtual bool WaitsForChord() const = 0;
  virtual void Play() = 0;
  // Recording chords: controllers 21 and 22 of the second input are material then, not commands.
  virtual bool RecordingChords() const = 0;
  // Capturing the second input, and appending one message (status below 0xF9) to the capture.
  virtual bool CaptureActive() const = 0;
  virtual void Capture(uint8_t status, uint8_t data1, uint8_t data2) = 0;
  // Its window is the active one; Left and Right step through its material then.
  virtual bool WindowActive() const = 0;
  virtual void Step(int direction) = 0;
};

// The chord editor's taking of chord buttons.
class ChordEditorInput {
 public:
  virtual ~ChordEditorInput() = default;
  // The "Edit" box is checked or the editor waits for a chord pad: chord buttons go to the editor.
  virtual bool TakesChordButtons() const = 0;
  virtual void TakeChord(int root, int type) = 0;
  // A style-part button's code, entered as a function.
  virtual void TakeFunction(int code) = 0;
};

// Commands of the main window that the function and special keys are bound to.
class KeyboardCommands {
 public:
  virtual ~KeyboardCommands() = default;
  virtual void ShowHelp() = 0;           // F1 while stopped: the help, or the last tip
  virtual void ShowGuide() = 0;          // F12 while playing: the tips and guide window
  virtual void TapTempo() = 0;           // F8
  virtual void OpenArrangement() = 0;    // F11
  virtual void ToggleHarmonicPad() = 0;  // Backspace: "Harmonic PAD"
  virtual void FocusNextControl() = 0;   // Enter
  virtual void Pause() = 0;              // Pause: pauses playing or closes the song window
  virtual void ClearCountIn() = 0;       // End: the "Count in" box is cleared
};

// The interfaces together, as the arranger hands them over. All must outlive their users.
struct LiveInputSeams {
  LiveSequencer& Sequencer;
  LiveTransport& Transport;
  LiveSession& Session;
  InstrumentPresets& Presets;
  MelodyRecorder& Melody;
  StyleCreatorHooks& Creator;
  ChordEditorInput& Editor;
  KeyboardCommands& Commands;
};

}  // namespace kalo::perform
