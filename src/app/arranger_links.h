#pragma once
// The arranger's side of the seams that its parts declare: each link forwards what a part asks to
// the part of the session that does it. Private to arranger.cpp; main thread only.

#include "app/arranger.h"
#include "app/song_side.h"
#include "midi/midi_status.h"
#include "song/song_files.h"

namespace kalo::app {

// The mixer's connection to the outputs and the engine.
class Arranger::MixerLink final : public MixerPort {
 public:
  static constexpr uint32_t kVolumeControl = 1;  // OutputCapabilities::Support bit

  explicit MixerLink(Arranger& arranger) : a_(arranger) {}
  bool MidioutOpen() const override { return a_.devices_->Midiout().IsOpen(); }
  void SendGenerated(uint8_t status, uint8_t data1, uint8_t data2) override {
    a_.SendGenerated(status, data1, data2);
  }
  void SetOutputVolume(uint16_t left, uint16_t right) override;
  // The solo choice takes effect at once.
  void SetSoloChannel(uint8_t soloChannel) override {
    a_.SoloChannel = soloChannel;
    if (a_.engine_) a_.engine_->SoloChannel = soloChannel;
  }
  // The Harmonic PAD's voice follows the style's set-ups: the pad never sounds with another program.
  void ChannelSetupsSent() override;

 private:
  Arranger& a_;
};

// What the housekeeping commands reach in the rest of the session.
class Arranger::HousekeepingLink final : public midi::HousekeepingSeam {
 public:
  explicit HousekeepingLink(Arranger& arranger) : a_(arranger) {}

  bool SequencerPlaying() const override { return a_.engine_->StylePlaying() || a_.engine_->SongState != 0; }
  void PressStop() override { a_.engine_->Stop(); }
  int SyncStart() const override { return a_.SyncStart; }
  void SetSyncStart(int state) override { a_.SyncStart = state; }
  void ClearSoundingNotes() override { a_.engine_->Book.Clear(); }
  void ClearChordTypeOverride() override { a_.chords_->ClearChordTypeOverride(); }
  void PrepareChannelSetup() override;
  // The keyboard split's zones from the "Keyboard Split" dialog's values.
  void ApplyKeyboardSplit() override {
    if (a_.dispatch_) a_.dispatch_->KeyboardSplitSetup();
  }
  void RestoreVoices() override;
  midi::MixerLevels Levels() const override;
  void StoreVoice(uint8_t channel, const midi::VoiceRecord& record) override {
    a_.mixer_->SetVoice(channel, record);
  }
  void ReleaseSustainSlider() override { a_.mixer_->SetSlider(MixerSlider::Sustain, 0, false); }
  void SendKeyboardVoice() override { a_.mixer_->SendKeyboardVoice(); }
  uint8_t PadProgram() const override;
  std::string InstrumentListName() const override { return a_.settings_.Patch; }
  bool InstrumentPadChecked() const override { return a_.options_.InstrumentPad; }
  void ResendInstrumentPad() override {
    a_.SetInstrumentPad(false);
    a_.SetInstrumentPad(true);
  }

 private:
  Arranger& a_;
};

// The clock's needs: the routes, the engine reset and Stop, the tempo field.
class Arranger::ClockLink final : public engine::ClockHost {
 public:
  explicit ClockLink(Arranger& arranger) : a_(arranger) {}
  void SendClickout(uint8_t realtimeByte) override;
  bool SecondSlotOpen() const override { return a_.devices_->SecondSlot().IsOpen(); }
  void ResetEngine() override { a_.engine_->ResetEngine(); }
  void Stop() override { a_.engine_->Stop(); }
  int32_t TempoFieldValue() const override { return a_.tempo_; }
  bool ChordmemoryRunning() const override { return a_.engine_->SongState != 0; }
  void SetClockPassThrough(bool on) override { a_.system_.Switches().ClockPassThrough.store(on); }

 private:
  Arranger& a_;
};

// The chord state's needs: the style start on the first chord, the chord tones, the chord codes.
class Arranger::ChordLink final : public perform::ChordHost {
 public:
  explicit ChordLink(Arranger& arranger) : a_(arranger) {}
  bool StylePlaying() const override { return a_.engine_->StylePlaying() || a_.engine_->SongState != 0; }
  bool StartOnChord() const override { return a_.options_.StartOnChord; }
  void StartStyleOnChord() override { a_.engine_->StartStyle(); }
  void SetChordTones(const std::array<int, 4>& tones) override { a_.engine_->SetChordTones(tones); }
  bool ChordsoutOpen() const override { return a_.devices_->Chordsout().IsOpen(); }
  void SendChordsout(uint8_t status, uint8_t data1, uint8_t data2) override {
    a_.devices_->Chordsout().PutShort(status, data1, data2);
  }

