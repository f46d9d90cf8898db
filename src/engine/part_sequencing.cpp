// The sequencer: which style part plays and when a change takes effect — the start of a style,
// the player's part keys, the fall-backs for missing parts, the ending and the fade-out.

#include "engine/sequencer.h"
#include "midi/midi_status.h"

namespace kalo::engine {

namespace {

using styles::kBasic;
using styles::kEnding;
using styles::kExtended;
using styles::kFillInBasic;
using styles::kFillInExtended;
using styles::kIntro;
using styles::kToBasic;
using styles::kToExtended;

}  // namespace

void Sequencer::EnterFunction(int key, int parameter) {
  if (parameter == 0) return;
  if (options_.PlayChords && SongState != 2) return;
  if (!gen_.Playing && gen_.StyleMode && SongState != 2) {
    StartStyle();  // the key only starts the style (a step-recorded song takes it as its function)
    return;
  }
  const config::ControlKeyNotes keys = Keys();
  if (key == keys.Ending) {
    if (EndingPending) {
      Stop();  // a second press does not wait for the bar line
      return;
    }
    if (EndingPressOnce) {
      EndingPressOnce = false;
    } else {
      EndingPending = true;
    }
  } else if (EndingPending) {
    EndingPending = false;
    if (key == keys.FillIn) key = keys.Intro;  // Ending, then Fill-In: the intro instead
  }
  if (settings_.MuteHarmonic && settings_.Pad && (key == keys.Intro || key == keys.Ending)) PadOff(true);
  PendingFunction = key;
  PendingParameter = parameter;
  song_.FunctionEntered(key, parameter);
  // A chord given just before the key and not applied yet is applied with it, not lost.
  const bool chordPending = chords_.PendingRoot >= 1 && chords_.PendingRoot <= 127 && ChordTones[0] > 0;
  SetChordTones(chordPending ? ChordTones : std::array<int, 4>{0, 0, 0, 0});
}

void Sequencer::PartSwitch() {
  const config::ControlKeyNotes keys = Keys();
  const styles::PartTable& parts = gen_.CurrentStyle().Parts;
  auto exists = [&parts](int part) { return parts[static_cast<size_t>(part)].Exists(); };

  if (PendingFunction != 0) {
    const int key = PendingFunction;
    if (gen_.StyleMode) {
      if (key == keys.FillIn) {
        const int running = gen_.RunningPart;
        int fill = running == kExtended || running == kFillInExtended ? kFillInExtended : kFillInBasic;
        if (!exists(fill)) {
          fill = fill == kFillInExtended ? kFillInBasic : kFillInExtended;
        } else if (parts[static_cast<size_t>(fill)].HasVariationMarker()) {
          // Pressed again while the variation fill runs: back to its main part.
          if (running == kFillInBasic) fill = kBasic;
          if (running == kFillInExtended) fill = kExtended;
        }
        RequestedPart = fill;
      } else if (key == keys.ToBasic) {
        RequestedPart = kToBasic;
      } else if (key == keys.Ending) {
        gen_.Successor = kEnding;  // the running part ends at the next bar line
      } else if (key == keys.ToExtended) {
        if (exists(kExtended)) RequestedPart = kToExtended;
      } else if (key == keys.Intro) {
        RequestedPart = kIntro;
      }
      if (key != keys.Ending) FadeActive = false;
    }
    if (key == keys.Intro && !gen_.StyleMode) {
      // The external device restarts: MIDI Stop, then the chord it plays in once more.
      host_.SendClickout(midi::kMidiStop);
      chords_.PendingRoot = chords_.CurrentRoot;
      chords_.PendingType = chords_.CurrentType;
      chords_.ReassertPendingChord();
    } else if (key == kTempoFunction) {
      if (!options_.IgnoreTempi) {
        if (clock_.ClockState != 0) clock_.SetClockTempo(PendingParameter);
        if (SongState == 0) host_.ShowTempo(PendingParameter);
      }
    } else if (!gen_.StyleMode && key >= 0 && key <= 127) {
      host_.SendSecondSlot(midi::kNoteOn, static_cast<uint8_t>(key), ChordSoundVelocity);
      host_.SendSecondSlot(midi::kNoteOn, static_cast<uint8_t>(key), 0);
    }
    if (key != keys.Ending && key != kTempoFunction) song_.ClearEndingWait();
    PendingFunction = 0;
    PendingParameter = 0;
  }

  if (clock_.TickInBeat == 1 && RequestedPart != -1 && gen_.StyleMode) {
    const int requested = RequestedPart;
    // A main part keeps the groove: it starts with a measure, as the ending does. Fills and "To"
    // parts join at once, at the beat that starts, from their entry for it.
    if (requested <= kExtended && gen_.Playing && gen_.BeatIndex != 0) return;
    RequestedPart = -1;
    if (exists(requested)) {
      SelectPart(requested);
    } else if (requested == kToExtended) {
      if (exists(kExtended)) SelectPart(kExtended);
    } else if (requested == kToBasic) {
      if (exists(kExtended)) {
        if (exists(kBasic)) SelectPart(kBasic);
      } else if (exists(kFillInBasic)) {
        SelectPart(kFillInBasic);
      }
    }
  }
}

// What every start of playback does first: the clock runs (or its counters start afresh), a fade
// ends, a master sends Start, and nothing is held from before.
void Sequencer::BeginPlay() {
  if (clock_.ClockState == 0) {
    SwitchClockOnKeepingChord();
  } else {
    FreshStartCounters();
  }
  FadeActive = false;
  if (options_.MasterMode) host_.SendClickout(midi::kMidiStart);
  Book.Clear();
}

bool Sequencer::StartStyle() {
  const styles::Style& style = gen_.CurrentStyle();
  if (!gen_.StyleMode || options_.PlayChords || gen_.Playing || !style.HasMaterial()) return false;
  BeginPlay();
  gen_.Playing = true;
  gen_.Cursor = 0;
  gen_.BeatIndex = 0;
  DelayCounter = 0;

  const int wanted = settings_.PlayIntro ? kIntro : kBasic;
  int choice = wanted;
  for (int p = wanted; p <= kToExtended; ++p) {
    if (style.Parts[static_cast<size_t>(p)].Exists()) {
      choice = p;
      break;
    }
  }
  gen_.RunningPart = choice;
  SelectPart(choice);
  const styles::TStylePart& part = style.Parts[static_cast<size_t>(choice)];
  if (choice != kIntro && part.Exists() && part.StartOffset > 0) gen_.ChaseControllers(0, part.StartOffset);
  // The chase resets every channel's controllers first: the style's own set-ups follow it.
  gen_.ApplyChannelSetups(false);
  if (choice != kIntro && settings_.PlayIntro && !CountInActive) {
    CountInActive = true;  // a style without an intro gets a count-in instead
    CountInBeat = 0;
  }
  return true;
}

bool Sequencer::StartMaterial() {
  if (gen_.StyleMode || gen_.Playing || !gen_.CurrentStyle().HasMaterial()) return false;
  BeginPlay();
  gen_.BeginSongWindow();
  gen_.BeatIndex = 0;
  DelayCounter = 0;
  gen_.Successor = styles::kSuccessorRepeat;
  if (gen_.CurrentOffset > 0) gen_.ChaseControllers(0, gen_.CurrentOffset);
  gen_.ApplyChannelSetups(false);
  gen_.Playing = true;
  return true;
}

void Sequencer::PlayPart(int part) {
  const styles::Style& style = gen_.CurrentStyle();
  if (!style.HasMaterial() || part < kIntro || part > kToBasic) return;
  gen_.RunningPart = part;
  if (!style.Parts[static_cast<size_t>(part)].Exists()) return;
  if (clock_.ClockState == 0) SwitchClockOnKeepingChord();
  AllNotesOff();
  Book.Clear();
  gen_.BeatIndex = 0;
  DelayCounter = 0;
  SelectPart(part);
  gen_.Successor = styles::kSuccessorRepeat;
  if (!gen_.Playing) {
    gen_.Playing = true;
    gen_.Cursor = 0;
    gen_.ApplyChannelSetups(false);
  }
  FreshStartCounters();  // the part starts at the next tick, not at the next chord step
}

void Sequencer::ToggleSyncStart() {
  if (!options_.SlaveMode) return;
  display_.SetBeatIndicatorColour(kBeatLedBlue);
  clock_.StartWait = clock_.StartWait == 0 ? kExternalStartWait : 0;
}

void Sequencer::StartFadeOut() {
  FadeActive = true;
  FadeAmount = 0;
}

void Sequencer::ResetCountersForFreshStart() {
  clock_.TickInBeat = static_cast<int16_t>(TicksPerBeat());
  BeatInStep = 1;
}

void Sequencer::SelectPart(int part) {
  gen_.SelectPart(part);
  FollowIntroColour();
  FollowPad();
}

void Sequencer::FreshStartCounters() {
  clock_.TickInBeat = static_cast<int16_t>(TicksPerBeat());
  ClickBeat = MeasureBeats + 1;
  BeatInStep = ChordStep + 1;
}

void Sequencer::SwitchClockOnKeepingChord() {
  // Switching the clock on resets the engine, which forgets the chord that starts the style.
  const int16_t pendingRoot = chords_.PendingRoot, pendingType = chords_.PendingType;
  const int16_t currentRoot = chords_.CurrentRoot, currentType = chords_.CurrentType;
  const std::array<int, 4> tones = ChordTones;
  clock_.ToggleClock();
  chords_.PendingRoot = pendingRoot;
  chords_.PendingType = pendingType;
  chords_.CurrentRoot = currentRoot;
  chords_.CurrentType = currentType;
  ChordTones = tones;
}

void Sequencer::FollowIntroColour() {
  if (gen_.Playing && gen_.RunningPart == kIntro) {
    if (!introColourSaved_) {
      colourBeforeIntro_ = clock_.BeatLedOnColour;
      introColourSaved_ = true;
    }
    clock_.BeatLedOnColour = kBeatLedYellow;
  } else {
    RestoreIntroColour();
  }
}

void Sequencer::RestoreIntroColour() {
  if (!introColourSaved_) return;
  clock_.BeatLedOnColour = colourBeforeIntro_;
  introColourSaved_ = false;
}

}  // namespace kalo::engine
