// The sequencer: the tick body, the stream pass and its filters, the metronome, Stop and the engine
// reset.

#include "engine/sequencer.h"

#include <algorithm>

#include "host/dialogs.h"
#include "midi/midi_status.h"
#include "styles/style_stream.h"

namespace kalo::engine {

namespace {

constexpr uint8_t kDrumChannel = 9;
constexpr uint8_t kMetronomeStatus = midi::kNoteOn | kDrumChannel;
// Select part marks the part to start over at the next beat by moving the offset this far past
// the part's end.
constexpr int32_t kRestartMark = 65535;
// The count-in counts its beats in 24 ticks in both beat modes.
constexpr int kCountInBeatTicks = 25;
constexpr int kCountInOffBeatTick = 13;
constexpr uint8_t kCountInVelocity = 75;
constexpr uint8_t kAccentVelocity = 120;
constexpr uint8_t kMetronomeVelocity = 107;
constexpr int kFadeStep = 6;
constexpr int kFadeStopAmount = 128;

bool IsNoteKind(uint8_t kind) { return kind == midi::kNoteOn || kind == midi::kNoteOff; }

}  // namespace

Sequencer::Sequencer(SequencerContext context)
    : clock_(context.Clock),
      gen_(context.Gen),
      chords_(context.Chords),
      controllers_(context.Controllers),
      options_(context.Options),
      settings_(context.Settings),
      display_(context.Display),
      host_(context.Host),
      song_(context.Song) {
  UserNotes.fill(0xFF);
  ApplySettings();
}

void Sequencer::ApplySettings() {
  const int metrum = std::clamp(settings_.Metrum, 0, config::kMetrumCount - 1);
  MeasureLength = config::kMetrumLengths[metrum];
  const std::string_view name = config::kMetrumNames[metrum];
  MeasureBeats = name == "3/4" || name == "6/8" ? 3 : name == "5/4" ? 5 : 4;
  const config::Quantization quantization = config::QuantizeChoice(settings_.Quantize);
  ChordStep = quantization.ChordStepBeats;
  clock_.SetBeatMode(quantization.Mode);
  Transposer.SectionC = SectionCFor(Keys().SectionFirst);
  Transposer.SetAdjustOctave(settings_.Adjust);
  FollowBeatMode();
}

// --- The tick ------------------------------------------------------------------------------------

void Sequencer::RunTickBody() {
  int16_t& tick = clock_.TickInBeat;
  EndCutNotes();
  if (CountInActive) {
    const int beats = MeasureLength == 12 ? 3 : 4;
    if (tick >= kCountInBeatTicks) {
      if (CountInBeat < beats) {
        tick = 1;
        ++CountInBeat;
        Click(kCountInVelocity);
      } else {
        CountInActive = false;
      }
    } else if (CountInBeat > 2 && MeasureLength != 12 && tick == kCountInOffBeatTick) {
      Click(kCountInVelocity);
    }
    if (CountInActive) return;
  }

  if (SongState == 0) {
    if (BeatInStep == 1 && tick < clock_.Beat.ChordLateTicks && !options_.PlayChords) {
      // A chord or key given within the first ticks of a chord step still counts for this step.
      PartSwitch();
      ChordChange();
    } else if (tick > TicksPerBeat()) {
      display_.SetBeatIndicatorColour(clock_.BeatLedOnColour);
      tick = 1;
      if (BeatInStep >= ChordStep) {
        PartSwitch();
        ChordChange();
        BeatInStep = 0;
      }
      ++BeatInStep;
      if (options_.Metronome) Click(kMetronomeVelocity);
    }
  } else {
    song_.SongModeTick(*this);
  }
  // A main part asked for waits for the bar line, whatever the chord step.
  if (tick == 1 && RequestedPart >= styles::kIntro && RequestedPart <= styles::kExtended &&
      PendingFunction == 0)
    PartSwitch();

  if (gen_.Playing) {
    song_.MelodyStep();
    StreamTick();
  }
}

void Sequencer::StreamTick() {
  if (gen_.StyleMode && chords_.CurrentRoot == perform::kNoRoot) return;
  if (clock_.TickInBeat == 1) {
    if (gen_.BeatIndex == 0) MinusOneHold = false;
    if (FadeActive && gen_.StyleMode) FadeAmount += kFadeStep;
    const int restartDelay = gen_.EndOfPart();
    if (restartDelay >= 0) DelayCounter = restartDelay;
    FollowIntroColour();
    if (!gen_.Playing) return;  // the part's successor stopped playing
    FollowPad();
  }

  styles::Style& style = gen_.CurrentStyle();
  while (true) {
    if (!host_.MidioutOpen()) return;
    if (DelayCounter > 0) {
      --DelayCounter;
      return;
    }
    // A part selected just now starts over at the next beat; until then nothing is read.
    if (gen_.CurrentOffset >= gen_.EndOffset + kRestartMark) return;
    const styles::BufferSlot& slot = style.Slots[static_cast<size_t>(std::clamp(gen_.Cursor, 0, 6))];
    const int32_t length = std::min<int32_t>(slot.Length, static_cast<int32_t>(slot.Data.size()));
    const int32_t offset = gen_.CurrentOffset;
    uint8_t byte = offset >= 0 && offset < length ? slot.Data[static_cast<size_t>(offset)] : 0;
    if (byte == styles::kBufferEndByte) {
      if (gen_.Cursor < 6 && style.Slots[static_cast<size_t>(gen_.Cursor) + 1].InUse) {
        ++gen_.Cursor;
        gen_.CurrentOffset = 0;
        continue;
      }
      byte = 0;
    }
    // The end of the material: a zero byte, the end of the stream, or a message cut off by it.
    const bool message = byte < styles::kFirstDelayByte && byte >= 0x80;
    if (byte == 0 || (message && offset + 3 > length)) {
      Stop();
      return;
    }
    if (styles::IsDelayByte(byte)) {
      DelayCounter = byte - styles::kFirstDelayByte;
      ++gen_.CurrentOffset;
      return;
    }
    if (!message) {  // a stray data byte: stepped over, never sent as a status
      ++gen_.CurrentOffset;
      continue;
    }
    const uint8_t status = byte;
    uint8_t data1 = slot.Data[static_cast<size_t>(offset) + 1] & 0x7F;
    uint8_t data2 = slot.Data[static_cast<size_t>(offset) + 2] & 0x7F;
    gen_.CurrentOffset += 3;
    if (status < midi::kSysexStatus) {
      const Fate fate = FilterStyleEvent(status, data1, data2, offset);
      if (fate == Fate::Stopped) return;
      if (fate == Fate::Drop) continue;
    }
    host_.SendMidiout(status, data1, data2);
  }
}

Sequencer::Fate Sequencer::FilterStyleEvent(uint8_t status, uint8_t& data1, uint8_t& data2, int32_t offset) {
  const uint8_t kind = status & 0xF0;
  const uint8_t channel = status & 0x0F;
  const bool noteOff = kind == midi::kNoteOff || (kind == midi::kNoteOn && data2 == 0);
  if (noteOff) {
    // The end of a note reaches the note that was sent, whatever silenced its channel since; a
    // note that no longer sounds (ended by a mute, a solo, a part change or a reset) has none.
    const uint8_t pattern = data1;
    if (Book.HeldVelocity[channel][pattern] == 0) return Fate::Drop;
    data1 = Book.OutNote[channel][pattern];
    Book.HeldVelocity[channel][pattern] = 0;
    if (options_.MinusOne && channel == MinusOneChannel && UserNotes[pattern] == data1) return Fate::Drop;
    return Fate::Send;
  }
  if (kind == midi::kControlChange || kind == midi::kProgramChange || kind == midi::kChannelPressure) {
    if (kind == midi::kControlChange && data1 == 84)
      data2 = static_cast<uint8_t>(IntoMidiRange(data2 + GlobalTranspose));
    if (kind == midi::kControlChange && data1 == 91 && (settings_.Reverb || settings_.RevDef))
      return Fate::Drop;
    const int filtered = ChannelFilter(kind, channel, data1, data2);
    if (filtered == kDropped) return Fate::Drop;
    data1 = static_cast<uint8_t>(filtered);
    if (!PassesRedundancy(status, data1, data2)) return Fate::Drop;
  } else if (ChannelFilter(kind, channel, data1, data2) == kDropped) {
    return Fate::Drop;
  }

  if (gen_.StyleMode) {
    const styles::TStylePart& part = gen_.CurrentStyle().Parts[static_cast<size_t>(gen_.RunningPart & 7)];
    if (part.Mute[channel] != 0) return Fate::Drop;
    if (FadeActive && kind == midi::kNoteOn && data2 > 0) {
      const int faded = data2 - FadeAmount;
      if (faded > 0) {
        data2 = static_cast<uint8_t>(faded);
      } else if (FadeAmount < kFadeStopAmount) {
        return Fate::Drop;
      } else {
        Stop();
        return Fate::Stopped;
      }
    }
  }

  if (kind == midi::kNoteOn) {
    const uint8_t pattern = data1;
    data1 = static_cast<uint8_t>(SentNote(channel, pattern));
    // A pattern note struck again before its end: the first one ends where it was sent.
    if (Book.HeldVelocity[channel][pattern] > 0 && Book.OutNote[channel][pattern] != data1)
      SendMidiout(status, Book.OutNote[channel][pattern], 0);
    Book.OutNote[channel][pattern] = data1;
    Book.HeldVelocity[channel][pattern] = data2;
    if (gen_.StyleMode && channel != kDrumChannel) Book.ChannelSounding[channel] = 1;
    if (options_.MinusOne && channel == MinusOneChannel && MinusOneHold) return Fate::Drop;
    if (SoloChannel == channel + 1) display_.SetEventListCursor(offset);
  } else if (kind == midi::kPolyPressure) {
    data1 = static_cast<uint8_t>(SentNote(channel, data1));
  }
  return Fate::Send;
}

int Sequencer::SentNote(int channel, int pattern) const {
  if (channel == kDrumChannel) return pattern;
  const int inChord = gen_.StyleMode ? Transposer.TransposeNote(pattern) : pattern;
  return IntoMidiRange(inChord + GlobalTranspose);
}

bool Sequencer::PassesRedundancy(uint8_t status, uint8_t data1, uint8_t data2) {
  if (PartStart) {
    // A part that starts sends its program and bank in any case, so that it sounds as recorded.
    const uint8_t kind = status & 0xF0;
    const bool always =
        kind == midi::kProgramChange || (kind == midi::kControlChange && (data1 == 0 || data1 == 32));
    return controllers_.Check(status, data1, data2, false) || always;
  }
  if (options_.TransmitControllers) return true;
  return controllers_.Check(status, data1, data2, false);
}

int Sequencer::ChannelFilter(uint8_t kind, uint8_t channel, uint8_t data1, uint8_t data2) {
  channel &= 0x0F;
  if (SoloChannel > 0 && channel != SoloChannel - 1) return kDropped;
  if (ChannelMute[channel] != 0) return kDropped;
  if (IsNoteKind(kind)) {
    host_.MarkChannelActive(channel);
    int note = data1;
    if (channel != kDrumChannel) {
      note = IntoMidiRange(note + GlobalTranspose);
      if (CollectNotes && kind == midi::kNoteOn && data2 > 0 && CollectedCount < kCollectedNotesCapacity)
        CollectedNotes[static_cast<size_t>(CollectedCount++)] = static_cast<uint8_t>(note % 12);
    }
    if (options_.ReplaceOne && channel == MinusOneChannel) return kDropped;
    return note;
  }
  if (kind == midi::kControlChange &&
      (data1 == perform::kChordCodeController || data1 == perform::kExtendedChordCodeController) &&
      options_.ReceiveChordCodes) {
    const bool command = data2 == perform::kAdLibOffCode || data2 == perform::kAdLibOnCode;
    // While a style loaded from a file plays, its own chords rule: received chords are not taken.
    if (command || !(gen_.StyleLoaded && gen_.Playing))
      chords_.ReceiveChordCode(data1, data2, channel, Keys().SectionFirst);
    if (command) SilenceChannel(MinusOneChannel);
    return kDropped;
  }
  const bool suppressed =
      host_.SuppressControllers(channel) || gen_.CurrentStyle().Header.SuppressControllers != 0;
  if (suppressed && ((kind == midi::kControlChange && data1 < 120) || kind == midi::kProgramChange ||
                     kind == midi::kChannelPressure))
    return kDropped;
  if (kind == midi::kPolyPressure) return kDropped;
  if (kind == midi::kControlChange || kind == midi::kProgramChange)
    host_.MirrorMixer(static_cast<uint8_t>(kind | channel), data1, data2);
  return data1;
}

void Sequencer::Click(uint8_t velocity) {
  if (!host_.MidioutOpen()) return;
  ++ClickBeat;
  const uint8_t note = MetronomeNotes[1];
  if (ClickBeat < MeasureBeats) {
    host_.SendMidiout(kMetronomeStatus, note, velocity);
    return;
  }
  host_.SendMidiout(kMetronomeStatus, note,
                    CountInActive && CountInBeat > 2 ? kCountInVelocity : kAccentVelocity);
  ClickBeat = 0;
}

// --- Transport -----------------------------------------------------------------------------------

void Sequencer::Stop() {
  gen_.Playing = false;
  if (options_.MasterMode) host_.SendClickout(midi::kMidiStop);
  // The lamp loses the "P", "R" or step count of the run that ended.
  display_.SetBeatIndicator(clock_.ClockState == 1    ? kBeatLedRed
                            : clock_.ClockState == -1 ? kBeatLedBlue
                                                      : kBeatLedBlack,
                            "");
  CountInActive = false;
  if (SongState > 0) song_.FinishRecording();
  ResetEngine();
  SongState = 0;
  host_.Stopped();
}

void Sequencer::ResetEngine() {
  if (options_.PlayChords) StopSoundingChord();
  AllNotesOff();
  Book.Clear();
  padNotes_.fill(-1);
  padTones_ = {};
  padMuted_ = false;
  host_.DiscardWaitingInput();
  clock_.SetProcessPriority(clock_.SavedPriorityClass);
  host_.RestoreCaption();

  ChordTones = {};
  chords_.ClearPendingChord();
  PendingFunction = 0;
  PendingParameter = 0;
  // A request of the play that ended must not act on the next one.
  RequestedPart = -1;
  song_.ResetSong();
  EndingPending = false;
  chords_.CurrentRoot = perform::kNoRoot;
  chords_.CurrentType = 0;

  clock_.TickInBeat = static_cast<int16_t>(TicksPerBeat());
  ClickBeat = MeasureBeats + 1;
  BeatInStep = ChordStep + 1;

  RestoreIntroColour();
  SoloChannel = host_.SoloChoice();

  gen_.Playing = false;
  CollectNotes = false;
  gen_.BeatIndex = 0;
  FollowBeatMode();
  Transposer.Clear();
  PartStart = false;
  FadeActive = false;
  DelayCounter = 0;
}

void Sequencer::AllNotesOff() {
  for (int c = 0; c < 16; ++c) SilenceChannel(c);
}

void Sequencer::SilenceChannel(int channel) {
  const auto status = static_cast<uint8_t>(midi::kControlChange | (channel & 0x0F));
  SendMidiout(status, 64, 0);
  SendMidiout(status, 66, 0);
  SendMidiout(status, 123, 0);
  // Nothing sounds there now: no chord change may strike these notes again.
  Book.ClearHeld(channel);
}

void Sequencer::EndHeldNotes(int channel) {
  const auto c = static_cast<size_t>(channel & 0x0F);
  const auto noteOn = static_cast<uint8_t>(midi::kNoteOn | c);
  for (size_t n = 0; n < SoundingNotes::kNotes; ++n) {
    if (Book.HeldVelocity[c][n] == 0) continue;
    SendMidiout(noteOn, Book.OutNote[c][n], 0);
    Book.HeldVelocity[c][n] = 0;
  }
  Book.ChannelSounding[c] = 0;
}

void Sequencer::EndCutNotes() {
  for (int c = 0; c < SoundingNotes::kChannels; ++c)
    if (!ChannelPasses(c) && Book.AnyHeld(c)) EndHeldNotes(c);
  const PadVoice pad = host_.Pad();
  if (!ChannelPasses(pad.Channel & 0x0F)) PadOff();
}

void Sequencer::SetGlobalTranspose(int semitones) {
  if (semitones < -24 || semitones > 24 || semitones == GlobalTranspose) return;
  const int shift = semitones - GlobalTranspose;
  GlobalTranspose = semitones;
  for (int c = 0; c < SoundingNotes::kChannels; ++c) {
    const auto channel = static_cast<size_t>(c);
    if (c == kDrumChannel || !Book.AnyHeld(c)) continue;
    const bool sustaining = gen_.StyleMode && ChannelPasses(c) &&
                            SustainingProgram(controllers_.Value(c, midi::ControllerMemory::kProgramEntry));
    const auto noteOn = static_cast<uint8_t>(midi::kNoteOn | c);
    for (size_t n = 0; n < SoundingNotes::kNotes; ++n) {
      const uint8_t velocity = Book.HeldVelocity[channel][n];
      if (velocity == 0) continue;
      const uint8_t old = Book.OutNote[channel][n];
      SendMidiout(noteOn, old, 0);
      if (!sustaining) {
        Book.HeldVelocity[channel][n] = 0;
        continue;
      }
      const auto moved = static_cast<uint8_t>(IntoMidiRange(old + shift));
      SendMidiout(noteOn, moved, velocity);
      Book.OutNote[channel][n] = moved;
    }
  }
  if (padNotes_[0] >= 0) SoundPad();
}

void Sequencer::FollowBeatMode() {
  gen_.BeatTicks = TicksPerBeat();
  // In eighth-note beats a measure has twice as many beats as quarter notes.
  gen_.BeatsPerMeasure = std::max(1, (MeasureLength / 4) * 24 / TicksPerBeat());
}

void Sequencer::SendMidiout(uint8_t status, uint8_t data1, uint8_t data2) {
  if (host_.MidioutOpen()) host_.SendMidiout(status, data1, data2);
}

void Sequencer::SendStyleMessage(uint8_t status, uint8_t data1, uint8_t data2) {
  SendMidiout(status, data1, data2);
}

// --- Switches ------------------------------------------------------------------------------------

void Sequencer::SetMetronome(bool on) {
  options_.Metronome = on;
  ClickBeat = MeasureBeats + 1;
  for (uint8_t note : MetronomeNotes) SendMidiout(kMetronomeStatus, note, 0);
}

void Sequencer::SetPlayChords(bool on) {
  if (SongState != 0) return;
  options_.PlayChords = on;
  ResetEngine();
  ChordSoundVelocity = on ? 100 : 1;
}

void Sequencer::SetAdjustOctave(bool on) {
  settings_.Adjust = on;
  Transposer.SetAdjustOctave(on);
}

}  // namespace kalo::engine