 private:
  Arranger& a_;
};

// The engine's needs: the routes on the path of every style event, and the session's controls.
class Arranger::EngineLink final : public engine::SequencerHost {
 public:
  explicit EngineLink(Arranger& arranger) : a_(arranger) {}
  bool MidioutOpen() const override { return a_.devices_->Midiout().IsOpen(); }
  void SendMidiout(uint8_t status, uint8_t data1, uint8_t data2) override {
    a_.devices_->Midiout().PutShort(status, data1, data2);
  }
  bool SecondSlotOpen() const override { return a_.devices_->SecondSlot().IsOpen(); }
  void SendSecondSlot(uint8_t status, uint8_t data1, uint8_t data2) override {
    a_.devices_->SecondSlot().PutShort(status, data1, data2);
  }
  void SendClickout(uint8_t realtimeByte) override { a_.clockLink_->SendClickout(realtimeByte); }
  void DiscardWaitingInput() override;
  bool SuppressControllers(int channel) const override {
    return a_.mixer_->SuppressControllers(static_cast<uint8_t>(channel & 0x0F));
  }
  void MarkChannelActive(int channel) override {
    a_.ChannelActive[static_cast<size_t>(channel & 0x0F)] = true;
  }
  void MirrorMixer(uint8_t status, uint8_t data1, uint8_t data2) override;
  engine::PadVoice Pad() const override;
  uint8_t SoloChoice() const override { return a_.SoloChannel; }
  void ShowTempo(int bpm) override;
  void Stopped() override;
  void RestoreCaption() override;

 private:
  Arranger& a_;
};

// The song side's needs: the main window's solo choice, the "Midiout" route and the activity boxes.
class Arranger::SongLink final : public SongSideHost {
 public:
  explicit SongLink(Arranger& arranger) : a_(arranger) {}
  uint8_t SoloChoice() const override { return a_.SoloChannel; }
  bool MidioutOpen() const override { return a_.devices_->Midiout().IsOpen(); }
  void SendMidiout(uint8_t status, uint8_t data1, uint8_t data2) override {
    a_.devices_->Midiout().PutShort(status, data1, data2);
  }
  void MarkChannelActive(int channel) override {
    a_.ChannelActive[static_cast<size_t>(channel & 0x0F)] = true;
  }
  bool StyleMode() const override { return a_.gen_->StyleMode; }

 private:
  Arranger& a_;
};

// What loading and saving songs reaches: the transport, the tempo and metrum, the melody channel's
// program, the style the song names and the caption.
class Arranger::SongFilesLink final : public song::SongFileHost {
 public:
  explicit SongFilesLink(Arranger& arranger) : a_(arranger) {}
  void StopTransport() override {
    if (a_.engine_->StylePlaying() || a_.engine_->SongState != 0) a_.engine_->Stop();
  }
  int Tempo() const override { return a_.tempo_; }
  void SetTempo(int bpm) override { a_.SetTempo(bpm); }
  bool EighthNoteStyle() const override { return a_.clock_->Beat.Mode == config::BeatMode::Eighth; }
  void SetMetrum(int metrumIndex) override {
    a_.settings_.Metrum = metrumIndex;
    a_.engine_->ApplySettings();
  }
  uint8_t MelodyProgram() const override {
    return a_.mixer_->Voice(static_cast<uint8_t>(a_.song_.Melody.Channel & 0x0F)).Program;
  }
  void SendMelodyProgram(uint8_t program) override {
    if (!a_.devices_->Midiout().IsOpen()) return;
    // The channel's voice record follows, so that the mixer and a later save know the instrument.
    const auto channel = static_cast<uint8_t>(a_.song_.Melody.Channel & 0x0F);
    midi::VoiceRecord voice = a_.mixer_->Voice(channel);
    voice.Program = program;
    a_.mixer_->SetVoice(channel, voice);
    a_.SendGenerated(static_cast<uint8_t>(midi::kProgramChange | (a_.song_.Melody.Channel & 0x0F)), program,
                     0);
  }
  void LoadStyleByName(const std::string& path) override { a_.gen_->LoadStyleByName(path); }
  std::string CurrentStylePath() const override { return a_.gen_->CurrentStylePath; }
  void SetCaption(const std::string& caption) override {
    Caption = caption;
    a_.host_.Display.SetCaption(caption);
  }

