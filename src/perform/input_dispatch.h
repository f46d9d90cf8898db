#pragma once
// The dispatch of incoming MIDI: for every event of the player's keyboard (input 1) and of the external
// sequencer (input 2) it decides whether it is a chord key, a control key, an instrument key, a note to
// be played through (re-channelled, split, shifted, mapped), a controller to remember or suppress, a
// chord code, a tempo or intro command, or a realtime message, and forwards what is to be heard.
// SendGenerated is the entry for messages the program's own controls make. Main thread only.
//
// Settings are read from the configuration at every event, so a change takes effect at once.

#include <array>
#include <cstdint>
#include <exception>

#include "config/options.h"
#include "config/settings.h"
#include "midi/controller_memory.h"
#include "midi/device_config.h"
#include "midi/midi_event.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "perform/chord_recognizer.h"
#include "perform/chord_state.h"
#include "perform/keyboard_split.h"
#include "perform/live_input_seams.h"

namespace kalo::perform {

// Tempo code of EnterFunction (the parameter is the tempo).
inline constexpr int kTempoCode = 254;
// The value ControlKey gets from keys and buttons.
inline constexpr int kControlKeyValue = 12;
// Step commands of the instrument-step box, for the keys upper - 1 .. upper - 4.
inline constexpr int kFirstInstrumentStepCommand = 1975;

// Caption and hint of the "Play Chords" button.
struct PlayChordsButton {
  const char* Caption;
  const char* Hint;
};
PlayChordsButton PlayChordsButtonFor(bool playChords);

// Caption and hint of the keyboard panel's mode button.
struct AccompanimentButton {
  const char* Caption;
  const char* Hint;
};
AccompanimentButton AccompanimentButtonFor(bool chords);

class InputDispatch {
 public:
  // Everything passed in must outlive the dispatch.
  InputDispatch(const LiveInputSeams& seams, ChordState& chords, config::Options& options,
                const config::Settings& settings, midi::DeviceConfig& devices,
                midi::ControllerMemory& controllers);

  // --- Entries -------------------------------------------------------------------------------------
  // The OnMidiInput handlers: take every waiting event of the input and dispatch it. A device error
  // while forwarding does not stop the draining; the first one is thrown once the input is empty.
  void MidiInput1MidiInput(midi::TMidiInput& input);
  void MidiInput2MidiInput(midi::TMidiInput& input);
  // A message made by the program's own controls: the melody track, the controller value memory,
  // then both outputs for everything but note-ons and polyphonic pressure while "Send Chord Codes" is
  // checked, else the "Midiout" output.
  void SendGenerated(uint8_t status, uint8_t data1, uint8_t data2);
  // A control key (or a code such as kTempoCode) with its value. Nothing happens in "Play Chords"
  // unless the Chordmemory is step-recorded; a Style-Creator waiting for a chord starts instead.
  void ControlKey(int key, int value);
  // "Melody Ad Lib": the note played in C major moved into the current chord's key and scale. A
  // release (velocity 0) gives the note its press gave on the same channel, however the chord changed
  // meanwhile; a release with no press remembered gives the note itself. Unsigned 8-bit arithmetic:
  // the result may lie above 127, and such a note is not sent.
  uint8_t AdLibNote(uint8_t channel, uint8_t note, uint8_t velocity);
  // Escape and Shift-click on a style-part button. Armed for an external start (and live), it starts at
  // once: sync start switched off and on again, the current chord entered again, the part switch and the
  // chord change run now. Otherwise the intro code goes to ControlKey.
  void IntroCommand();
  // With "Minus One" checked, a note-on on the keyboard channel tells the engine the player took over.
  void MarkMinusOne(uint8_t channel);

  // --- Switches that act at once -------------------------------------------------------------------
  // "Play Chords": refused (false) while the sequencer plays. Runs the engine reset and sets the
  // chord-sound velocity (100 on, 1 off).
  bool SetPlayChords(bool on);
  // "Chords": all notes off; the keyboard panel follows (melody choice when cleared).
  void SetChords(bool on);
  // "Keyboard Split": the keyboard channel's notes are released.
  void SetKeyboardSplit(bool on);
  // "Set values and activate Split": the zones from SplitChoices, "Keyboard Split" checked, all notes
  // off. "Deactivate Keyboard Split": unchecked, all notes off.
  void SetValuesAndActivateSplit();
  void DeactivateKeyboardSplit();
  // The zones from SplitChoices without switching anything (the channel set-up runs this).
  void KeyboardSplitSetup() { zones_ = ComputeSplitZones(SplitChoices); }

