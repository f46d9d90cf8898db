#pragma once
// The input dispatch over virtual MIDI ports, with every seam faked by one object that logs each call
// it receives as a line ("EnterFunction 38 12"). The player's keyboard is input 0, the external
// sequencer input 1; "Midiout" is routed to the second output so that what is played through (output 1)
// and what input 2 passes on (output 0) arrive apart.

#include <memory>
#include <string>
#include <vector>

#include "config/options.h"
#include "config/settings.h"
#include "host/display.h"
#include "midi/device_config_rig.h"
#include "perform/chord_state.h"
#include "perform/fake_chord_host.h"
#include "perform/input_dispatch.h"
#include "perform/live_input_seams.h"

namespace kalo::perform::testing {

using Bytes = std::vector<uint8_t>;

class FakeLive final : public LiveSequencer,
                       public LiveTransport,
                       public LiveSession,
                       public InstrumentPresets,
                       public MelodyRecorder,
                       public StyleCreatorHooks,
                       public ChordEditorInput,
                       public KeyboardCommands {
 public:
  std::vector<std::string> Log;
  int State = 0, Sync = 0, Transpose = 0, Intro = 1, Volume = 90;
  bool IsPlaying = false, RecordsChords = false, Capturing = false, TakesButtons = false;
  uint8_t Channel = 0;
  std::array<bool, 16> Suppress{}, Muted{};
  ChordState* Chords = nullptr;  // decodes chord codes in the channel filter, as the engine does

  void Note(const std::string& call, int a = -1000, int b = -1000) {
    Log.push_back(call + (a == -1000 ? "" : " " + std::to_string(a)) +
                  (b == -1000 ? "" : " " + std::to_string(b)));
  }

  int SongState() const override { return State; }
  int GlobalTranspose() const override { return Transpose; }
  void EnterFunction(int key, int parameter) override { Note("EnterFunction", key, parameter); }
  void PartSwitch() override { Note("PartSwitch"); }
  void ChordChange() override { Note("ChordChange"); }
  uint8_t ChannelFilter(uint8_t kind, uint8_t channel, uint8_t data1, uint8_t data2) override {
    if (Muted[channel]) return 255;
    if (kind == 0xB0 && Chords &&
        Chords->ReceiveChordCode(data1, data2, channel, 36) != ChordCodeKind::kNotACode)
      return 255;
    return (kind == 0x90 || kind == 0x80) && channel != 9 ? static_cast<uint8_t>(data1 + Transpose) : data1;
  }
  void ResetEngine() override { Note("ResetEngine"); }
  void MinusOnePlayed() override { Note("MinusOnePlayed"); }
  void StopChordSound() override { Note("StopChordSound"); }
  void SetChordSoundVelocity(uint8_t velocity) override { Note("SetChordSoundVelocity", velocity); }
  // The minor row of the scale-tone table: E, A and B a semitone lower.
  int HeldScaleShift(int type, int pc) const override {
    return type == kMin && (pc == 4 || pc == 9 || pc == 11) ? -1 : 0;
  }

  bool Playing() const override { return IsPlaying; }
  void Play() override { Note("Play"); }
  void Stop() override { IsPlaying = false, Note("Stop"); }
  void Record() override { Note("Record"); }
  void SetTempo(int bpm) override { Note("SetTempo", bpm); }
  void ExternalRealtime(uint8_t status) override { Note("ExternalRealtime", status); }
  void RestartBeatCounters() override { Note("RestartBeatCounters"); }
  void SetExternalClock(bool external) override { Note("SetExternalClock", external); }
  int SyncStart() const override { return Sync; }
  void SwitchSyncStart() override {
    Sync = Sync != 0 ? 0 : 1;
    Note("SwitchSyncStart", Sync);
  }

  uint8_t KeyboardChannel() const override { return Channel; }
  bool SuppressControllers(uint8_t channel) const override { return Suppress[channel]; }
  uint8_t VoiceVolume(uint8_t) const override { return static_cast<uint8_t>(Volume); }
  void MarkChannelActive(uint8_t) override {}
  void ShowRequestedFunction(int, int) override {}
  void AllNotesOff() override { Note("AllNotesOff"); }
  void CheckTransmitControllers() override { Note("CheckTransmitControllers"); }
  int IntroMeasures() const override { return Intro; }
  void SetIntroMeasures(int measures) override {
    Intro = measures;
    Note("SetIntroMeasures", measures);
  }
  bool MuteNone() const override { return true; }
  int MeasureLength() const override { return 16; }
  void SetSongPosition(int position) override { Note("SetSongPosition", position); }
  void InputModeChanged() override { Note("InputModeChanged"); }

  void SelectInstrumentPreset(int number) override { Note("SelectInstrumentPreset", number); }
  void SetPendingPreset(int number) override { Note("SetPendingPreset", number); }
  void StoreInstrumentPreset(int number) override { Note("StoreInstrumentPreset", number); }
  void RecallInstrumentPreset(int number) override { Note("RecallInstrumentPreset", number); }

  void RecordPlayed(uint8_t, uint8_t, uint8_t, bool) override {}
  void RecordGenerated(uint8_t, uint8_t, uint8_t) override {}

  bool WaitsForChord() const override { return false; }
  bool RecordingChords() const override { return RecordsChords; }
  bool CaptureActive() const override { return Capturing; }
  void Capture(uint8_t status, uint8_t data1, uint8_t) override { Note("Capture", status, data1); }
  bool WindowActive() const override { return false; }
  void Step(int direction) override { Note("Step", direction); }

  bool TakesChordButtons() const override { return TakesButtons; }
  void TakeChord(int root, int type) override { Note("TakeChord", root, type); }
  void TakeFunction(int code) override { Note("TakeFunction", code); }

  void ShowHelp() override { Note("ShowHelp"); }
  void ShowGuide() override { Note("ShowGuide"); }
  void TapTempo() override { Note("TapTempo"); }
  void OpenArrangement() override { Note("OpenArrangement"); }
  void ToggleHarmonicPad() override { Note("ToggleHarmonicPad"); }
  void FocusNextControl() override { Note("FocusNextControl"); }
  void Pause() override { Note("Pause"); }
  void ClearCountIn() override { Note("ClearCountIn"); }
};

struct LiveInputRig {
  LiveInputRig() {
    Devices.Input1->SetDeviceID(0);
    Devices.Input2->SetDeviceID(1);
    for (auto* input : {Devices.Input1.get(), Devices.Input2.get()}) input->Open(), input->Start();
    Devices.Output1->SetDeviceID(0);
    Devices.Output2->SetDeviceID(1);
    Devices.Output1->Open();
    Devices.Output2->Open();
    Devices.Config->SetRouteChoice(
        {midi::OutputSlot::Second, midi::OutputSlot::Second, midi::OutputSlot::Second});
    Live.Chords = &Chords;
    Devices.Input1->OnMidiInput = [this](midi::TMidiInput& in) { Dispatch.MidiInput1MidiInput(in); };
    Devices.Input2->OnMidiInput = [this](midi::TMidiInput& in) { Dispatch.MidiInput2MidiInput(in); };
  }

