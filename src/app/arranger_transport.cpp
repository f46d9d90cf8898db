// The transport: Play (song play or live play), Record (real time and step), Play && Overwrite,
// Punch in, and the switches that shape playback. The song side carries out what the tick does
// with the song; these commands set up the clock, the engine and the song for it. Main thread.

#include <algorithm>

#include "app/arranger.h"
#include "app/arranger_links.h"
#include "app/song_side.h"
#include "midi/midi_status.h"

namespace kalo::app {

namespace {

constexpr uint8_t kStepChordVelocity = 90;

}  // namespace

void Arranger::SyncSongMeasureLength() {
  if (song_.Range.MeasureLength() != engine_->MeasureLength) song_.SetMeasureLength(engine_->MeasureLength);
}

void Arranger::Play() { StartPlay(false); }

void Arranger::PlayFromEditor() { StartPlay(true); }

void Arranger::StartPlay(bool fromEditor) {
  engine::Sequencer& e = *engine_;
  e.FadeActive = false;
  if (e.SongState < 0 && songSide_->EndingWait > 0) e.Stop();
  clock_->SetProcessPriority(host::kRealTimePriorityClass);

  if (e.SongState != 0) {
    if (song_.Chords.Empty()) return;
    // A second Play while the master's start is awaited starts at once; otherwise the song hands
    // over to live play: the style keeps running and the player's chords take over.
    if (!clock_->StartNowIfWaiting()) {
      e.SongState = 0;
      songSide_->RestoreChordsBox();
    }
    return;
  }

  const bool songPlay = gen_->StyleLoaded || !gen_->CurrentStyle().HasMaterial() || fromEditor;
  if (!songPlay) {
    // The Style-Creator's own material plays live.
    if (gen_->Playing) e.Stop();
    song_.Melody.ResetCounters();
    song_.Position = song::kSongStart;
    e.CountInBeat = 0;
    e.CountInActive = songOptions_.CountIn && !options_.SlaveMode;
    if (gen_->StyleMode) {
      e.StartStyle();
    } else {
      e.StartMaterial();
    }
    return;
  }

  SyncSongMeasureLength();
  song_.FirstWritePosition = song::kSongStart;
  if (song_.Chords.Empty()) {
    host_.Dialogs.Inform(song::kChordmemoryEmptyMessage);
    return;
  }
  const song::PlayRange& range = song_.Range;
  const int start =
      range.RecordStartMeasure() < range.FromMeasure() ? range.RecordStart() : range.PlayStart();
  clock_->ClockState = 0;
  clock_->ToggleClock();
  song_.Position = start;
  host_.Display.SetBeatIndicator(clock_->BeatLedOnColour, "P");
  songSide_->BeginPlay(!options_.SlaveMode);
  e.CountInBeat = 0;
  e.CountInActive = songOptions_.CountIn && !options_.SlaveMode;

  // The style starts in the chord in force at the play start (the last one written up to it), with
  // the song's first function. A song that begins with rests has none: its first chord starts the
  // style on that chord's beat.
  const bool plainStart = song_.Position >= range.PlayStart() && clock_->ClockState == 1 && !gen_->StyleMode;
  if (!plainStart) {
    const song::BeatRecord first = song_.Chords.RecordAt(song::kSongStart);
    const song::BeatRecord inForce =
        song_.Chords.ChordInForce(std::min(range.PlayStart(), song_.Chords.Length - song::kRecordBytes));
    if (inForce.HasChord()) {
      if (first.Function != song::kNoFunction && song::ValidFunction(first.Function, first.Parameter))
        e.EnterFunction(first.Function, first.Parameter);
      chords_->SetChord(inForce.Root, inForce.Type, songSide_->SongTranspose);
    }
    const bool leadIn = song_.Position < range.PlayStart();
    if (leadIn && gen_->StyleMode && gen_->RunningPart != styles::kIntro &&
        (e.CountInActive || !settings_.PlayIntro))
      song_.Position = range.PlayStart();
  }
  e.SongState = fromEditor ? -2 : -1;
  songSide_->StartedFromEditor = fromEditor;
  if (clock_->ClockState == -1) {
    clock_->WaitForExternalStart();
    e.ClickBeat = e.MeasureBeats + 1;
    e.BeatInStep = e.ChordStep + 1;
  }
  if (songOptions_.Edit) return;
  songSide_->UntickChordsBox();
}

void Arranger::Record() {
  engine::Sequencer& e = *engine_;
  if (e.SongState < 0 && songSide_->EndingWait > 0) e.Stop();
  if (e.SongState != 0) {
    if (clock_->ClockState == -1 && clock_->StartWait >= 1001) clock_->StartWait = 0;
    return;
  }
  clock_->SetProcessPriority(host::kRealTimePriorityClass);
  if (gen_->Playing) e.Stop();
  SyncSongMeasureLength();
  if (!songSide_->Recorder().Start(songOptions_.Edit)) return;
  clock_->ClockState = 0;
  clock_->ToggleClock();
  host_.Display.SetBeatIndicator(clock_->BeatLedOnColour, "R");
  e.SongState = 1;
  songSide_->BeginRecording(!options_.SlaveMode);
  if (clock_->ClockState == -1) {
    clock_->WaitForExternalStart();
    e.ClickBeat = e.MeasureBeats + 1;
    e.BeatInStep = e.ChordStep + 1;
  }
  e.CountInBeat = 0;
  e.CountInActive = songOptions_.CountIn && !options_.SlaveMode;
}

void Arranger::StepRecord() {
  engine::Sequencer& e = *engine_;
  if (e.SongState != 0) return;
  if (gen_->Playing) e.Stop();
  SyncSongMeasureLength();
  songOptions_.StepRecordPreview = false;
  if (!songSide_->Recorder().StartStep(songOptions_.Edit, songOptions_.TapsPerMeasure)) return;
  clock_->ClockState = 1;
  clock_->ToggleClock();  // off: steps are entered by hand
  host_.Display.SetBeatIndicator(kStepIndicatorColour, "1");
  const song::PlayRange& range = song_.Range;
  const bool fromRecordStart = songOptions_.Edit && range.RecordStart() >= 5;
  host_.Display.SetMeasureText(fromRecordStart ? std::to_string(range.RecordStartMeasure()) : "1");
  songSide_->BeginStepRecording(options_.PlayChords);
  options_.PlayChords = true;
  e.ChordSoundVelocity = kStepChordVelocity;
  e.SongState = 2;
}

void Arranger::PlayAndOverwrite() {
  if (!song_.RequireSong(host_.Dialogs)) return;
  songOptions_.Edit = true;
  Play();
}

void Arranger::PunchIn() {
  if (!song_.RequireSong(host_.Dialogs)) return;
  songOptions_.Edit = true;
  Record();
}

void Arranger::SetMetronome(bool on) { engine_->SetMetronome(on); }

void Arranger::SetMasterMode(bool on) {
  engine_->Stop();
  options_.MasterMode = on;
}

void Arranger::SetSlaveMode(bool on) {
  engine_->Stop();
  options_.SlaveMode = on;
  clock_->ApplySlaveMode();
}

void Arranger::SetPlayChords(bool on) {
  if (engine_->SongState != 0) return;
  engine_->SetPlayChords(on);
}

void Arranger::RecordMelodyEvent(uint8_t status, uint8_t data1, uint8_t data2) {
  const uint8_t kind = status & 0xF0;
  songSide_->RecordPlayed(status, data1, data2, kind == midi::kNoteOn || kind == midi::kNoteOff);
}

perform::MelodyRecorder& Arranger::MelodyRecorder() { return *songSide_; }

}  // namespace kalo::app
