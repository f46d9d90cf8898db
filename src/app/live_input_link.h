#pragma once
// The arranger's side of the live input's seams: the engine, the transport and the session state
// answer the input dispatch, the computer keys and the on-screen controls. What belongs to parts the
// session does not hold yet goes through Arranger::LiveHooks. Private to the arranger; main thread.

#include "app/arranger.h"

namespace kalo::app {

class Arranger::LiveLink final : public perform::LiveSequencer,
                                 public perform::LiveTransport,
                                 public perform::LiveSession,
                                 public perform::InstrumentPresets,
                                 public perform::MelodyRecorder,
                                 public perform::ChordEditorInput,
                                 public perform::KeyboardCommands {
 public:
  explicit LiveLink(Arranger& arranger) : a_(arranger), creator_(arranger) {}

  perform::LiveInputSeams Seams() { return {*this, *this, *this, *this, *this, creator_, *this, *this}; }

  // perform::LiveSequencer
  int SongState() const override { return a_.engine_->SongState; }
  int GlobalTranspose() const override { return a_.engine_->GlobalTranspose; }
  void EnterFunction(int key, int parameter) override { a_.engine_->EnterFunction(key, parameter); }
  void PartSwitch() override { a_.engine_->PartSwitch(); }
  void ChordChange() override { a_.engine_->ChordChange(); }
  uint8_t ChannelFilter(uint8_t kind, uint8_t channel, uint8_t data1, uint8_t data2) override;
  void ResetEngine() override { a_.engine_->ResetEngine(); }
  void MinusOnePlayed() override { a_.engine_->MinusOneHold = true; }
  void StopChordSound() override { a_.engine_->StopSoundingChord(); }
  void SetChordSoundVelocity(uint8_t velocity) override { a_.engine_->ChordSoundVelocity = velocity; }
  int HeldScaleShift(int type, int pitchClass) const override;

  // perform::LiveTransport
  bool Playing() const override { return a_.engine_->StylePlaying() || a_.engine_->SongState != 0; }
  void Play() override { a_.Play(); }
  void Stop() override { a_.Stop(); }
  void Record() override { a_.Record(); }
  void SetTempo(int bpm) override { a_.SetTempo(bpm); }
  void ExternalRealtime(uint8_t status) override { a_.clock_->ExternalRealtime(status); }
  void RestartBeatCounters() override { a_.engine_->ResetCountersForFreshStart(); }
  void SetExternalClock(bool external) override;
  int SyncStart() const override { return a_.SyncStart; }
  void SwitchSyncStart() override;

  // perform::LiveSession
  uint8_t KeyboardChannel() const override { return a_.mixer_->KeyboardChannel(); }
  bool SuppressControllers(uint8_t channel) const override {
    return a_.mixer_->SuppressControllers(channel & 0x0F);
  }
  uint8_t VoiceVolume(uint8_t channel) const override { return a_.mixer_->Voice(channel & 0x0F).Volume; }
  void MarkChannelActive(uint8_t channel) override { a_.ChannelActive[channel & 0x0F] = true; }
  void ShowRequestedFunction(int key, int value) override { a_.LastRequest = {key, value}; }
  void AllNotesOff() override { a_.AllNotesOff(); }
  void CheckTransmitControllers() override { a_.SetTransmitControllers(true); }
  int IntroMeasures() const override { return a_.song_.Range.RecordStartMeasure(); }
  void SetIntroMeasures(int measures) override;
  bool MuteNone() const override { return a_.songOptions_.Voices == song::IntroVoices::MuteNone; }
  int MeasureLength() const override { return a_.engine_->MeasureLength; }
  void SetSongPosition(int position) override { a_.song_.Position = position; }
  // The switches live in the options, which are the configuration's own state: nothing to copy.
  void InputModeChanged() override {}

  // perform::InstrumentPresets
  void SelectInstrumentPreset(int number) override {
    if (auto* p = a_.LiveHooks.Presets) p->SelectInstrumentPreset(number);
  }
  void SetPendingPreset(int number) override {
    if (auto* p = a_.LiveHooks.Presets) p->SetPendingPreset(number);
  }
  void StoreInstrumentPreset(int number) override {
    if (auto* p = a_.LiveHooks.Presets) p->StoreInstrumentPreset(number);
  }
  void RecallInstrumentPreset(int number) override {
    if (auto* p = a_.LiveHooks.Presets) p->RecallInstrumentPreset(number);
  }

  // perform::MelodyRecorder: the melody-recording seam the melody track fills.
  void RecordPlayed(uint8_t status, uint8_t data1, uint8_t data2, bool isNote) override {
    if (auto* m = a_.LiveHooks.Melody) m->RecordPlayed(status, data1, data2, isNote);
  }
  void RecordGenerated(uint8_t status, uint8_t data1, uint8_t data2) override {
    if (auto* m = a_.LiveHooks.Melody) m->RecordGenerated(status, data1, data2);
  }

  // perform::ChordEditorInput
  bool TakesChordButtons() const override {
    return a_.LiveHooks.Editor && a_.LiveHooks.Editor->TakesChordButtons();
  }
  void TakeChord(int root, int type) override {
    if (auto* e = a_.LiveHooks.Editor) e->TakeChord(root, type);
  }
  void TakeFunction(int code) override {
    if (auto* e = a_.LiveHooks.Editor) e->TakeFunction(code);
  }

  // perform::KeyboardCommands
  void ShowHelp() override { Command(&perform::KeyboardCommands::ShowHelp); }
  void ShowGuide() override { Command(&perform::KeyboardCommands::ShowGuide); }
  void TapTempo() override { Command(&perform::KeyboardCommands::TapTempo); }
  void OpenArrangement() override { Command(&perform::KeyboardCommands::OpenArrangement); }
  void ToggleHarmonicPad() override { Command(&perform::KeyboardCommands::ToggleHarmonicPad); }
  void FocusNextControl() override { Command(&perform::KeyboardCommands::FocusNextControl); }
  void Pause() override { Command(&perform::KeyboardCommands::Pause); }
  void ClearCountIn() override { Command(&perform::KeyboardCommands::ClearCountIn); }

 private:
  // Apart from the link: the Style-Creator's Play is not the transport's.
  class CreatorSeam final : public perform::StyleCreatorHooks {
   public:
    explicit CreatorSeam(Arranger& arranger) : a_(arranger) {}
    bool WaitsForChord() const override { return Hooks() && Hooks()->WaitsForChord(); }
    void Play() override {
      if (Hooks()) Hooks()->Play();
    }
    bool RecordingChords() const override { return Hooks() && Hooks()->RecordingChords(); }
    bool CaptureActive() const override { return Hooks() && Hooks()->CaptureActive(); }
    void Capture(uint8_t status, uint8_t data1, uint8_t data2) override {
      if (Hooks()) Hooks()->Capture(status, data1, data2);
    }
    bool WindowActive() const override { return Hooks() && Hooks()->WindowActive(); }
    void Step(int direction) override {
      if (Hooks()) Hooks()->Step(direction);
    }

   private:
    perform::StyleCreatorHooks* Hooks() const { return a_.LiveHooks.Creator; }
    Arranger& a_;
  };

  void Command(void (perform::KeyboardCommands::*command)()) {
    if (auto* c = a_.LiveHooks.Commands) (c->*command)();
  }

  Arranger& a_;
  CreatorSeam creator_;
};

}  // namespace kalo::app