  ~LiveInputRig() { Devices.Input1->OnMidiInput = Devices.Input2->OnMidiInput = nullptr; }
  LiveInputRig(const LiveInputRig&) = delete;
  LiveInputRig& operator=(const LiveInputRig&) = delete;

  // Injects short messages into input 0 (the keyboard) or 1 (the sequencer) and lets them be dispatched.
  void Send(int input, std::initializer_list<Bytes> messages) {
    for (const Bytes& m : messages)
      Devices.Backend->InjectShort(input, midi::ShortMessage{m[0], m[1], m[2]}.Packed());
    Devices.Loop.RunPending();
  }
  std::vector<Bytes> Played() const { return Devices.Backend->SentBytes(1); }
  std::vector<Bytes> PassedOn() const { return Devices.Backend->SentBytes(0); }
  Chord Current() const { return {Chords.CurrentRoot, Chords.CurrentType}; }

  midi::testing::DeviceRig Devices{{"Keys", "Sequencer"}, {"Synth", "Module"}};
  config::Options Options;
  config::Settings Settings;
  host::NullDisplay Display;
  LoggingChordHost ChordHost;  // the chord state's own seam, apart from the dispatch's
  ChordState Chords{Options, Display, ChordHost};
  FakeLive Live;
  LiveInputSeams Seams{Live, Live, Live, Live, Live, Live, Live, Live};
  InputDispatch Dispatch{Seams, Chords, Options, Settings, *Devices.Config, Devices.System.Controllers()};
};

}  // namespace kalo::perform::testing
