#pragma once
// The pending and current chord of the session, the chord-type override, and the chord codes sent and
// received. One object, owned by the arranger; everything here runs on the main thread.
//
// Nothing here talks to a MIDI device or to the sequencer directly: starting a style, the chord-sound
// tones and the chord codes leave through ChordHost, which the arranger implements.

#include <array>
#include <cstdint>
#include <functional>

#include "config/options.h"
#include "host/display.h"
#include "midi/midi_status.h"
#include "perform/chord.h"
#include "perform/chord_code.h"

namespace kalo::perform {

// Transpose marker of SetChord: leave the root as given.
inline constexpr int kUntransposed = 129;
// The chord panel's colour when no chord-type override is pending (0x00BBGGRR).
inline constexpr uint32_t kChordPanelWhite = 0x00FFFFFF;
// What the chord state needs from the sequencer and the outputs. Main thread.
class ChordHost {
 public:
  virtual ~ChordHost() = default;
  // Whether a style (or song) plays.
  virtual bool StylePlaying() const = 0;
  // Whether the first chord given while nothing plays starts the style.
  virtual bool StartOnChord() const = 0;
  // Starts the style on the first chord (which is pending and current when this is called).
  virtual void StartStyleOnChord() = 0;
  // Hands the four chord-sound tones (note numbers, root + each interval) to the sequencer.
  virtual void SetChordTones(const std::array<int, 4>& tones) = 0;
  // Whether the output of the "Chordsout" route is open.
  virtual bool ChordsoutOpen() const = 0;
  // Sends one controller message on the "Chordsout" route (called only while ChordsoutOpen answers true).
  virtual void SendChordsout(uint8_t status, uint8_t data1, uint8_t data2) = 0;
};

// Optional observers of the chord state.
struct ChordObservers {
  // Told after a received command code switched "Melody Ad Lib", so that its check boxes follow.
  std::function<void(bool on)> MelodyAdLibSwitched;
  // Told each time SetChord makes a chord current (not for received codes, not for ReassertPendingChord).
  std::function<void(Chord chord)> ChordSet;
};

class ChordState {
 public:
  // `options`, `display` and `host` must outlive this object.
  ChordState(config::Options& options, host::Display& display, ChordHost& host);

  // The chord given and not yet applied; a root of 0 means none is pending. The sequencer clears both
  // when it applies the chord (ClearPendingChord).
  int16_t PendingRoot = 0;
  int16_t PendingType = 0;
  // The chord shown and sounding; root 128 with type 0 is no chord.
  int16_t CurrentRoot = kNoRoot;
  int16_t CurrentType = 0;
  // Channel 0..15 on which chord codes are sent ("... to Ch.").
  uint8_t ChordCodeChannel = 0;

  // Makes (root, type) the current and the pending chord after the chord-type override, "Triad chords",
  // "Major <> Minor" and the transposition (a semitone offset, or kUntransposed). With "Play Chords" the
  // root moves by the whole offset, otherwise by offset % 12 (sign of the offset). Type 0 does nothing;
  // other types outside 1..17 are refused too. The root is kept in 1..127 by whole octaves, so that a chord
  // is never mistaken for "none pending" and its tones stay near the MIDI range.
  void SetChord(int root, int type, int transpose);

  // Stores the pending chord again as it stands (current and pending, start-on-chord, chord tones)
  // without applying any option a second time. Does nothing when no chord is pending.
  void ReassertPendingChord();

  void ClearPendingChord() { PendingRoot = PendingType = 0; }

  // The chord-type override 1..17 of chord-type keys (0 clears it). A one-shot override is used by the
  // next SetChord only, which then returns the chord panel to white.
  void SetChordTypeOverride(int type, bool oneShot = false);
  void ClearChordTypeOverride() { SetChordTypeOverride(0); }
  int ChordTypeOverride() const { return override_; }
  bool ChordTypeOverrideIsOneShot() const { return overrideOneShot_; }

  // A controller message received on `channel` (0..15). While "Receive Chord Codes" is checked,
  // controllers 19 and 20 are chord codes: a chord becomes the current chord directly (no SetChord, the
  // pending chord is untouched) and is shown; 120/121 switch "Melody Ad Lib". Returns what the message
  // was; anything but kNotACode is consumed and must not be forwarded. Where a chord code is to be dropped
  // undecoded (a style loaded from a file is playing), the channel filter drops it without calling this.
  ChordCodeKind ReceiveChordCode(int controller, int value, int channel, int lowestAccompanimentKey);

  // Sends the current chord as a chord code when "Send Chord Codes ..." is checked and it differs (pitch
  // class or type) from the last one sent: on "Chordsout" while that output is open, then shows it and
  // remembers it. Returns true when the chord counted as sent. Called when a chord takes effect.
  bool SendChordCode();
  // Forgets the last chord sent, so that the next one is sent whatever it is.
  void ForgetSentChordCode() { sentCodeRoot_ = -1, sentCodeType_ = 0; }
  // The last chord sent: its root pitch class (-1 while none was sent) and its type.
  int SentCodeRoot() const { return sentCodeRoot_; }
  int SentCodeType() const { return sentCodeType_; }

  // Caption "<title>  -  Chord : <name>  -  Channel <channel + 1>"; with `panel` set and the chord panel
  // visible, the name goes into the panel as well.
  void ShowReceivedChord(int root, int type, bool panel, int channel);

  // Switch the two chord-code options. Clearing either one puts the caption back to the application
  // title; clearing the sending also forgets the last chord sent.
  void SetSendChordCodes(bool on);
  void SetReceiveChordCodes(bool on);

  config::Options& Options() { return options_; }
  const config::Options& Options() const { return options_; }
  ChordObservers& Observers() { return observers_; }

 private:
  void Commit(int root, int type);

  config::Options& options_;
  host::Display& display_;
  ChordHost& host_;
  ChordObservers observers_;
  int override_ = 0;
  bool overrideOneShot_ = false;
  int sentCodeRoot_ = -1;  // pitch class; -1: nothing sent yet
  int sentCodeType_ = 0;
};

}  // namespace kalo::perform
