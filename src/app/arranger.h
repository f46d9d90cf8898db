#pragma once
// The one owner of the session state: the MIDI devices and their configuration, the output routes,
// the mixer, the chord state, the options, the settings and the instrument lists. The windows and the
// command line hold a reference to it and call its commands. Main thread only.
//
// What later parts add (the sequencer engine, the input dispatch, the style) reaches the arranger's
// commands through ArrangerHooks until they are owned here too.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/mixer.h"
#include "config/instrument_list.h"
#include "config/options.h"
#include "config/settings.h"
#include "host/dialogs.h"
#include "host/display.h"
#include "host/main_loop.h"
#include "midi/device_config.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "midi/midi_system.h"
#include "midi/port_backend.h"
#include "midi/resets.h"
#include "perform/chord_state.h"

namespace kalo::app {

// Connections to parts the arranger does not own yet. An empty hook means "not connected": a query
// answers false and a command does nothing.
struct ArrangerHooks {
  // Whether the sequencer plays.
  std::function<bool()> SequencerPlaying;
  // The Stop command.
  std::function<void()> Stop;
  // Empties the style player's two tables of sounding notes.
  std::function<void()> ClearSoundingNotes;
  // The keyboard-split set-up of "Set values and activate Split".
  std::function<void()> KeyboardSplitSetup;
  // Records a generated message into the melody track when "Record" is on (the track decides).
  std::function<void(uint8_t status, uint8_t data1, uint8_t data2)> RecordGenerated;
  // The style's channel set-ups follow the user's mixer changes.
  StyleChannelSink* StyleChannels = nullptr;
};

class Arranger {
 public:
  // Adds the backends to the device registry in this order (their devices are numbered in that
  // order) and creates the two inputs and two outputs; an input that cannot be created (no input
  // device at all) leaves its slot empty. Nothing is opened yet.
  Arranger(host::MainLoop& loop, host::Dialogs& dialogs, host::Display& display,
           std::vector<std::unique_ptr<midi::PortBackend>> backends);
  ~Arranger();
  Arranger(const Arranger&) = delete;
  Arranger& operator=(const Arranger&) = delete;

  // Start-up after the settings are read: loads the instrument list, opens the stored devices
  // (device errors are shown, the other devices still open) and sends the reset of kind none.
  void Start();
  // Copies the four device lists' positions into the settings, for writing at exit.
  void StoreDevicePositions();
  // Loads the instrument list in use into the mixer's instrument box.
  void LoadInstrumentList();

  // The Stop command (the transport's), also the first step of the shutdown.
  void Stop() {
    if (hooks_.Stop) hooks_.Stop();
  }

  // --- Housekeeping commands ---------------------------------------------------------------------
  void MidiReset(midi::ResetKind kind) { resets_->MidiReset(kind); }
  // The "MIDI Reset" button: the kind of the configuration's patch mode.
  void MidiResetButton();
  void AllNotesOff() { resets_->AllNotesOff(); }
  void ResetControllers() { resets_->ResetControllers(); }
  void SendVoiceMessages() { resets_->SendVoiceMessages(); }
  void SetStartvalues() { resets_->SetStartvalues(); }
  // "Instrument Pad": when checked (and "Midiout" is open) the pad instrument is sent on the pad
  // channel and kept in its voice record.
  void SetInstrumentPad(bool on);

  // A message made by the program's own controls: melody recording, the controller value memory,
  // then both outputs with "Send Chord Codes" (not note-ons or polyphonic aftertouch), else the
  // "Midiout" output while it is open.
  void SendGenerated(uint8_t status, uint8_t data1, uint8_t data2);

  // "Transmit Controllers": while ticked, the inputs' driver callbacks let every controller, program
  // and channel-pressure value through (their controller filter is off); cleared, they drop values
  // the controller memory already holds.
  void SetTransmitControllers(bool on);

  // --- State -------------------------------------------------------------------------------------
  void SetHooks(ArrangerHooks hooks);
  config::Options& Options() { return options_; }
  config::Settings& Settings() { return settings_; }
  config::InstrumentLists& Instruments() { return instruments_; }
  midi::MidiSystem& Midi() { return system_; }
  midi::DeviceConfig& Devices() { return *devices_; }
  midi::MidiResets& Resets() { return *resets_; }
  app::Mixer& Mixer() { return *mixer_; }
  perform::ChordState& Chords() { return *chords_; }
  midi::TMidiInput* Input1() { return input1_.get(); }
  midi::TMidiInput* Input2() { return input2_.get(); }
  midi::TMidiOutput& Output1() { return *output1_; }
  midi::TMidiOutput& Output2() { return *output2_; }
  host::MainLoop& Loop() { return loop_; }
  host::Dialogs& Dialogs() { return dialogs_; }
  host::Display& Display() { return display_; }

  // Sync start: 0 off, 1 armed with the internal clock, -1 armed for an external start.
  int SyncStart = 0;
  // The engine's solo channel: 0 none, 1..16.
  uint8_t SoloChannel = 0;
  // The Harmonic PAD's channel (1..16) and octave.
  uint8_t PadChannel = 16;
  int PadOctave = 1;

 private:
  class MixerLink;
  class HousekeepingLink;

  host::MainLoop& loop_;
  host::Dialogs& dialogs_;
  host::Display& display_;
  config::Options options_;
  config::Settings settings_;
  config::InstrumentLists instruments_;
  ArrangerHooks hooks_;

  midi::MidiSystem system_;
  std::unique_ptr<midi::TMidiInput> input1_;
  std::unique_ptr<midi::TMidiInput> input2_;
  std::unique_ptr<midi::TMidiOutput> output1_;
  std::unique_ptr<midi::TMidiOutput> output2_;
  std::unique_ptr<midi::DeviceConfig> devices_;
  std::unique_ptr<MixerLink> mixerLink_;
  std::unique_ptr<app::Mixer> mixer_;
  std::unique_ptr<perform::ChordState> chords_;
  std::unique_ptr<HousekeepingLink> housekeepingLink_;
  std::unique_ptr<midi::MidiResets> resets_;
};

}  // namespace kalo::app
