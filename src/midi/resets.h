#pragma once
// The MIDI housekeeping commands of the main window: "MIDI Reset" (GM, GS, XG), "All Notes Off" /
// "Panic", "Reset Controllers", "Send Voice Messages", "Set Startvalues" and the channel set-up that
// follows opening an output or a reset. Main thread only; everything goes out on the "Midiout"
// route, and nothing is sent while that output is closed.

#include <cstdint>
#include <string>

#include "host/dialogs.h"
#include "midi/device_config.h"
#include "midi/midi_output.h"
#include "midi/midi_system.h"
#include "midi/reset_messages.h"
#include "midi/voice_record.h"

namespace kalo::midi {

inline constexpr const char* kResetDoneMessage = "MIDI-Reset is done !";

// The mixer's Volume, Pan, Reverb and Chorus sliders, 0..127.
struct MixerLevels {
  uint8_t Volume = 105;
  uint8_t Pan = 64;
  uint8_t Reverb = 64;
  uint8_t Chorus = 0;
};

// What the housekeeping commands need from the rest of the program: the sequencer, the performance
// state, the mixer and the configuration. The arranger implements it; tests fake it.
class HousekeepingSeam {
 public:
  virtual ~HousekeepingSeam() = default;

  // Sequencer.
  virtual bool SequencerPlaying() const = 0;
  virtual void PressStop() = 0;
  // 0 = off, 1 = armed with the internal clock, -1 = armed for an external start.
  virtual int SyncStart() const = 0;
  virtual void SetSyncStart(int state) = 0;
  // Empties the style player's two tables of sounding notes.
  virtual void ClearSoundingNotes() = 0;

  // Performance.
  virtual void ClearChordTypeOverride() = 0;
  // First step of the channel set-up: the Harmonic PAD channel becomes 16 and the pad octave 1;
  // "Unchanged MIDI in" and "Transmit Controllers" are unticked (the controller filter is on again).
  virtual void PrepareChannelSetup() = 0;
  // The keyboard-split set-up of "Set values and activate Split".
  virtual void ApplyKeyboardSplit() = 0;
  // Last step of the channel set-up, while the "Midiout" output is open: the voices a reset or a
  // newly opened device lost are sent again (the instruments chosen in the mixer and the current
  // style's channel set-ups), so that what sounds is what the mixer shows.
  virtual void RestoreVoices() = 0;

  // Mixer.
  virtual MixerLevels Levels() const = 0;
  virtual void StoreVoice(uint8_t channel, const VoiceRecord& record) = 0;
  // Moves the Sustain slider to 0, which sends controller 64 = 0 on the keyboard channel.
  virtual void ReleaseSustainSlider() = 0;
  // The keyboard channel's voice set-up (the mixer's Send voice).
  virtual void SendKeyboardVoice() = 0;

  // Configuration.
  virtual uint8_t PadProgram() const = 0;
  // File name of the instrument list in use (a folder part is ignored); empty for the built-in list.
  virtual std::string InstrumentListName() const = 0;
  virtual bool InstrumentPadChecked() const = 0;
  // Clears and checks "Instrument Pad" again so that the pad voice is sent anew.
  virtual void ResendInstrumentPad() = 0;
};

// The kind the "MIDI Reset" button sends for a patch mode (0 "gm", 1 "gs", 2 "xg").
ResetKind ResetKindForPatchMode(int patchMode);

class MidiResets final : public OutputOpenedHook {
 public:
  MidiResets(MidiSystem& system, DeviceConfig& devices, HousekeepingSeam& seam, host::Dialogs& dialogs);
  ~MidiResets() override;
  MidiResets(const MidiResets&) = delete;
  MidiResets& operator=(const MidiResets&) = delete;

  // Sends the reset. GM, GS and XG (GM first, then XG) finish in the reset-done handler, once the
  // device reports the last message played: the channel set-up runs, "MIDI-Reset is done !" is
  // shown, and an armed sync start is armed again. None sends the GM message only for the
  // "DB50XG.VXI" list and runs the channel set-up at once.
  void MidiReset(ResetKind kind);
  // True while a reset waits for the device to report its messages played.
  bool ResetPending() const { return resetOutput_ != nullptr; }

  // Controllers 64, 66 and 123 with value 0 on `channel` (0..15) when the output is open.
  static void ReleaseChannel(TMidiOutput& output, uint8_t channel);
  // "All Notes Off" / "Panic".
  void AllNotesOff();
  // "Reset Controllers" ("C. Reset"); also run after an output opened.
  void ResetControllers() override;
  // "Send Voice Messages" ("Send Values").
  void SendVoiceMessages();
  // "Set Startvalues" ("Reset"). Should the second-slot output fail to open again, the rest still
  // runs, the routes follow, and the device error is thrown at the end.
  void SetStartvalues();
  // The channel set-up; also run after an output opened. What it sends is kept in the controller
  // value memory, as every value sent is.
  void ChannelSetup() override;

 private:
  void SendControl(TMidiOutput& output, uint8_t channel, uint8_t controller, uint8_t value);
  // Sends and keeps the value in the controller value memory.
  void SendRemembered(TMidiOutput& output, uint8_t status, uint8_t data1, uint8_t data2);
  void OnResetDone(TMidiOutput& output);

  MidiSystem& system_;
  DeviceConfig& devices_;
  HousekeepingSeam& seam_;
  host::Dialogs& dialogs_;
  TMidiOutput* resetOutput_ = nullptr;  // output whose Onmidioutput runs OnResetDone
  int syncStartBeforeReset_ = 0;
};

}  // namespace kalo::midi