  // --- The keyboard panel ----------------------------------------------------------------------------
  // Octave -3..4 and transpose -11..11, clamped. A change releases the keyboard channel's notes.
  void SetKeyboardOctave(int octave);
  void SetKeyboardTranspose(int transpose);
  int KeyboardOctave() const { return octave_; }
  int KeyboardTranspose() const { return transpose_; }
  // octave x 12 + transpose, added to played-through notes of input 1 (not channel 10).
  int KeyboardShift() const { return octave_ * 12 + transpose_; }
  // The "Accompaniment" choice: the first (chords from the computer keys and the piano) or melody.
  bool MelodyMode() const { return melodyMode_; }
  void SetMelodyMode(bool melody) { melodyMode_ = melody; }

  // --- State ---------------------------------------------------------------------------------------
  // The "Keyboard Split" dialog's values, and the zones last set up from them.
  std::array<SplitZoneChoice, kSplitZones> SplitChoices{};
  const SplitZones& Zones() const { return zones_; }
  // Instrument keys: keys from LowestInstrumentKey below UpperInstrumentKey select presets.
  int LowestInstrumentKey = 36;
  int UpperInstrumentKey = 48;
  // The lowest trigger key of "Play Chords": two octaves above the C at or below "First Acc. Key".
  // The eleven keys from an octave below it select the chord types maj .. 6th.
  int LowestTriggerKey() const;
  bool Sustain(uint8_t channel) const { return sustain_[channel & 0x0F]; }
  config::ControlKeyNotes Keys() const { return config::ComputeControlKeyNotes(settings_); }
  bool IsControlKey(int key) const;
  ChordRecognizer& Recognizer() { return recognizer_; }
  ChordState& Chords() { return chords_; }
  const LiveInputSeams& Seams() const { return seams_; }
  config::Options& Options() { return options_; }
  const config::Options& Options() const { return options_; }
  const config::Settings& Settings() const { return settings_; }

 private:
  template <typename Handle>
  void Drain(midi::TMidiInput& input, Handle handle);
  void Input1(const midi::TMyMidiEvent& event);
  void Input2(const midi::TMyMidiEvent& event);
  // Steps of input 1. ChordKey answers whether the note was taken as a chord, control or instrument
  // key (then it is not played).
  bool ChordKey(int arrivalChannel, uint8_t kind, uint8_t key, uint8_t velocity);
  void TriggeredChord(uint8_t key, bool noteOn, uint8_t velocity);
  void PlayNote(uint8_t kind, uint8_t channel, uint8_t key, uint8_t velocity);
  // The instrument-key operation; true when the key selected something.
  bool InstrumentKey(int key, int upper, int lowest);
  void Preset(int number);
  // Steps of input 2.
  bool ExternalCommand(uint8_t controller, uint8_t value);
  // Melody recording and forwarding on "Midiout" of a played message.
  void Play(uint8_t status, uint8_t data1, uint8_t data2, bool isNote);
  // Sends on the output when it is open. A message whose data bytes left 0..127 (a note moved out of
  // the MIDI range) is not sent: a byte above 127 would be taken for a status byte.
  static void Send(midi::TMidiOutput& output, uint8_t status, int data1, int data2);
  void Forward(midi::TMidiOutput& output, const midi::TMyMidiEvent& event);
  void SyncRecognizer();
  void ReleaseKeyboardChannel();

  LiveInputSeams seams_;
  ChordState& chords_;
  config::Options& options_;
  const config::Settings& settings_;
  midi::DeviceConfig& devices_;
  midi::ControllerMemory& controllers_;
  ChordRecognizer recognizer_;

  std::array<bool, 16> sustain_{};
  SplitZones zones_ = ComputeSplitZones({});
  int octave_ = 0;
  int transpose_ = 0;
  bool melodyMode_ = false;
  // AdLibNote: the root seen at the previous call (its low byte; -1 before the first call) and the
  // note each press gave, per channel and note (-1 = none).
  int adLibRoot_ = -1;
  std::array<std::array<int16_t, 256>, 16> adLibNotes_;
  std::exception_ptr sendError_;
};

}  // namespace kalo::perform
