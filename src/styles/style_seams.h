#pragma once
// What the style's operations need from the rest of the program, as interfaces that the engine, the
// mixer and the main window implement (the arranger wires them). All calls come on the main thread.
// The player's operations are all required; the mixer's and the main window's have harmless
// defaults, which the arranger overrides every one of.

#include <array>
#include <cstdint>
#include <string>

#include "song/chordmemory.h"

namespace kalo::styles {

// The style player of the engine.
class StylePlayer {
 public:
  virtual ~StylePlayer() = default;
  // Stops playing the style (the main window's Stop while the Style-Creator plays).
  virtual void Stop() = 0;
  // Re-voices or silences held pattern notes on all 16 channels in the current chord.
  virtual void RevoiceHeld(bool partChange, bool partSelect) = 0;
  // Starts the fade-out (FadeActive := 1, FadeAmount := 0).
  virtual void StartFadeOut() = 0;
  // The player's part-start flag.
  virtual void SetPartStart(bool on) = 0;
  // Resets the counters for a fresh start (tick in beat 24, beat counters 1).
  virtual void ResetCountersForFreshStart() = 0;
  // Sends a channel message on the accompaniment output ("Midiout").
  virtual void Send(uint8_t status, uint8_t data1, uint8_t data2) = 0;
};

// The mixer, as far as the style's channel set-ups go to it.
class ChannelSetupSink {
 public:
  virtual ~ChannelSetupSink() = default;
  virtual uint8_t KeyboardChannel() const { return 0; }
  virtual void SetKeyboardChannel(uint8_t /*channel*/) {}
  // Takes a channel's set-up into the live sound state and sends it: controller 121 first, then the
  // set values. `entries` holds kAppliedEntries' values in that order; 255 = not set (entries above
  // 127 arrive as 255). With updateControls the mixer's sliders show the values.
  virtual void ApplyChannelSetup(uint8_t /*channel*/, const std::array<uint8_t, 13>& /*entries*/,
                                 bool /*updateControls*/) {}
  // Stores one controller value in the live sound state (and its slider) and sends it.
  virtual void SetLiveController(uint8_t /*channel*/, uint8_t /*controller*/, uint8_t /*value*/) {}
  // Every used channel's set-up has been sent: voices that are not the style's (the Harmonic PAD's)
  // are sent again after them.
  virtual void ChannelSetupsSent() {}
};

// The main window and the Style-Creator's controls.
class StyleCreatorHost {
 public:
  virtual ~StyleCreatorHost() = default;
  // The main window records a song: style loads are refused silently.
  virtual bool Recording() const { return false; }
  // The main window's transposition, -24 to 24 semitones.
  virtual int Transposition() const { return 0; }
  // A channel muted by hand with its channel box keeps its mute when a part is selected.
  virtual bool MutedByHand(int /*channel*/) const { return false; }
  virtual void SetLiveMute(int /*channel*/, bool /*muted*/) {}
  // Unmutes all 16 channels: live mute state and channel boxes.
  virtual void UnmuteAllChannels() {}
  // The tempo field (called only with 25 to 250).
  virtual void SetTempo(int /*bpm*/) {}
  // The record start measure field, -500 to 500; its change handler recomputes the position.
  virtual void SetRecordStartMeasure(int /*measure*/) {}
  // The main window's measure length L (the configuration's metre list is already set).
  virtual void SetMeasureLength(int /*measureLength*/) {}
  // The Style-Creator's mode: Style-Mode on, or song mode.
  virtual void SetStyleMode(bool /*on*/) {}
  virtual void SetRestoreOriginalEnabled(bool /*enabled*/) {}
  virtual void SetGoToEndEnabled(bool /*enabled*/) {}
  virtual void SetSetButtonEnabled(bool /*enabled*/) {}
  // The main window's save dialog proposes this style file next.
  virtual void SetSaveStyleName(const std::string& /*path*/) {}
  // "Solo on channel 1": the "Active/Minus/Repl. Ch." choice becomes channel 1, its box ticked.
  virtual void SelectChannelOneActive() {}
  // The main window's "Instrument Pad" box.
  virtual bool InstrumentPad() const { return false; }
  virtual void SetInstrumentPad(bool /*on*/) {}
  // A channel whose box shows the greyed activity state and that is not muted: its volume counts
  // when the style volume is normalised.
  virtual bool CountsForVolume(int /*channel*/) const { return true; }
  // The wait for the external device after Start is pending: nothing is recorded.
  virtual bool StartWaitPending() const { return false; }
  // Recording stops (the stream is full).
  virtual void StopRecording() {}
  // The Chordmemory.
  virtual bool ChordmemoryEmpty() const { return true; }
  virtual void ClearChordmemory() {}
  virtual void LoadChordmemory(const song::Chordmemory& /*chords*/) {}
  virtual song::Chordmemory CurrentChordmemory() const { return song::Chordmemory::Cleared(); }
};

}  // namespace kalo::styles
