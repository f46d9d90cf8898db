#include "perform/computer_keys.h"

#include <algorithm>

#include "midi/midi_status.h"
#include "perform/computer_key_table.h"

namespace kalo::perform {

namespace {

constexpr unsigned kAnyModifier = kShiftDown | kCtrlDown | kAltDown;

}  // namespace

bool ComputerKeys::FormKeyDown(int keyCode, unsigned modifiers) {
  if ((modifiers & kAnyModifier) == kAltDown || keyCode <= 0 || keyCode > 255) return false;
  const int code = RemapKeyLayout(keyCode, dispatch_.Settings().KLayout);
  const ComputerKey key = LookUpComputerKey(code);
  if (key.Value > kCtrlTypeValue) return NoteKeyDown(code, key.Value, key.Row);
  if (key.Value >= 1 && key.Row != kNeverNoteRow) {
    if (dispatch_.MelodyMode()) return false;
    ChordState& chords = dispatch_.Chords();
    if (heldTypeKey_ == 0 && chords.PendingRoot == 0) {
      heldTypeKey_ = code;
      chords.SetChordTypeOverride(TypeKeyChordType(key.Value, dispatch_.Settings().ChordTypes));
    }
    return true;
  }
  if (code >= vk::kF1 && code <= vk::kF12) {
    FunctionKey(code - vk::kF1 + 1, modifiers);
    return true;
  }
  return SpecialKey(code);
}

bool ComputerKeys::NoteKeyDown(int code, int value, int row) {
  const bool upperRow = row == 1 || row == 2;
  if (!upperRow && !dispatch_.MelodyMode()) {
    if (heldChordKey_ == 0) {
      heldChordKey_ = code;
      dispatch_.Chords().SetChord(value, kMaj, dispatch_.KeyboardTranspose());
    }
    return true;
  }

  Sounding& sounding = sounding_[code];
  if (sounding.Note >= 0) return true;  // the platform repeats a held key
  const LiveInputSeams& seams = dispatch_.Seams();
  int note = value + (upperRow ? 12 : 0);
  auto channel = static_cast<uint8_t>(seams.Session.KeyboardChannel() & 0x0F);
  if (dispatch_.Options().KeyboardSplit) {
    const SplitZone& zone = dispatch_.Zones()[upperRow ? 2 : 1];
    channel = zone.Channel;
    note += zone.Transpose;
  }
  note += dispatch_.KeyboardShift();
  if (note < 0 || note > 127) return true;
  // A volume of 0 would make the note-on a note-off.
  const auto velocity = static_cast<uint8_t>(std::max<int>(1, seams.Session.VoiceVolume(channel) & 0x7F));
  if (dispatch_.Options().MelodyAdLib)
    note = dispatch_.AdLibNote(channel, static_cast<uint8_t>(note), velocity);
  if (note > 127) return true;
  sounding = {note, channel};
  dispatch_.MarkMinusOne(channel);
  dispatch_.SendGenerated(static_cast<uint8_t>(midi::kNoteOn | channel), static_cast<uint8_t>(note),
                          velocity);
  return true;
}

void ComputerKeys::FormKeyUp(int keyCode, unsigned modifiers) {
  if (keyCode <= 0 || keyCode > 255) return;
  const int code = RemapKeyLayout(keyCode, dispatch_.Settings().KLayout);
  const LiveInputSeams& seams = dispatch_.Seams();
  // Whatever the key sounded is released, even if the keyboard panel changed mode meanwhile.
  Sounding& sounding = sounding_[code];
  if (sounding.Note >= 0) {
    dispatch_.SendGenerated(static_cast<uint8_t>(midi::kNoteOn | sounding.Channel),
                            static_cast<uint8_t>(sounding.Note), 0);
    sounding = {};
  }
  if (code == heldChordKey_) {
    heldChordKey_ = 0;
    if (dispatch_.Options().PlayChords && seams.Transport.SyncStart() == 0) seams.Sequencer.StopChordSound();
  }
  if ((heldTypeKey_ != 0 && code == heldTypeKey_) || (modifiers & kAnyModifier) != 0) {
    dispatch_.Chords().ClearChordTypeOverride();
    heldTypeKey_ = 0;
  }
}

void ComputerKeys::FunctionKey(int number, unsigned modifiers) {
  const LiveInputSeams& seams = dispatch_.Seams();
  if ((modifiers & kShiftDown) != 0) {
    if ((modifiers & kCtrlDown) != 0) {
      seams.Presets.StoreInstrumentPreset(number - 1);
    } else if (seams.Transport.SyncStart() != 0 && dispatch_.Options().Chords) {
      seams.Presets.SetPendingPreset(number);
    } else {
      seams.Presets.RecallInstrumentPreset(number - 1);
    }
    return;
  }
  const config::ControlKeyNotes keys = dispatch_.Keys();
  const config::Settings& settings = dispatch_.Settings();
  const bool playing = seams.Transport.Playing();
  switch (number) {
    case 1:
      if (playing) {
        dispatch_.ControlKey(keys.FillIn, kControlKeyValue);
      } else {
        seams.Commands.ShowHelp();
      }
      break;
    case 2:
      dispatch_.ControlKey(keys.ToExtended, kControlKeyValue);
      break;
    case 3:
      dispatch_.ControlKey(keys.ToBasic, kControlKeyValue);
      break;
    case 4:
      dispatch_.ControlKey(keys.Ending, kControlKeyValue);
      break;
    case 5:
      dispatch_.ControlKey(kTempoCode, settings.Tempo1);
      break;
    case 6:
      dispatch_.ControlKey(kTempoCode, settings.Tempo2);
      break;
    case 7:
      dispatch_.ControlKey(kTempoCode, settings.Tempo3);
      break;
    case 8:
      if (playing) seams.Transport.Stop();
      seams.Commands.TapTempo();
      break;
    case 9:
      seams.Transport.Record();
      break;
    case 10:
      if (playing) {
        seams.Transport.Stop();
      } else {
        seams.Transport.Play();
      }
      break;
    case 11:
      seams.Commands.OpenArrangement();
      break;
    default:
      if (playing) seams.Commands.ShowGuide();
      break;
  }
}

bool ComputerKeys::SpecialKey(int code) {
  const LiveInputSeams& seams = dispatch_.Seams();
  switch (code) {
    case vk::kPrior:
      dispatch_.SetKeyboardOctave(dispatch_.KeyboardOctave() + 1);
      return true;
    case vk::kNext:
      dispatch_.SetKeyboardOctave(dispatch_.KeyboardOctave() - 1);
      return true;
    case vk::kBack:
      seams.Commands.ToggleHarmonicPad();
      return true;
    case vk::kReturn:
      seams.Commands.FocusNextControl();
      return true;
    case vk::kEscape:
      dispatch_.IntroCommand();
      return true;
    case vk::kPause:
      seams.Commands.Pause();
      return true;
    case vk::kEnd:
      seams.Commands.ClearCountIn();
      return true;
    case vk::kHome:
      seams.Transport.RestartBeatCounters();
      return true;
    case vk::kLeft:
    case vk::kRight:
      if (!seams.Creator.WindowActive()) return false;
      seams.Creator.Step(code == vk::kLeft ? -1 : 1);
      return true;
    default:
      return false;
  }
}

}  // namespace kalo::perform
