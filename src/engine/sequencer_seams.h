#pragma once
// What the sequencer needs from the rest of the program: the output routes and the session's
// controls (SequencerHost), and the song side, the Chordmemory and the melody track (SongSide). The
// arranger implements both. Every call comes on the main thread, most of them inside a tick: none may
// block, and the sends are on the path of every style event.

#include <cstdint>

namespace kalo::engine {

class Sequencer;

// The Harmonic PAD's voice: where the pad notes of a chord sound.
struct PadVoice {
  uint8_t Channel = 15;  // 0..15
  int Shift = 12;        // semitones added to the chord-sound tones
  uint8_t Velocity = 105;
};

class SequencerHost {
 public:
  virtual ~SequencerHost() = default;

  // The "Midiout" route: the style, the metronome, the chord sound and the pad.
  virtual bool MidioutOpen() const = 0;
  virtual void SendMidiout(uint8_t status, uint8_t data1, uint8_t data2) = 0;
  // The second-slot route (output 2 while it is open, else output 1): chord tones while no style plays.
  virtual bool SecondSlotOpen() const = 0;
  virtual void SendSecondSlot(uint8_t status, uint8_t data1, uint8_t data2) = 0;
  // One realtime byte on the "Clickout" route; dropped while that output is closed.
  virtual void SendClickout(uint8_t realtimeByte) = 0;

  // Drops the MIDI input events still waiting to be handled (the engine reset).
  virtual void DiscardWaitingInput() = 0;
  // The mixer's "Suppress Controllers" flag of a channel 0..15.
  virtual bool SuppressControllers(int channel) const = 0;
  // A style note played on a channel: its box in the main window shows the channel as active.
  virtual void MarkChannelActive(int channel) = 0;
  // A controller, program or pressure message of the style that passed the filter; the mixer panel
  // follows it when it shows that channel.
  virtual void MirrorMixer(uint8_t status, uint8_t data1, uint8_t data2) = 0;
  // The Harmonic PAD's channel, octave and volume now.
  virtual PadVoice Pad() const = 0;
  // The main window's "Solo" choice (0 = none, 1..16), which the engine reset restores.
  virtual uint8_t SoloChoice() const = 0;
  // A tempo function changed the tempo (25..250): the tempo field shows it.
  virtual void ShowTempo(int bpm) = 0;
  // The transport stopped (after the engine reset): a Style-Creator recording ends here.
  virtual void Stopped() = 0;
  // The engine reset: the main window's caption goes back to its own (the application title, with
  // the name of the song while one is open), dropping a received chord shown there.
  virtual void RestoreCaption() = 0;
};

// The song side of the tick. While SongState is 0 (live play) the sequencer asks only for the
// melody step, the function copy, the ending-wait clearing and the reset; the song-mode steps are
// asked for only once a song is played or recorded (SongState not 0), which only the song side
// itself starts.
class SongSide {
 public:
  virtual ~SongSide() = default;

  // The song-mode part of a tick (SongState not 0), after the count-in: the Chordmemory read or
  // written at each beat, the read-ahead, the lead-in, loops, the song's clicks and the melody clock.
  // It calls back the sequencer's PartSwitch, ChordChange, Click and Stop.
  virtual void SongModeTick(Sequencer& sequencer) = 0;
  // Just before the style's stream pass of a tick: the melody track's per-tick player step when the
  // track holds events.
  virtual void MelodyStep() = 0;
  // A style-part key or function was entered (EnterFunction): the Chordmemory recorder's copy.
  virtual void FunctionEntered(int key, int parameter) = 0;
  // A chord or function was entered while the clock is off and the Chordmemory is step-recorded.
  virtual void StepRecordEntry(Sequencer& sequencer) = 0;
  // A part request other than the ending or a tempo was carried out: the Chordmemory ending wait ends.
  virtual void ClearEndingWait() = 0;
  // Stop while the Chordmemory is recorded: the end mark is written.
  virtual void FinishRecording() = 0;
  // The engine reset: the pending recording values, the loop state, the song transposition and the
  // melody counters go back to their start.
  virtual void ResetSong() = 0;
};

}  // namespace kalo::engine
