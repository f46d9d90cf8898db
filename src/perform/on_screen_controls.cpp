#include "perform/on_screen_controls.h"

#include "midi/midi_status.h"
#include "perform/computer_key_table.h"

namespace kalo::perform {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The style-part buttons L00 .. L04.
constexpr int kStylePartButtons = 5;

}  // namespace

bool OnScreenControls::ChordButtonDown(std::string_view name, unsigned modifiers, bool leftButton) {
  if (name.size() < 3 || name[0] < 'A' || name[0] > 'Z' || !IsDigit(name[1]) || !IsDigit(name[2])) {
    return false;
  }
  const char row = name[0];
  const int column = (name[1] - '0') * 10 + (name[2] - '0');
  const LiveInputSeams& seams = dispatch_.Seams();
  ChordState& chords = dispatch_.Chords();
  const bool partRow = row == 'L';
  int root = 48;
  int type = kMaj;
  int code = 0;
  if (row <= 'K') {
    if (column > 11) return false;
    type = OrderedChordType(row - 'A' + 1);
    root = 40 + column + (column < 4 ? 12 : 0);
  } else if (partRow) {
    if (column >= kStylePartButtons) return false;
    const config::ControlKeyNotes keys = dispatch_.Keys();
    const int codes[kStylePartButtons] = {keys.FillIn, keys.ToBasic, keys.Ending, keys.ToExtended,
                                          keys.Intro};
    code = codes[column];
    if ((modifiers & kShiftDown) != 0 && leftButton) {
      if (seams.Transport.SyncStart() == -1) {
        dispatch_.IntroCommand();
        return true;
      }
      code = keys.Intro;
      chords.ClearChordTypeOverride();
    }
  }

  if (seams.Sequencer.SongState() == 0 && seams.Editor.TakesChordButtons()) {
    if (partRow) {
      mark_ = EditorMark::Function;
      markedCode_ = code;
    } else {
      chords.CurrentRoot = static_cast<int16_t>(root);
      chords.CurrentType = static_cast<int16_t>(type);
      mark_ = EditorMark::Chord;
    }
    return true;
  }
  if (partRow) {
    dispatch_.ControlKey(code, kControlKeyValue);
  } else {
    chords.SetChord(root, type, dispatch_.KeyboardTranspose());
  }
  return true;
}

void OnScreenControls::ChordButtonUp() {
  const LiveInputSeams& seams = dispatch_.Seams();
  if (dispatch_.Options().PlayChords && seams.Transport.SyncStart() == 0) seams.Sequencer.StopChordSound();
  ChordState& chords = dispatch_.Chords();
  if (mark_ == EditorMark::Chord) {
    seams.Editor.TakeChord(chords.CurrentRoot, chords.CurrentType);
    chords.CurrentRoot = kNoRoot;
    chords.CurrentType = 0;
  } else if (mark_ == EditorMark::Function) {
    seams.Editor.TakeFunction(markedCode_);
  }
  mark_ = EditorMark::None;
}

void OnScreenControls::KeysNoteOn(int note, int velocity) {
  if (dispatch_.MelodyMode()) {
    SendMelody(note, velocity);
    return;
  }
  ChordState& chords = dispatch_.Chords();
  const int type = chords.ChordTypeOverride();
  chords.SetChord(note, type != 0 ? type : kMaj, dispatch_.KeyboardTranspose());
}

void OnScreenControls::KeysNoteOff(int note, int velocity) {
  if (dispatch_.MelodyMode()) {
    SendMelody(note, velocity);
    return;
  }
  // Armed for the internal clock the chord waits to start the style; armed for an external start it
  // does too, unless it was a triggered chord.
  const int sync = dispatch_.Seams().Transport.SyncStart();
  if (sync == 1 || (sync == -1 && !dispatch_.Options().PlayChords)) return;
  dispatch_.Seams().Sequencer.StopChordSound();
}

void OnScreenControls::SendMelody(int note, int velocity) {
  const auto channel = static_cast<uint8_t>(dispatch_.Seams().Session.KeyboardChannel() & 0x0F);
  note += dispatch_.KeyboardTranspose();
  if (note < 0 || note > 127 || velocity < 0 || velocity > 127) return;
  if (dispatch_.Options().MelodyAdLib) {
    note = dispatch_.AdLibNote(channel, static_cast<uint8_t>(note), static_cast<uint8_t>(velocity));
  }
  if (note > 127) return;
  dispatch_.SendGenerated(static_cast<uint8_t>(midi::kNoteOn | channel), static_cast<uint8_t>(note),
                          static_cast<uint8_t>(velocity));
}

void OnScreenControls::SelectInputMode(InputMode mode) {
  const LiveInputSeams& seams = dispatch_.Seams();
  LiveTransport& transport = seams.Transport;
  if (transport.Playing()) transport.Stop();
  if (mode == InputMode::SyncExternal || mode == InputMode::SyncInternal) {
    transport.SetExternalClock(mode == InputMode::SyncExternal);
    seams.Session.InputModeChanged();
    return;
  }

  // Switches: "Play Chords", sync start (armed: off, then switched once), "Chords", "Keyboard Split",
  // "Instruments ...", the instrument-step box. -1 leaves a switch as it is.
  struct Switches {
    int PlayChords, Sync, Chords, Split, Instruments, Step;
  };
  constexpr int kKeep = -1, kArm = 1, kDisarm = 0;
  Switches s{};
  switch (mode) {
    case InputMode::AccompanimentOn:
      s = {0, kArm, 1, kKeep, kKeep, kKeep};
      break;
    case InputMode::TriggeredChords:
      s = {1, kArm, 1, kKeep, kKeep, kKeep};
      break;
    case InputMode::TwoFingerChords:
      s = {1, kDisarm, 1, kKeep, 1, 0};
      break;
    case InputMode::NormalKeyboard:
      s = {0, kKeep, 0, 0, 0, 0};
      break;
    case InputMode::NormalKeyboardInstruments:
      s = {0, kKeep, 0, 0, 1, 0};
      break;
    default:  // InputMode::SplittedKeyboard
      s = {0, kKeep, kKeep, 1, 0, 0};
      break;
  }
  config::Options& options = dispatch_.Options();
  if (s.PlayChords != static_cast<int>(options.PlayChords)) dispatch_.SetPlayChords(s.PlayChords == 1);
  if (s.Sync != kKeep) {
    if (transport.SyncStart() != 0) transport.SwitchSyncStart();
    if (s.Sync == kArm) transport.SwitchSyncStart();
  }
  if (s.Chords != kKeep && s.Chords != static_cast<int>(options.Chords)) dispatch_.SetChords(s.Chords == 1);
  if (s.Split != kKeep && s.Split != static_cast<int>(options.KeyboardSplit)) {
    dispatch_.SetKeyboardSplit(s.Split == 1);
  }
  if (s.Instruments != kKeep) options.Instruments = s.Instruments == 1;
  if (s.Step != kKeep) options.InstrumentStep = s.Step == 1;
  seams.Session.InputModeChanged();
}

}  // namespace kalo::perform
