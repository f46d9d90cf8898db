// The sequencer: chords entered and applied — the chord-sound tones, the chord change with the
// re-voicing of held notes, the triggered chords of "Play Chords" and the Harmonic PAD.

#include <algorithm>

#include "engine/sequencer.h"
#include "midi/midi_status.h"

namespace kalo::engine {

namespace {

constexpr uint8_t kDrumChannel = 9;
constexpr uint8_t kChordSoundChannel = 0;  // chord tones go out on channel 1
constexpr int kAllChannels = 16;
constexpr uint8_t kAllSoundOff = 120;
constexpr uint8_t kAllNotesOff = 123;

bool ChordEntered(const std::array<int, 4>& tones) { return tones[0] > 0; }

}  // namespace

void Sequencer::SetChordTones(const std::array<int, 4>& tones) {
  ChordTones = tones;
  if (clock_.ClockState != 0) return;  // the tick applies them at the next allowed moment
  if (SongState == 2) {
    song_.StepRecordEntry(*this);
    return;
  }
  PartSwitch();
  ChordChange();
}

void Sequencer::ChordChange() {
  const int root = chords_.PendingRoot;
  const int type = chords_.PendingType;
  if (root >= 1 && root <= 127 && display_.ChordPanelVisible())
    display_.SetChordPanelText(perform::ChordName(root, type));
  const std::array<int, 4> tones = ChordTones;

  if (options_.PlayChords) {
    if (host_.MidioutOpen() && ChordEntered(tones)) {
      if (options_.SendChordCodes) chords_.SendChordCode();
      PlayChordSound(tones);
      // Each chord entered sounds once, not again at every chord step.
      ChordTones = {};
    }
  } else if (host_.SecondSlotOpen() && ChordEntered(tones)) {
    if (!gen_.Playing) {
      for (int tone : tones) {
        const auto note = static_cast<uint8_t>(IntoMidiRange(tone));
        host_.SendSecondSlot(midi::kNoteOn | kChordSoundChannel, note, ChordSoundVelocity);
        host_.SendSecondSlot(midi::kNoteOn | kChordSoundChannel, note, 0);
      }
    } else {
      Transposer.ApplyChord(root, type, settings_.Adjust);
      RevoiceHeld(kAllChannels, root, type, false, false);
      CollectedCount = 0;
    }
    ChordTones = {};
    EndingPending = false;  // a new chord re-arms the ending key
    if (options_.SendChordCodes) chords_.SendChordCode();
    if (settings_.Pad) SwitchPad(tones);
  }
  chords_.ClearPendingChord();
}

void Sequencer::RevoiceHeld(int selector, int root, int type, bool partChange, bool partSelect) {
  if (!partChange && root == Transposer.LastRoot && type == Transposer.LastType) return;
  const styles::Style& style = gen_.CurrentStyle();
  const size_t running = static_cast<size_t>(gen_.RunningPart & 7);
  const styles::TStylePart& part = style.Parts[running];
  const int mode = std::clamp(settings_.SChange, 0, 2);
  const uint8_t silencer = mode == 0 ? kAllSoundOff : kAllNotesOff;
  const int first = selector >= kAllChannels ? 0 : std::clamp(selector, 0, 15);
  const int last = selector >= kAllChannels ? 15 : first;

  for (int c = first; c <= last; ++c) {
    const auto channel = static_cast<size_t>(c);
    // Channels the solo or a mute silences hold nothing: their notes ended when they were cut.
    if (!style.Header.Used(c) || Book.ChannelSounding[channel] == 0 || !ChannelPasses(c) || c == kDrumChannel)
      continue;
    Book.ChannelSounding[channel] = 0;
    const bool sustaining = SustainingProgram(controllers_.Value(c, midi::ControllerMemory::kProgramEntry));
    const auto control = static_cast<uint8_t>(midi::kControlChange | c);
    if (mode == 2) SendMidiout(static_cast<uint8_t>(midi::kPitchBend | c), 0, 0x40);
    if (silencer == kAllNotesOff && ((sustaining && part.CutNotes[channel] != 0) ||
                                     (partSelect && style.HoldOver[running][channel] == 0))) {
      SendMidiout(control, 64, 0);
      SendMidiout(control, 66, 0);
    }
    if (options_.MinusOne && !sustaining && c == MinusOneChannel) {
      // The player's own notes on this voice keep sounding.
      for (int n = 0; n < SoundingNotes::kNotes; ++n) {
        const uint8_t sent = Book.OutNote[channel][static_cast<size_t>(n)];
        if (Book.HeldVelocity[channel][static_cast<size_t>(n)] > 0 &&
            sent != UserNotes[static_cast<size_t>(n)])
          SendMidiout(static_cast<uint8_t>(midi::kNoteOn | c), sent, 0);
      }
    } else {
      SendMidiout(control, silencer, 0);
    }
    if (partChange) {
      Book.ClearHeld(c);
      continue;
    }
    if (!sustaining || part.CutNotes[channel] != 0) continue;
    for (int n = 0; n < SoundingNotes::kNotes; ++n) {
      const uint8_t velocity = Book.HeldVelocity[channel][static_cast<size_t>(n)];
      if (velocity == 0) continue;
      // The chord moves the note first; the transposition moves the result, as for every note.
      const auto moved =
          static_cast<uint8_t>(IntoMidiRange(Transposer.RevoicedNote(n, root, type) + GlobalTranspose));
      SendMidiout(static_cast<uint8_t>(midi::kNoteOn | c), moved, velocity);
      Book.OutNote[channel][static_cast<size_t>(n)] = moved;
      Book.ChannelSounding[channel] = 1;
    }
  }
  // At a part change nothing carries over: what the silencing controller did not reach (channel
  // 10, channels the style does not mark as used) ends with its own note-offs.
  if (partChange)
    for (int c = first; c <= last; ++c)
      if (Book.AnyHeld(c)) EndHeldNotes(c);
  Transposer.LastRoot = root;
  Transposer.LastType = type;
}

void Sequencer::PlayChordSound(const std::array<int, 4>& tones) {
  std::array<int, 4> notes{};
  for (size_t i = 0; i < notes.size(); ++i) notes[i] = IntoMidiRange(tones[i]);
  if (notes != soundingChord_) StopSoundingChord();
  for (int note : notes)
    SendMidiout(midi::kNoteOn | kChordSoundChannel, static_cast<uint8_t>(note), ChordSoundVelocity);
  soundingChord_ = notes;
}

void Sequencer::StopSoundingChord() {
  for (int& note : soundingChord_) {
    if (note >= 0) SendMidiout(midi::kNoteOn | kChordSoundChannel, static_cast<uint8_t>(note), 0);
    note = -1;
  }
}

void Sequencer::SwitchPad(const std::array<int, 4>& tones) {
  padTones_ = tones;
  PadOff(true);
  padMuted_ = PadMutedNow();
  if (!padMuted_) SoundPad();
}

bool Sequencer::PadMutedNow() const {
  if (!settings_.MuteHarmonic || !gen_.Playing || !gen_.StyleMode) return false;
  const int running = gen_.RunningPart;
  return running == styles::kIntro || running == styles::kEnding || gen_.Successor == styles::kEnding ||
         RequestedPart == styles::kIntro || FadeActive;
}

void Sequencer::FollowPad() {
  if (!settings_.Pad) return;
  const bool muted = PadMutedNow();
  if (muted == padMuted_) return;
  padMuted_ = muted;
  if (muted) {
    PadOff();
  } else {
    SoundPad();  // the first main-part measure: the chord in force sounds on the pad at once
  }
}

void Sequencer::PadOff(bool always) {
  const PadVoice pad = host_.Pad();
  const uint8_t channel = pad.Channel & 0x0F;
  const auto noteOn = static_cast<uint8_t>(midi::kNoteOn | channel);
  bool sounded = false;
  for (int& note : padNotes_) {
    if (note >= 0) SendMidiout(noteOn, static_cast<uint8_t>(note), 0), sounded = true;
    note = -1;
  }
  if (sounded || always) SendMidiout(static_cast<uint8_t>(midi::kControlChange | channel), kAllNotesOff, 0);
}

void Sequencer::SoundPad() {
  PadOff();
  if (!ChordEntered(padTones_)) return;
  const PadVoice pad = host_.Pad();
  const uint8_t channel = pad.Channel & 0x0F;
  if (!ChannelPasses(channel) || pad.Velocity == 0) return;
  const auto noteOn = static_cast<uint8_t>(midi::kNoteOn | channel);
  for (size_t i = 0; i < padTones_.size(); ++i) {
    // The pad plays the chord the accompaniment plays: in the transposition too.
    padNotes_[i] = IntoMidiRange(padTones_[i] + pad.Shift + GlobalTranspose);
    SendMidiout(noteOn, static_cast<uint8_t>(padNotes_[i]), pad.Velocity);
  }
}

}  // namespace kalo::engine
