#include "app/song_side.h"

#include <string>

#include "config/settings.h"
#include "midi/midi_status.h"
#include "song/play_range.h"

namespace kalo::app {

namespace {

using song::BeatRecord;
using song::kRecordBytes;
using song::kSongStart;

constexpr uint8_t kLeadInClickVelocity = 80;
constexpr uint8_t kBeatClickVelocity = 107;
constexpr uint8_t kStepClickVelocity = 127;
constexpr uint8_t kDrumsOnly = 10;
constexpr uint8_t kMuteAllChannels = 255;
constexpr int kMuteMelody = 220;
constexpr int kPlayMelody = 221;
constexpr int kFirstChannelMute = 222;
constexpr int kLastChannelMute = 237;
constexpr int kFirstChannelPlay = 239;  // 238 would unmute a 17th channel
constexpr int kLastChannelPlay = 254;
constexpr int kLastPartKey = 250;

perform::Chord PendingChord(const perform::ChordState& chords) {
  if (chords.PendingRoot <= 0 || chords.PendingType <= 0) return {};
  return {chords.PendingRoot, chords.PendingType};
}

}  // namespace

SongSide::SongSide(song::Song& song, song::SongOptions& songOptions, config::Options& options,
                   const config::Settings& settings, engine::SequencerClock& clock,
                   perform::ChordState& chords, host::Dialogs& dialogs, host::Display& display,
                   SongSideHost& host)
    : song_(song),
      songOptions_(songOptions),
      options_(options),
      settings_(settings),
      clock_(clock),
      chords_(chords),
      display_(display),
      host_(host),
      recorder_(song, dialogs) {}

// --- Starting -----------------------------------------------------------------------------------

void SongSide::BeginPlay(bool firstBeatFlag) {
  songBeatNext_ = true;
  firstBeat_ = firstBeatFlag;
  melodyRunning_ = !firstBeatFlag;
  JumpDone = false;
  stepMode_ = false;
  waitingForChord_ = false;
}

void SongSide::BeginRecording(bool waitForChord) {
  songBeatNext_ = true;
  stepMode_ = false;
  waitingForChord_ = waitForChord;
  melodyRunning_ = !waitForChord;
  enteredFunction_ = 0;
  enteredParameter_ = 0;
}

void SongSide::BeginStepRecording(bool playChordsBefore) {
  stepMode_ = true;
  playChordsBefore_ = playChordsBefore;
  waitingForChord_ = false;
  melodyRunning_ = false;
  enteredFunction_ = 0;
  enteredParameter_ = 0;
}

void SongSide::UntickChordsBox() {
  if (!options_.Chords) return;
  options_.Chords = false;
  chordsUnticked_ = true;
}

void SongSide::RestoreChordsBox() {
  if (chordsUnticked_) options_.Chords = true;
  chordsUnticked_ = false;
}

// --- The tick -----------------------------------------------------------------------------------

void SongSide::SongModeTick(engine::Sequencer& s) {
  // The melody clock counts the ticks from the first beat, which sets it to 0: an event due at tick t
  // of the song plays in that tick.
  if (melodyRunning_ && song_.Position > 3) ++song_.Melody.Clock;
  if (s.SongState < 0) {
    PlayTick(s);
    // The sequencer steps the melody while the style plays; before the song's first chord starts
    // it, the melody is the song's own and keeps its time.
    if (s.SongState < 0 && !s.StylePlaying()) MelodyStep();
  } else {
    RecordTick(s);
  }
}

void SongSide::MelodyStep() {
  song::MelodyTrack& melody = song_.Melody;
  if (melody.Empty() || !host_.MidioutOpen()) return;
  // "Minus One" and "Replace One" are the session's switches; the melody follows them to the voice
  // the engine leaves out, and a melody note of that voice keeps the style's notes of it quiet.
  if (melody.MinusOne() != options_.MinusOne) melody.SetMinusOne(options_.MinusOne);
  if (melody.ReplaceOne() != options_.ReplaceOne) melody.SetReplaceOne(options_.ReplaceOne, *this);
  if (seq_ != nullptr) melody.VoiceChannel = seq_->MinusOneChannel;
  melody.PlayDue(*this);
  if (seq_ != nullptr && melody.MinusOne() && melody.MelodySounding) seq_->MinusOneHold = true;
}

void SongSide::Send(uint8_t status, uint8_t data1, uint8_t data2) {
  if (host_.MidioutOpen()) host_.SendMidiout(status, data1, data2);
}

void SongSide::FunctionEntered(int key, int parameter) {
  enteredFunction_ = key;
  enteredParameter_ = parameter;
}

void SongSide::ResetSong() {
  RestoreChordsBox();
  if (song_.Melody.Record && melodyRunning_) song_.Melody.EndRecording();
  LoopEnd = 0;
  LoopCount = 0;
  LoopStart = 0;
  EndingWait = 0;
  JumpDone = false;
  SongTranspose = TranspositionSetting;
  enteredFunction_ = 0;
  enteredParameter_ = 0;
  heldKey_ = 0;
  heldParameter_ = 0;
  waitingForChord_ = false;
  melodyRunning_ = false;
  firstBeat_ = false;
  song_.Melody.ResetCounters();
}

// --- Playback -----------------------------------------------------------------------------------

bool SongSide::NextBeatIsSongBeat() {
  const bool eighths = clock_.Beat.TicksPerBeat < 24;
  lastBeatWasSongBeat_ = !eighths || songBeatNext_;
  songBeatNext_ = eighths ? !songBeatNext_ : true;
  return lastBeatWasSongBeat_;
}

void SongSide::PlayTick(engine::Sequencer& s) {
  int16_t& tick = clock_.TickInBeat;
  const config::BeatModeConstants& beat = clock_.Beat;
  const bool songBeatAhead = beat.TicksPerBeat >= 24 || songBeatNext_;
  if (songBeatAhead && tick == beat.ChordAheadTick && options_.MelodyAdLib) ReadAheadAdLib(s);
  if (songBeatAhead && tick == beat.TicksPerBeat - 2) {
    // The chord display and the chord-dependent input see the coming chord two ticks early.
    const BeatRecord next = song_.Chords.RecordAt(song_.Position);
    const int root = next.Root + SongTranspose;
    if (next.HasChord() && root >= 1 && root <= 127) {
      chords_.CurrentRoot = static_cast<int16_t>(root);
      chords_.CurrentType = next.Type;
    }
  }
  if (tick > beat.TicksPerBeat) {
    display_.SetBeatIndicatorColour(clock_.BeatLedOnColour);
    tick = 1;
    if (NextBeatIsSongBeat()) PlayBeat(s);
  }
}

void SongSide::ReadAheadAdLib(engine::Sequencer& /*s*/) {
  const BeatRecord next = song_.Chords.RecordAt(song_.Position);
  if (song_.Position < song_.Range.PlayStart() || !next.HasChord() || next.Type == 12) return;
  const int lowestKey = config::ComputeControlKeyNotes(settings_).SectionFirst;
  const int pitchClass = ((next.Root + SongTranspose) % 12 + 12) % 12;
  const int root = options_.PlayChords ? next.Root + SongTranspose : lowestKey + pitchClass;
  int type = next.Type;
  if (options_.MajorMinor) {
    if (type == 1 || type == 3) {
      ++type;
    } else if (type == 2 || type == 4) {
      --type;
    }
  }
  chords_.CurrentRoot = static_cast<int16_t>(root);
  chords_.CurrentType = static_cast<int16_t>(type);
  if (options_.SendChordCodes) chords_.SendChordCode();
}

void SongSide::LeadInBeat(engine::Sequencer& s) {
  const int measureLength = s.MeasureLength;
  const int position = song_.Position;
  const int playStart = song_.Range.PlayStart();
  switch (songOptions_.Voices) {
    case song::IntroVoices::MuteNone:
      s.SoloChannel = 0;
      break;
    case song::IntroVoices::MuteAll:
      s.SoloChannel = engine::kSoloNone;
      break;
    case song::IntroVoices::Drums:
      s.SoloChannel = kDrumsOnly;
      break;
    case song::IntroVoices::DrumsLastMeasure:
      if (position >= 0) {
        s.SoloChannel = position < playStart - measureLength ? engine::kSoloNone : kDrumsOnly;
      } else {
        s.SoloChannel = position == 4 - 2 * measureLength ? kDrumsOnly : engine::kSoloNone;
      }
      break;
    case song::IntroVoices::Metronome:
      s.SoloChannel = engine::kSoloNone;
      if (!options_.Metronome) s.Click(kLeadInClickVelocity);
      break;
  }
  ShowPosition(position, measureLength);
  song_.Position += kRecordBytes;
  s.PartSwitch();
  s.ChordChange();
  if (options_.Metronome) s.Click(kLeadInClickVelocity);
  JumpDone = true;
}

bool SongSide::OverwriteBeat(engine::Sequencer& s) {
  const bool function = enteredFunction_ >= 1 && enteredFunction_ <= kLastPartKey;
  const perform::Chord chord = PendingChord(chords_);
  if (!function && chord.Root == perform::kNoRoot) return false;
  song::BeatEntry entry{chord, static_cast<uint8_t>(function ? enteredFunction_ : 0),
                        static_cast<uint8_t>(function ? enteredParameter_ : 0)};
  const std::optional<BeatRecord> written = recorder_.Overwrite(entry);
  if (!written) return false;
  if (chord.Root == perform::kNoRoot && written->HasChord())
    chords_.SetChord(written->Root, written->Type, perform::kUntransposed);
  if (!function && written->Function != 0) s.EnterFunction(written->Function, written->Parameter);
  enteredFunction_ = 0;
  ShowPosition(song_.Position, s.MeasureLength);
  song_.Position += kRecordBytes;
  if (song_.Position >= song::kChordmemoryWorkingSize) {
    s.Stop();
    return true;
  }
  s.PartSwitch();
  s.ChordChange();
  if (options_.Metronome) s.Click(kBeatClickVelocity);
  return true;
}

void SongSide::RepeatFromPlayStart() {
  song_.Position = song_.Range.PlayStart();
  song_.Melody.ReturnToBookmark();
}

void SongSide::ApplySoloMute(engine::Sequencer& s, int parameter) {
  if (parameter == 0) {
    s.SoloChannel = 0;
  } else if (parameter <= 16) {
    s.SoloChannel = static_cast<uint8_t>(parameter);
    for (int c = 0; c < 16; ++c) s.SilenceChannel(c);
  } else if (parameter == kMuteMelody || parameter == kPlayMelody) {
    if (!song_.Melody.Empty()) song_.Melody.SetPlay(parameter == kPlayMelody, *this);
  } else if (parameter >= kFirstChannelMute && parameter <= kLastChannelMute) {
    const int channel = kLastChannelMute - parameter;
    s.ChannelMute[static_cast<size_t>(channel)] = 1;
    s.SilenceChannel(channel);
  } else if (parameter >= kFirstChannelPlay && parameter <= kLastChannelPlay) {
    const int channel = kLastChannelPlay - parameter;
    // A channel the running part mutes stays silent: the stream filter applies the part's mutes.
    s.ChannelMute[static_cast<size_t>(channel)] = 0;
  } else if (parameter == kMuteAllChannels) {
    s.SoloChannel = kMuteAllChannels;
    for (int c = 0; c < 16; ++c) s.SilenceChannel(c);
  }
}

song::BeatRecord SongSide::SongRecord(int position, bool reread) const {
  const song::Chordmemory& chords = song_.Chords;
  // The song ends at its length as at a STOP, also where the file holds none.
  if (position >= chords.Length) return {0, 0, song::kStopFunction, 0};
  BeatRecord record = reread ? chords.ReReadRecord(position) : chords.RecordAt(position);
  if (!song::ValidFunction(record.Function, record.Parameter)) record.Function = record.Parameter = 0;
  return record;
}

void SongSide::EnterSongFunction(engine::Sequencer& s, int function, int parameter) {
  if (s.StylePlaying() || !host_.StyleMode()) {
    s.EnterFunction(function, parameter);
    return;
  }
  // Before the song's first chord the style does not play, and a key would start it on a rest beat
  // and restart the beat there: a tempo acts at once, a part key waits for the chord.
  if (function == engine::kTempoFunction) {
    s.PendingFunction = function;
    s.PendingParameter = parameter;
  } else {
    heldKey_ = function;
    heldParameter_ = parameter;
  }
}

void SongSide::StartOnFirstChord(engine::Sequencer& s) {
  // The style starts on the beat of the song's first chord, in the song's time: its start would
  // begin a new beat at the next tick (or a count-in), which would cut this beat to one tick and
  // leave the melody behind the chords.
  const int16_t tick = clock_.TickInBeat;
  const int clickBeat = s.ClickBeat, beatInStep = s.BeatInStep, countInBeat = s.CountInBeat;
  const bool countIn = s.CountInActive;
  if (options_.StartOnChord) s.StartStyle();
  if (heldKey_ != 0) {
    const int key = heldKey_;
    heldKey_ = 0;
    s.EnterFunction(key, heldParameter_);
  }
  if (!s.StylePlaying()) return;
  clock_.TickInBeat = tick;
  s.ClickBeat = clickBeat;
  s.BeatInStep = beatInStep;
  s.CountInActive = countIn;
  s.CountInBeat = countInBeat;
}

void SongSide::PlayBeat(engine::Sequencer& s) {
  const int measureLength = s.MeasureLength;
  int& position = song_.Position;
  const song::Chordmemory& chords = song_.Chords;
  if (firstBeat_) {
    firstBeat_ = false;
    song_.Melody.ResetCounters();
    melodyRunning_ = true;
  }

  // Lead-in beats before the play start; one that reaches the song's end has nothing to lead to.
  const int playStart = song_.Range.PlayStart();
  if (position <= playStart) {
    if (position == 4 - measureLength) position = kSongStart;
    if (position < playStart) {
      if (position >= chords.Length) {
        s.Stop();
        return;
      }
      LeadInBeat(s);
      return;
    }
    s.SoloChannel = host_.SoloChoice();
    song_.Melody.TakeBookmark();
  }

  if (songOptions_.Edit && position < chords.Length && OverwriteBeat(s)) return;

  BeatRecord record = SongRecord(position, false);
  bool reread = false;
  if (position == LoopEnd) {
    if (--LoopCount <= 0) {
      LoopEnd = 0;
    } else if (LoopStart > 0 && LoopStart < position) {
      position = LoopStart;
      song_.Melody.ReturnToBookmark();
      reread = true;
    }
  }
  if (!reread && record.Function == song::kLoopFunction) {
    if (songOptions_.IgnoreLoops) {
      LoopEnd = 0;
    } else if (record.Parameter <= song::kLoopStartBase) {
      if (LoopEnd > 0) LoopEnd = ((position - 4) / measureLength) * measureLength + measureLength + 4;
    } else if (LoopEnd == 0) {
      LoopCount = record.Parameter - song::kLoopStartBase;
      LoopStart = ((position - 4) / measureLength) * measureLength + 4;
      LoopEnd = LoopStart;
      song_.Melody.TakeBookmark();
    }
  }
  if (JumpDone) {
    JumpDone = false;
    reread = true;
  }
  int playEnd = song_.Range.PlayEnd();
  if (playEnd <= playStart) playEnd = playStart + measureLength;
  if (songOptions_.Loop && position >= playEnd) {
    RepeatFromPlayStart();
    reread = true;
  }
  if (reread) record = SongRecord(position, true);

  // A STOP while "Loop" repeats goes back once to the play start and plays that record instead.
  for (int pass = 0; pass < 2; ++pass) {
    const int function = record.Function;
    const int parameter = record.Parameter;
    if (function == song::kSoloMuteFunction) {
      ApplySoloMute(s, parameter);
    } else if (function == song::kTransposeFunction) {
      SongTranspose = parameter <= 244 ? parameter : parameter - 256;
    } else if (function == song::kStopFunction) {
      if (songOptions_.Loop && position > measureLength + 4 && pass == 0) {
        RepeatFromPlayStart();
        record = SongRecord(position, true);
        continue;
      }
      if (EndingWait == 0) {
        s.Stop();
        return;
      }
    }
    break;
  }

  if (EndingWait > 0 && ++EndingWait > kEndingWaitBeats) {
    s.Stop();
    return;
  }

  const int function = record.Function;
  const config::ControlKeyNotes keys = config::ComputeControlKeyNotes(settings_);
  if (function != 0 && function == keys.Ending) {
    const bool farFromEnd = !songOptions_.Loop || position <= chords.Length - 8 * measureLength;
    const bool loopPassesLeft = LoopEnd > 0 && LoopCount >= 2;
    if (farFromEnd && !loopPassesLeft) {
      EndingWait = 1;
      EnterSongFunction(s, function, record.Parameter);
    }
  } else if (function != 0 && function != song::kSoloMuteFunction && function != song::kTransposeFunction &&
             function != song::kLoopFunction && function != song::kStopFunction) {
    EnterSongFunction(s, function, record.Parameter);
  }

  if (record.HasChord()) {
    const bool stylePlayed = s.StylePlaying();
    chords_.SetChord(record.Root, record.Type, SongTranspose);
    if (!stylePlayed) StartOnFirstChord(s);
  } else if (songOptions_.PreviewAhead > 0 && display_.ChordPanelVisible()) {
    ShowPreview(position, measureLength);
  }

  ShowPosition(position, measureLength);
  position += kRecordBytes;
  if (position >= song::kChordmemoryWorkingSize) {
    s.Stop();
    return;
  }
  s.PartSwitch();
  s.ChordChange();
  if (options_.Metronome) s.Click(kBeatClickVelocity);
}

void SongSide::ShowPreview(int position, int measureLength) {
  int target = 0;
  if (songOptions_.Loop && position + songOptions_.PreviewAhead >= song_.Chords.Length) {
    target = kSongStart;
  } else {
    int offset = songOptions_.PreviewAhead;
    if (offset == 12 && position < 24) offset = 8;
    if (measureLength == 12 && offset > 8) offset = 8;
    const BeatRecord next = song_.Chords.RecordAt(position + kRecordBytes);
    if (offset == 8 && next.HasRoot() && next.Type != 0 && next.Type < 128) offset = 4;
    target = position + offset;
  }
  const BeatRecord coming = song_.Chords.RecordAt(target);
  if (coming.HasRoot() && coming.Type != 0 && coming.Type < 128)
    display_.SetChordPanelText(perform::ChordName(coming.Root, coming.Type));
}

void SongSide::ShowPosition(int position, int measureLength) {
  display_.SetMeasureText(std::to_string(song::ShownMeasureOf(position, measureLength)));
}

// --- Recording ----------------------------------------------------------------------------------

song::BeatEntry SongSide::TakeEntry(bool pendingChord) {
  song::BeatEntry entry;
  if (pendingChord) {
    entry.Chord = PendingChord(chords_);
  } else if (chords_.CurrentRoot > 0 && chords_.CurrentRoot != perform::kNoRoot) {
    entry.Chord = {chords_.CurrentRoot, chords_.CurrentType};
  }
  if (enteredFunction_ > 0 && enteredFunction_ <= 255) {
    entry.Function = static_cast<uint8_t>(enteredFunction_);
    entry.Parameter = static_cast<uint8_t>(enteredParameter_ & 0xFF);
  }
  enteredFunction_ = 0;
  enteredParameter_ = 0;
  return entry;
}

void SongSide::RecordTick(engine::Sequencer& s) {
  int16_t& tick = clock_.TickInBeat;
  const config::BeatModeConstants& beat = clock_.Beat;
  if (!waitingForChord_ && lastBeatWasSongBeat_ && s.BeatInStep == 1 && tick < beat.RecordLateTicks &&
      (chords_.PendingRoot > 0 || enteredFunction_ != 0)) {
    // Late: the entry belongs to the beat that has just passed, and is applied at once.
    recorder_.StoreLate(TakeEntry(chords_.PendingRoot > 0));
    s.PartSwitch();
    s.ChordChange();
    return;
  }
  if (tick <= beat.TicksPerBeat) return;
  display_.SetBeatIndicatorColour(clock_.BeatLedOnColour);
  tick = 1;
  RecordBeat(s);
}

void SongSide::RecordBeat(engine::Sequencer& s) {
  if (waitingForChord_) {
    const bool chord =
        chords_.PendingRoot > 0 || (chords_.CurrentRoot != perform::kNoRoot && chords_.CurrentRoot > 0);
    if (!chord) return;  // the song begins with its first chord
    waitingForChord_ = false;
    song_.Melody.ResetCounters();
    melodyRunning_ = true;
    perform::Chord first = PendingChord(chords_);
    if (first.Root == perform::kNoRoot) first = {chords_.CurrentRoot, chords_.CurrentType};
    recorder_.TakeFirstChord(first);
    if (!s.StylePlaying() && s.StartStyle()) clock_.TickInBeat = 1;
    songBeatNext_ = true;  // the song's first beat record begins with its first chord
  }
  const bool songBeat = NextBeatIsSongBeat();
  if (s.BeatInStep >= s.ChordStep) {
    s.PartSwitch();
    s.ChordChange();
    s.BeatInStep = 0;
  }
  ++s.BeatInStep;
  if (options_.Metronome) s.Click(kBeatClickVelocity);
  if (!songBeat) return;
  recorder_.StoreBeat(TakeEntry(false), false);
  ShowPosition(song_.Position, s.MeasureLength);
  if (recorder_.Advance()) s.Stop();
}

void SongSide::StepRecordEntry(engine::Sequencer& s) {
  // The pending function stays until a chord is entered: a key and then a chord go to the same step.
  const bool chordEntered = s.ChordTones[0] > 0;
  const int function = enteredFunction_, parameter = enteredParameter_;
  song::BeatEntry entry = TakeEntry(chordEntered);
  if (!chordEntered) entry.Chord = {};
  enteredFunction_ = function;
  enteredParameter_ = parameter;
  const song::StepOutcome outcome = recorder_.Step(entry, songOptions_.StepRecordPreview);
  if (songOptions_.StepRecordPreview) {
    s.ChordChange();
    return;
  }
  if (outcome.Advanced) {
    display_.SetMeasureText(std::to_string(outcome.ShownMeasure));
    display_.SetBeatIndicator(kStepIndicatorColour, std::to_string(outcome.Tap));
    if (outcome.Full) {
      s.Stop();
      return;
    }
    s.ChordChange();
    s.PendingFunction = 0;
    s.PendingParameter = 0;
    enteredFunction_ = 0;
    enteredParameter_ = 0;
  } else if (outcome.Click && host_.MidioutOpen()) {
    host_.SendMidiout(midi::kNoteOn | 9, s.MetronomeNotes[1], kStepClickVelocity);
  }
}

void SongSide::FinishRecording() {
  if (stepMode_) options_.PlayChords = playChordsBefore_;
  stepMode_ = false;
  if (const std::optional<int> measures = recorder_.Finish())
    display_.SetMeasureText(std::to_string(*measures));
  if (song_.Melody.Record) song_.Melody.EndRecording();
  waitingForChord_ = false;
}

// --- Melody recording ---------------------------------------------------------------------------

void SongSide::RecordPlayed(uint8_t status, uint8_t data1, uint8_t data2, bool /*isNote*/) {
  if (!song_.Melody.Record) return;
  const bool running = seq_ != nullptr && seq_->SongState != 0 && song_.Position >= kSongStart;
  if (!running) return;
  song_.Melody.Append(status, data1, data2 > 127 ? uint8_t{127} : data2);
}

void SongSide::RecordGenerated(uint8_t status, uint8_t data1, uint8_t data2) {
  if (!song_.Melody.Record) return;
  if ((status & 0x0F) != (song_.Melody.Channel & 0x0F)) return;
  const bool running = seq_ != nullptr && seq_->SongState != 0 && song_.Position >= kSongStart;
  if (!running) return;
  song_.Melody.AppendOwn(status, data1, data2);
}

}  // namespace kalo::app
