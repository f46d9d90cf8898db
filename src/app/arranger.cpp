#include "app/arranger.h"

#include "midi/midi_errors.h"
#include "midi/reset_messages.h"

namespace kalo::app {

// The mixer's connection to the outputs and the engine.
class Arranger::MixerLink final : public MixerPort {
 public:
  static constexpr uint32_t kVolumeControl = 1;  // OutputCapabilities::Support bit

  explicit MixerLink(Arranger& arranger) : arranger_(arranger) {}
  bool MidioutOpen() const override { return arranger_.devices_->Midiout().IsOpen(); }
  void SendGenerated(uint8_t status, uint8_t data1, uint8_t data2) override {
    arranger_.SendGenerated(status, data1, data2);
  }
  void SetOutputVolume(uint16_t left, uint16_t right) override {
    midi::TMidiOutput& output = arranger_.devices_->Midiout();
    // A device without volume control (plain MIDI ports) keeps its level rather than reporting an
    // error on every slider move.
    if ((output.Capabilities().Support & kVolumeControl) == 0) {
      return;
    }
    // The device takes the left volume in the low 16 bits.
    output.SetVolume(right, left);
  }
  void SetSoloChannel(uint8_t soloChannel) override { arranger_.SoloChannel = soloChannel; }

 private:
  Arranger& arranger_;
};

// What the housekeeping commands reach in the rest of the session.
class Arranger::HousekeepingLink final : public midi::HousekeepingSeam {
 public:
  explicit HousekeepingLink(Arranger& arranger) : a_(arranger) {}

  bool SequencerPlaying() const override {
    return a_.hooks_.SequencerPlaying && a_.hooks_.SequencerPlaying();
  }
  void PressStop() override {
    if (a_.hooks_.Stop) a_.hooks_.Stop();
  }
  int SyncStart() const override { return a_.SyncStart; }
  void SetSyncStart(int state) override { a_.SyncStart = state; }
  void ClearSoundingNotes() override {
    if (a_.hooks_.ClearSoundingNotes) a_.hooks_.ClearSoundingNotes();
  }
  void ClearChordTypeOverride() override { a_.chords_->ClearChordTypeOverride(); }
  void PrepareChannelSetup() override {
    a_.PadChannel = 16;
    a_.PadOctave = 1;
    a_.options_.UnchangedMidiIn = false;
    a_.SetTransmitControllers(false);
  }
  void ApplyKeyboardSplit() override {
    if (a_.hooks_.KeyboardSplitSetup) a_.hooks_.KeyboardSplitSetup();
  }
  midi::MixerLevels Levels() const override {
    const app::Mixer& mixer = *a_.mixer_;
    return {mixer.Slider(MixerSlider::Volume), mixer.Slider(MixerSlider::Pan),
            mixer.Slider(MixerSlider::Reverb), mixer.Slider(MixerSlider::Chorus)};
  }
  void StoreVoice(uint8_t channel, const midi::VoiceRecord& record) override {
    a_.mixer_->SetVoice(channel, record);
  }
  void ReleaseSustainSlider() override { a_.mixer_->SetSlider(MixerSlider::Sustain, 0, false); }
  void SendKeyboardVoice() override { a_.mixer_->SendKeyboardVoice(); }
  uint8_t PadProgram() const override {
    const auto pad = a_.instruments_.PadInstrument();
    return pad ? pad->Program : 0;
  }
  std::string InstrumentListName() const override { return a_.settings_.Patch; }
  bool InstrumentPadChecked() const override { return a_.options_.InstrumentPad; }
  void ResendInstrumentPad() override {
    a_.SetInstrumentPad(false);
    a_.SetInstrumentPad(true);
  }