  // The main window's own caption: the title, and the song's name while one is open.
  std::string Caption = host::kApplicationTitle;

 private:
  Arranger& a_;
};

// The style's side: TGen's player, host and channel sink, and the mixer's changes to the style.
class Arranger::StyleLink final : public styles::StylePlayer,
                                  public styles::StyleCreatorHost,
                                  public app::StyleChannelSink {
 public:
  explicit StyleLink(Arranger& arranger) : a_(arranger) {}

  // styles::StylePlayer
  void Stop() override { a_.engine_->Stop(); }
  void RevoiceHeld(bool partChange, bool partSelect) override {
    const engine::ChordTransposer& t = a_.engine_->Transposer;
    a_.engine_->RevoiceHeld(16, t.StyleRoot, t.StyleType, partChange, partSelect);
  }
  void StartFadeOut() override { a_.engine_->StartFadeOut(); }
  void SetPartStart(bool on) override { a_.engine_->SetPartStart(on); }
  void ResetCountersForFreshStart() override { a_.engine_->ResetCountersForFreshStart(); }
  void Send(uint8_t status, uint8_t data1, uint8_t data2) override {
    a_.engine_->SendStyleMessage(status, data1, data2);
  }

  // styles::StyleCreatorHost
  bool Recording() const override { return a_.engine_->SongState > 0; }
  int Transposition() const override { return a_.engine_->GlobalTranspose; }
  bool MutedByHand(int channel) const override { return a_.HandMuted[static_cast<size_t>(channel & 0x0F)]; }
  void SetLiveMute(int channel, bool muted) override {
    a_.engine_->ChannelMute[static_cast<size_t>(channel & 0x0F)] = muted ? 1 : 0;
  }
  void UnmuteAllChannels() override {
    a_.HandMuted.fill(false);
    a_.engine_->ChannelMute.fill(0);
  }
  void SetTempo(int bpm) override { a_.SetTempo(bpm); }
  void SetRecordStartMeasure(int measure) override { a_.song_.Range.SetRecordStartMeasure(measure); }
  // The song's play range follows the style's measure length.
  void SetMeasureLength(int /*measureLength*/) override {
    a_.engine_->ApplySettings();
    a_.SyncSongMeasureLength();
  }
  void SetStyleMode(bool on) override;
  void SetRestoreOriginalEnabled(bool enabled) override { a_.StyleControls.RestoreOriginal = enabled; }
  void SetGoToEndEnabled(bool enabled) override { a_.StyleControls.GoToEnd = enabled; }
  void SetSetButtonEnabled(bool enabled) override { a_.StyleControls.SetButton = enabled; }
  void SetSaveStyleName(const std::string& path) override { a_.StyleControls.SaveStyleName = path; }
  void SelectChannelOneActive() override {
    a_.engine_->MinusOneChannel = 0;
    a_.StyleControls.ActiveChannelBox = true;
  }
  bool InstrumentPad() const override { return a_.options_.InstrumentPad; }
  void SetInstrumentPad(bool on) override { a_.SetInstrumentPad(on); }
  bool CountsForVolume(int channel) const override {
    const auto c = static_cast<size_t>(channel & 0x0F);
    return a_.ChannelActive[c] && a_.engine_->ChannelMute[c] == 0;
  }
  bool StartWaitPending() const override { return a_.clock_->StartWait > 0; }
  // Recording ends with the transport's Stop.
  void StopRecording() override { a_.engine_->Stop(); }
  bool ChordmemoryEmpty() const override { return a_.song_.Chords.Empty(); }
  void ClearChordmemory() override { a_.song_.Chords.Clear(); }
  void LoadChordmemory(const song::Chordmemory& chords) override { a_.song_.Chords = chords; }
  song::Chordmemory CurrentChordmemory() const override { return a_.song_.Chords; }

  // app::StyleChannelSink
  void SetChannelController(uint8_t channel, uint8_t controller, uint8_t value) override {
    a_.gen_->SetChannelController(channel, controller, value);
  }
  void SetChannelInstrument(uint8_t channel, uint8_t bankMsb, uint8_t program, uint8_t bankLsb) override {
    a_.gen_->SetChannelInstrument(channel, bankMsb, program, bankLsb);
  }

 private:
  Arranger& a_;
};

}  // namespace kalo::app
