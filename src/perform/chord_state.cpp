#include "perform/chord_state.h"

#include <string>
#include <utility>

#include "host/dialogs.h"
#include "midi/midi_status.h"

namespace kalo::perform {

namespace {

int KeepInMidiRange(int root) {
  while (root < 1) root += 12;
  while (root > 127) root -= 12;
  return root;
}

}  // namespace

ChordState::ChordState(config::Options& options, host::Display& display, ChordHost& host)
    : options_(options), display_(display), host_(host) {}

void ChordState::SetChord(int root, int type, int transpose) {
  if (type == 0) return;
  if (override_ != 0) {
    type = override_;
    if (overrideOneShot_) {
      override_ = 0;
      overrideOneShot_ = false;
      display_.SetChordPanelColour(kChordPanelWhite);
    }
  }
  if (!IsChordType(type)) return;

  if (options_.TriadChords && type == kMaj) {
    if (options_.MajorMinor) {
      const Triad triad = MinorKeyTriad(root);
      type = triad.Type;
      root -= triad.RootLowering;
    } else {
      type = MajorKeyTriad(root).Type;
    }
  } else if (options_.MajorMinor) {
    type = SwapMajorMinor(type);
  }

  if (transpose != kUntransposed) root += options_.PlayChords ? transpose : transpose % 12;

  Commit(KeepInMidiRange(root), type);
  if (observers_.ChordSet) observers_.ChordSet(Chord{CurrentRoot, CurrentType});
}

void ChordState::ReassertPendingChord() {
  if (PendingRoot <= 0 || !IsChordType(PendingType)) return;
  Commit(PendingRoot, PendingType);
}

void ChordState::Commit(int root, int type) {
  CurrentRoot = PendingRoot = static_cast<int16_t>(root);
  CurrentType = PendingType = static_cast<int16_t>(type);

  // The style's start sends the MIDI start byte in "Master Mode" itself, once it has really started.
  if (!host_.StylePlaying() && host_.StartOnChord() && !options_.PlayChords) host_.StartStyleOnChord();

  const auto& intervals = kChordIntervals[type];
  host_.SetChordTones({root + intervals[0], root + intervals[1], root + intervals[2], root + intervals[3]});
}

void ChordState::SetChordTypeOverride(int type, bool oneShot) {
  override_ = IsChordType(type) ? type : 0;
  overrideOneShot_ = override_ != 0 && oneShot;
}

ChordCodeKind ChordState::ReceiveChordCode(int controller, int value, int channel,
                                           int lowestAccompanimentKey) {
  if (!options_.ReceiveChordCodes) return ChordCodeKind::kNotACode;
  const DecodedChordCode code = DecodeChordCode(controller, value, lowestAccompanimentKey);
  switch (code.Kind) {
    case ChordCodeKind::kChord:
      CurrentRoot = code.Value.Root;
      CurrentType = code.Value.Type;
      ShowReceivedChord(CurrentRoot, CurrentType, true, channel);
      break;
    case ChordCodeKind::kAdLibOff:
    case ChordCodeKind::kAdLibOn:
      options_.MelodyAdLib = code.Kind == ChordCodeKind::kAdLibOn;
      if (observers_.MelodyAdLibSwitched) observers_.MelodyAdLibSwitched(options_.MelodyAdLib);
      break;
    case ChordCodeKind::kNotACode:
    case ChordCodeKind::kIgnored:
      break;
  }
  return code.Kind;
}

bool ChordState::SendChordCode() {
  if (!options_.SendChordCodes || CurrentType <= 0) return false;
  const std::optional<ChordCode> code = EncodeChordCode(CurrentRoot, CurrentType);
  if (!code) return false;
  const int pc = PitchClass(CurrentRoot);
  if (pc == sentCodeRoot_ && CurrentType == sentCodeType_) return false;
  if (host_.ChordsoutOpen())
    host_.SendChordsout(static_cast<uint8_t>(midi::kControlChange | (ChordCodeChannel & 0x0F)), code->Controller,
                        code->Value);
  ShowReceivedChord(CurrentRoot, CurrentType, false, ChordCodeChannel & 0x0F);
  sentCodeRoot_ = pc;
  sentCodeType_ = CurrentType;
  return true;
}

void ChordState::ShowReceivedChord(int root, int type, bool panel, int channel) {
  const std::string name = ChordName(root, type);
  display_.SetCaption(std::string(host::kApplicationTitle) + "  -  Chord : " + name + "  -  Channel " +
                      std::to_string(channel + 1));
  if (panel && display_.ChordPanelVisible()) display_.SetChordPanelText(name);
}

void ChordState::SetSendChordCodes(bool on) {
  options_.SendChordCodes = on;
  if (on) return;
  ForgetSentChordCode();
  display_.SetCaption(host::kApplicationTitle);
}

void ChordState::SetReceiveChordCodes(bool on) {
  options_.ReceiveChordCodes = on;
  if (!on) display_.SetCaption(host::kApplicationTitle);
}

}  // namespace kalo::perform