 private:
  Arranger& a_;
};

Arranger::Arranger(host::MainLoop& loop, host::Dialogs& dialogs, host::Display& display,
                   std::vector<std::unique_ptr<midi::PortBackend>> backends)
    : loop_(loop), dialogs_(dialogs), display_(display), system_(loop) {
  for (auto& backend : backends) {
    system_.Devices().AddBackend(std::move(backend));
  }
  try {
    input1_ = std::make_unique<midi::TMidiInput>(system_);
    input2_ = std::make_unique<midi::TMidiInput>(system_);
  } catch (const midi::EMidiInputError&) {
    // No input device at all: the slots stay empty and the input lists hold only "<None>".
  }
  output1_ = std::make_unique<midi::TMidiOutput>(system_);
  output2_ = std::make_unique<midi::TMidiOutput>(system_);
  devices_ = std::make_unique<midi::DeviceConfig>(system_, dialogs_, input1_.get(), input2_.get(), *output1_,
                                                  *output2_);
  mixerLink_ = std::make_unique<MixerLink>(*this);
  mixer_ = std::make_unique<app::Mixer>(*mixerLink_);

  perform::ChordSeams seams;
  seams.SequencerPlaying = [this] { return hooks_.SequencerPlaying && hooks_.SequencerPlaying(); };
  seams.SendClickout = [this](uint8_t byte) {
    if (devices_->Clickout().IsOpen()) devices_->Clickout().PutShort(byte, 0, 0);
  };
  seams.ChordsoutOpen = [this] { return devices_->Chordsout().IsOpen(); };
  seams.SendChordsout = [this](uint8_t status, uint8_t data1, uint8_t data2) {
    devices_->Chordsout().PutShort(status, data1, data2);
  };
  chords_ = std::make_unique<perform::ChordState>(options_, display_, std::move(seams));

  housekeepingLink_ = std::make_unique<HousekeepingLink>(*this);
  resets_ = std::make_unique<midi::MidiResets>(system_, *devices_, *housekeepingLink_, dialogs_);
  devices_->SetOpenedHook(resets_.get());
}

Arranger::~Arranger() {
  // The outputs may still report messages; nothing may call into the parts being destroyed.
  devices_->SetOpenedHook(nullptr);
  resets_.reset();
}

void Arranger::SetHooks(ArrangerHooks hooks) {
  hooks_ = std::move(hooks);
  mixer_->SetStyleSink(hooks_.StyleChannels);
}

void Arranger::LoadInstrumentList() {
  instruments_.Load(settings_);
  if (!instruments_.LoadError().empty())
    dialogs_.Inform("Instrument list not loaded: " + instruments_.LoadError());
  mixer_->SetInstrumentList(instruments_.Entries(), instruments_.Kind(), instruments_.Selected());
}

void Arranger::Start() {
  LoadInstrumentList();
  devices_->OpenConfigured({settings_.MidiOut, settings_.MidiIn, settings_.MidiSubOut, settings_.MidiSubIn});
  try {
    resets_->MidiReset(midi::ResetKind::None);
  } catch (const midi::EmidioutputError& error) {
    dialogs_.Inform(error.what());
  }
}

void Arranger::StoreDevicePositions() {
  const midi::StoredDevicePositions positions = devices_->Positions();
  settings_.MidiOut = positions.MidiOut;
  settings_.MidiIn = positions.MidiIn;
  settings_.MidiSubOut = positions.MidiSubOut;
  settings_.MidiSubIn = positions.MidiSubIn;
}

void Arranger::MidiResetButton() { resets_->MidiReset(midi::ResetKindForPatchMode(settings_.PatchMode)); }

void Arranger::SetTransmitControllers(bool on) {
  options_.TransmitControllers = on;
  system_.Switches().ControllerFilter.store(!on);
}

void Arranger::SetInstrumentPad(bool on) {
  options_.InstrumentPad = on;
  if (!on || !devices_->Midiout().IsOpen()) {
    return;
  }
  const auto pad = instruments_.PadInstrument();
  if (!pad) {
    return;
  }
  const auto channel = static_cast<uint8_t>((PadChannel - 1) & 0x0F);
  for (const auto& message : pad->Bytes(channel)) {
    SendGenerated(message[0], message[1], message[2]);
  }
  midi::VoiceRecord record = mixer_->Voice(channel);
  record.BankMsb = pad->Controller0;
  record.BankLsb = pad->Controller32;
  record.Program = pad->Program;
  mixer_->SetVoice(channel, record);
}

void Arranger::SendGenerated(uint8_t status, uint8_t data1, uint8_t data2) {
  if (hooks_.RecordGenerated) {
    hooks_.RecordGenerated(status, data1, data2);
  }
  const uint8_t kind = status & 0xF0;
  if (kind == midi::kControlChange || kind == midi::kProgramChange || kind == midi::kChannelPressure) {
    system_.Controllers().Check(status, data1, data2, false);
  }
  const bool noteOn = kind == 0x90;
  const bool polyPressure = kind == 0xA0;
  if (options_.SendChordCodes && !noteOn && !polyPressure) {
    for (midi::TMidiOutput* output : {output1_.get(), output2_.get()}) {
      if (output->IsOpen()) output->PutShort(status, data1, data2);
    }
    return;
  }
  midi::TMidiOutput& midiout = devices_->Midiout();
  if (midiout.IsOpen()) {
    midiout.PutShort(status, data1, data2);
  }
}

}  // namespace kalo::app
