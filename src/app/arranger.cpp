#include "app/arranger.h"

#include "app/arranger_links.h"
#include "app/chord_editor_side.h"
#include "app/live_input_link.h"
#include "app/song_side.h"
#include "app/style_creator_side.h"
#include "app/style_manager_side.h"
#include "midi/midi_errors.h"
#include "midi/midi_status.h"
#include "midi/reset_messages.h"

namespace kalo::app {

// --- Links -----------------------------------------------------------------------------------------

void Arranger::MixerLink::SetOutputVolume(uint16_t left, uint16_t right) {
  midi::TMidiOutput& output = a_.devices_->Midiout();
  // A device without volume control (plain MIDI ports) keeps its level rather than reporting an
  // error on every slider move.
  if ((output.Capabilities().Support & kVolumeControl) == 0) return;
  // The device takes the left volume in the low 16 bits.
  output.SetVolume(right, left);
}

void Arranger::HousekeepingLink::PrepareChannelSetup() {
  a_.PadChannel = 16;
  a_.PadOctave = 1;
  a_.options_.UnchangedMidiIn = false;
  a_.SetTransmitControllers(false);
}

void Arranger::HousekeepingLink::RestoreVoices() {
  a_.mixer_->ResendChosenInstruments();
  // The style's own set-ups come last: on its channels they are what the style plays with.
  if (a_.gen_ && a_.gen_->CurrentStyle().HasMaterial()) a_.gen_->ApplyChannelSetups(false);
}

midi::MixerLevels Arranger::HousekeepingLink::Levels() const {
  const app::Mixer& mixer = *a_.mixer_;
  return {mixer.Slider(MixerSlider::Volume), mixer.Slider(MixerSlider::Pan),
          mixer.Slider(MixerSlider::Reverb), mixer.Slider(MixerSlider::Chorus)};
}

uint8_t Arranger::HousekeepingLink::PadProgram() const {
  const auto pad = a_.instruments_.PadInstrument();
  return pad ? pad->Program : 0;
}

void Arranger::ClockLink::SendClickout(uint8_t realtimeByte) {
  midi::TMidiOutput& clickout = a_.devices_->Clickout();
  if (clickout.IsOpen()) clickout.PutShortMessage(realtimeByte);
}

void Arranger::EngineLink::DiscardWaitingInput() {
  for (midi::TMidiInput* input : {a_.input1_.get(), a_.input2_.get()}) {
    if (input == nullptr) continue;
    while (input->MessageCount() > 0) input->GetMidiEvent();
  }
}

void Arranger::EngineLink::MirrorMixer(uint8_t status, uint8_t data1, uint8_t /*data2*/) {
  // Controller values are read by the mixer's value display from the controller memory; a program
  // change renames the channel's row.
  const auto channel = static_cast<uint8_t>(status & 0x0F);
  if ((status & 0xF0) == midi::kProgramChange && channel == a_.mixer_->KeyboardChannel())
    a_.mixer_->UpdateRow(channel, data1);
}

engine::PadVoice Arranger::EngineLink::Pad() const {
  const auto channel = static_cast<uint8_t>((a_.PadChannel - 1) & 0x0F);
  return {channel, a_.PadOctave * 12, a_.mixer_->Voice(channel).Volume};
}

// With the Harmonic PAD on: the pad instrument's bank and program and the volume, pan, reverb and
// chorus of the pad channel's voice record, so that the pad never sounds with the program the
// channel last had (a piano after a reset).
void Arranger::MixerLink::ChannelSetupsSent() {
  midi::TMidiOutput& output = a_.devices_->Midiout();
  if (!a_.engineLink_) return;
  const engine::PadVoice pad = a_.engineLink_->Pad();
  // A style that plays on the pad's channel sets that channel up itself.
  if (!a_.settings_.Pad || !output.IsOpen() || a_.gen_->CurrentStyle().Header.Used(pad.Channel)) return;
  midi::VoiceRecord record = a_.mixer_->Voice(pad.Channel);
  if (const auto instrument = a_.instruments_.PadInstrument()) {
    record.BankMsb = instrument->Controller0;
    record.BankLsb = instrument->Controller32;
    record.Program = instrument->Program;
  }
  a_.mixer_->SetVoice(pad.Channel, record);
  const auto control = static_cast<uint8_t>(midi::kControlChange | pad.Channel);
  const std::array<std::array<uint8_t, 3>, 7> messages = {{
      {control, midi::kCtlBankMsb, record.BankMsb},
      {control, midi::kCtlBankLsb, record.BankLsb},
      {static_cast<uint8_t>(midi::kProgramChange | pad.Channel), record.Program, 0},
      {control, midi::kCtlVolume, record.Volume},
      {control, midi::kCtlPan, record.Pan},
      {control, midi::kCtlReverb, record.Reverb},
      {control, midi::kCtlChorus, record.Chorus},
  }};
  for (const auto& m : messages) {
    a_.system_.Controllers().Check(m[0], m[1], m[2], false);
    output.PutShort(m[0], m[1], m[2]);
  }
}

void Arranger::EngineLink::ShowTempo(int bpm) {
  if (bpm >= engine::kMinFieldTempo && bpm <= engine::kMaxFieldTempo) a_.tempo_ = bpm;
}

void Arranger::EngineLink::Stopped() {
  if (a_.creatorSide_) a_.creatorSide_->TransportStopped();
}

void Arranger::EngineLink::RestoreCaption() {
  a_.host_.Display.SetCaption(a_.songFilesLink_ ? a_.songFilesLink_->Caption : host::kApplicationTitle);
}

void Arranger::StyleLink::SetStyleMode(bool on) {
  // The accompaniment plays instead of triggered chords.
  if (on) a_.options_.PlayChords = false;
  a_.engine_->Book.Clear();
}

// --- The arranger ------------------------------------------------------------------------------------

Arranger::Arranger(const ArrangerHost& host, std::vector<std::unique_ptr<midi::PortBackend>> backends)
    : host_(host), system_(host.Loop) {
  for (auto& backend : backends) system_.Devices().AddBackend(std::move(backend));
  try {
    input1_ = std::make_unique<midi::TMidiInput>(system_);
    input2_ = std::make_unique<midi::TMidiInput>(system_);
  } catch (const midi::EMidiInputError&) {
    // No input device at all: the slots stay empty and the input lists hold only "<None>".
  }
  output1_ = std::make_unique<midi::TMidiOutput>(system_);
  output2_ = std::make_unique<midi::TMidiOutput>(system_);
  devices_ = std::make_unique<midi::DeviceConfig>(system_, host_.Dialogs, input1_.get(), input2_.get(),
                                                  *output1_, *output2_);
  mixerLink_ = std::make_unique<MixerLink>(*this);
  mixer_ = std::make_unique<app::Mixer>(*mixerLink_);

  chordLink_ = std::make_unique<ChordLink>(*this);
  chords_ = std::make_unique<perform::ChordState>(options_, host_.Display, *chordLink_);
  recognizer_ = std::make_unique<perform::ChordRecognizer>(*chords_);

  housekeepingLink_ = std::make_unique<HousekeepingLink>(*this);
  resets_ = std::make_unique<midi::MidiResets>(system_, *devices_, *housekeepingLink_, host_.Dialogs);
  devices_->SetOpenedHook(resets_.get());

  clockLink_ = std::make_unique<ClockLink>(*this);
  clock_ = std::make_unique<engine::SequencerClock>(*clockLink_, host_.Timer, host_.Priority, host_.Display,
                                                    options_);

  styleLink_ = std::make_unique<StyleLink>(*this);
  gen_ = std::make_unique<styles::TGen>(styles::TGenContext{host_.Dialogs, host_.Display, host_.WebLinks,
                                                            host_.Folder, settings_, options_, *styleLink_,
                                                            *styleLink_, mixer_->StyleSetupSink()});
  mixer_->SetStyleSink(styleLink_.get());

  engineLink_ = std::make_unique<EngineLink>(*this);
  songLink_ = std::make_unique<SongLink>(*this);
  songSide_ = std::make_unique<app::SongSide>(song_, songOptions_, options_, settings_, *clock_, *chords_,
                                              host_.Dialogs, host_.Display, *songLink_);
  engine_ = std::make_unique<engine::Sequencer>(
      engine::SequencerContext{*clock_, *gen_, *chords_, system_.Controllers(), options_, settings_,
                               host_.Display, *engineLink_, *songSide_});
  songSide_->Attach(*engine_);
  songFilesLink_ = std::make_unique<SongFilesLink>(*this);
  songFiles_ = std::make_unique<song::SongFiles>(song_, host_.Dialogs, *songFilesLink_, host_.Folder,
                                                 settings_, options_);
  clock_->SetTickBody(engine_.get());

  liveLink_ = std::make_unique<LiveLink>(*this);
  // Played and generated messages reach the melody track through the dispatch's melody hook, the
  // second input's capture and the Style-Creator's keys the Style-Creator side.
  LiveHooks.Melody = songSide_.get();
  creatorSide_ = std::make_unique<app::StyleCreatorSide>(*this);
  LiveHooks.Creator = creatorSide_.get();
  dispatch_ = std::make_unique<perform::InputDispatch>(liveLink_->Seams(), *chords_, options_, settings_,
                                                       *devices_, system_.Controllers());
  editorSide_ = std::make_unique<ChordEditorSide>(*this);
  LiveHooks.Editor = editorSide_.get();
  if (input1_) input1_->OnMidiInput = [this](midi::TMidiInput& input) { DrainInput(input, true); };
  if (input2_) input2_->OnMidiInput = [this](midi::TMidiInput& input) { DrainInput(input, false); };
  styleManager_ = std::make_unique<app::StyleManagerSide>(*this);
}

void Arranger::Stop() {
  engine_->Stop();
  styleManager_->StopPreview();
}

void Arranger::DrainInput(midi::TMidiInput& input, bool keyboard) {
  try {
    if (keyboard) {
      dispatch_->MidiInput1MidiInput(input);
    } else {
      dispatch_->MidiInput2MidiInput(input);
    }
  } catch (const midi::EmidioutputError& error) {
    host_.Dialogs.Inform(error.what());
  } catch (const midi::EMidiInputError& error) {
    host_.Dialogs.Inform(error.what());
  }
}

Arranger::~Arranger() {
  if (clockStarted_) clock_->DoneClock();
  for (midi::TMidiInput* input : {input1_.get(), input2_.get()})
    if (input) input->OnMidiInput = nullptr;
  // The outputs may still report messages; nothing may call into the parts being destroyed.
  devices_->SetOpenedHook(nullptr);
  mixer_->SetStyleSink(nullptr);
  resets_.reset();
}

void Arranger::LoadInstrumentList() {
  instruments_.Load(settings_);
  if (!instruments_.LoadError().empty())
    host_.Dialogs.Inform("Instrument list not loaded: " + instruments_.LoadError());
  mixer_->SetInstrumentList(instruments_.Entries(), instruments_.Kind(), instruments_.Selected());
}

void Arranger::Start() {
  LoadInstrumentList();
  devices_->OpenConfigured({settings_.MidiOut, settings_.MidiIn, settings_.MidiSubOut, settings_.MidiSubIn});
  try {
    resets_->MidiReset(midi::ResetKind::None);
  } catch (const midi::EmidioutputError& error) {
    host_.Dialogs.Inform(error.what());
  }
  engine_->ApplySettings();
  options_.UnchangedExtIn = settings_.Redirect;
  dispatch_->KeyboardSplitSetup();
  recognizer_->LowestAccompanimentKey = config::ComputeControlKeyNotes(settings_).SectionFirst;
  recognizer_->KSmart = settings_.KSmart ? perform::kStaticReaction : perform::kSmartReaction;
  if (!clockStarted_) {
    clock_->InitClock();
    clockStarted_ = true;
  }
}

void Arranger::StoreDevicePositions() {
  const midi::StoredDevicePositions positions = devices_->Positions();
  settings_.MidiOut = positions.MidiOut;
  settings_.MidiIn = positions.MidiIn;
  settings_.MidiSubOut = positions.MidiSubOut;
  settings_.MidiSubIn = positions.MidiSubIn;
}

void Arranger::SetTempo(int bpm) {
  if (bpm < engine::kMinFieldTempo || bpm > engine::kMaxFieldTempo) return;
  tempo_ = bpm;
  clock_->TempoFieldChange(bpm);
}

void Arranger::ChordKeyDown(int key) {
  if (recognizer_->NoteOn(key)) recognizer_->CommonStep();
}

void Arranger::ChordKeyUp(int key) {
  if (recognizer_->NoteOff(key)) recognizer_->CommonStep();
}

void Arranger::SetChannelMute(int channel, bool muted) {
  const auto c = static_cast<size_t>(channel & 0x0F);
  HandMuted[c] = muted;
  engine_->ChannelMute[c] = muted ? 1 : 0;
}

void Arranger::SetTransposition(int semitones) { engine_->SetGlobalTranspose(semitones); }

void Arranger::MidiResetButton() { resets_->MidiReset(midi::ResetKindForPatchMode(settings_.PatchMode)); }

void Arranger::SetTransmitControllers(bool on) {
  options_.TransmitControllers = on;
  system_.Switches().ControllerFilter.store(!on);
}

void Arranger::SetInstrumentPad(bool on) {
  options_.InstrumentPad = on;
  if (!on || !devices_->Midiout().IsOpen()) return;
  const auto pad = instruments_.PadInstrument();
  if (!pad) return;
  const auto channel = static_cast<uint8_t>((PadChannel - 1) & 0x0F);
  for (const auto& message : pad->Bytes(channel)) SendGenerated(message[0], message[1], message[2]);
  midi::VoiceRecord record = mixer_->Voice(channel);
  record.BankMsb = pad->Controller0;
  record.BankLsb = pad->Controller32;
  record.Program = pad->Program;
  mixer_->SetVoice(channel, record);
}

void Arranger::SendGenerated(uint8_t status, uint8_t data1, uint8_t data2) {
  dispatch_->SendGenerated(status, data1, data2);
}

}  // namespace kalo::app
