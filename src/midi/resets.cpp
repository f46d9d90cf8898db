#include "midi/resets.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "midi/midi_errors.h"

namespace kalo::midi {
namespace {

constexpr const char* kDb50xgList = "DB50XG.VXI";

// The upper-case file name of a path with either kind of folder separator.
std::string UpperFileName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return name;
}

}  // namespace

ResetKind ResetKindForPatchMode(int patchMode) {
  switch (patchMode) {
    case 1:
      return ResetKind::Gs;
    case 2:
      return ResetKind::Xg;
    default:
      return ResetKind::Gm;
  }
}

MidiResets::MidiResets(MidiSystem& system, DeviceConfig& devices, HousekeepingSeam& seam,
                       host::Dialogs& dialogs)
    : system_(system), devices_(devices), seam_(seam), dialogs_(dialogs) {}

MidiResets::~MidiResets() {
  if (resetOutput_ != nullptr) {
    resetOutput_->Onmidioutput = nullptr;
  }
}

void MidiResets::SendControl(TMidiOutput& output, uint8_t channel, uint8_t controller, uint8_t value) {
  output.PutShort(static_cast<uint8_t>(kControlChange | (channel & 0x0F)), controller, value);
}

void MidiResets::SendRemembered(TMidiOutput& output, uint8_t status, uint8_t data1, uint8_t data2) {
  output.PutShort(status, data1, data2);
  system_.Controllers().Check(status, data1, data2, false);
}

void MidiResets::MidiReset(ResetKind kind) {
  TMidiOutput& output = devices_.Midiout();
  if (!output.IsOpen()) {
    return;
  }
  const int syncStart = seam_.SyncStart();
  if (seam_.SequencerPlaying()) {
    seam_.PressStop();
  }
  if (syncStart != 0) {
    seam_.SetSyncStart(0);
  }
  AllNotesOff();
  ResetControllers();

  if (kind == ResetKind::None) {
    if (UpperFileName(seam_.InstrumentListName()) == kDb50xgList) {
      output.PutLong(kGmReset.data(), kGmReset.size());
      ChannelSetup();
    }
    if (syncStart != 0) {
      seam_.SetSyncStart(syncStart);
    }
    return;
  }

  // A reset still waiting for its notice is replaced by this one.
  if (resetOutput_ != nullptr && resetOutput_ != &output) {
    resetOutput_->Onmidioutput = nullptr;
  }
  resetOutput_ = &output;
  syncStartBeforeReset_ = syncStart;
  output.Onmidioutput = [this](TMidiOutput& done) { OnResetDone(done); };
  try {
    if (kind == ResetKind::Xg) {
      output.PutLong(kGmReset.data(), kGmReset.size());
      output.PutLong(kXgReset.data(), kXgReset.size());
    } else if (kind == ResetKind::Gm) {
      output.PutLong(kGmReset.data(), kGmReset.size());
    } else {
      output.PutLong(kGsReset.data(), kGsReset.size());
    }
  } catch (const EmidioutputError&) {
    // No notice will come for what was not sent; a message already sent still reports, but there
    // is no reset left to finish.
    output.Onmidioutput = nullptr;
    resetOutput_ = nullptr;
    if (syncStart != 0) {
      seam_.SetSyncStart(syncStart);
    }
    throw;
  }
}

void MidiResets::OnResetDone(TMidiOutput& output) {
  // GM before XG reports twice; the voices are set up only after the device has taken the last
  // message, or the XG reset would undo the channel set-up.
  if (output.PendingLongMessages() > 0) {
    return;
  }
  output.Onmidioutput = nullptr;
  resetOutput_ = nullptr;
  ChannelSetup();
  dialogs_.Inform(kResetDoneMessage);
  if (syncStartBeforeReset_ != 0) {
    seam_.SetSyncStart(syncStartBeforeReset_);
  }
}

void MidiResets::ReleaseChannel(TMidiOutput& output, uint8_t channel) {
  if (!output.IsOpen()) {
    return;
  }
  const auto status = static_cast<uint8_t>(kControlChange | (channel & 0x0F));
  output.PutShort(status, kCtlSustain, 0);
  output.PutShort(status, kCtlSoft, 0);
  output.PutShort(status, kCtlAllNotesOff, 0);
}

void MidiResets::AllNotesOff() {
  TMidiOutput& output = devices_.Midiout();
  for (uint8_t channel = 0; channel < 16; ++channel) {
    ReleaseChannel(output, channel);
  }
  seam_.ReleaseSustainSlider();
  seam_.ClearSoundingNotes();
  seam_.ClearChordTypeOverride();
}

void MidiResets::ResetControllers() {
  TMidiOutput& output = devices_.Midiout();
  if (output.IsOpen()) {
    for (uint8_t channel = 0; channel < 16; ++channel) {
      SendControl(output, channel, kCtlResetAllControllers, 0);
    }
    seam_.SendKeyboardVoice();
    system_.Controllers().Reset();
  }
  seam_.ClearChordTypeOverride();
}

void MidiResets::SendVoiceMessages() { seam_.SendKeyboardVoice(); }

void MidiResets::SetStartvalues() {
  seam_.PressStop();
  // Reopening flushes whatever the device still holds; a closed output stays closed. When it cannot
  // be opened again the start values are still sent to what is open, and the error comes last.
  std::exception_ptr reopenError;
  TMidiOutput& second = devices_.SecondSlot();
  if (second.IsOpen()) {
    try {
      second.Close();
      second.Open();
    } catch (const EmidioutputError&) {
      reopenError = std::current_exception();
    }
    devices_.RecomputeRoutes();
  }
  ResetControllers();
  ChannelSetup();
  if (seam_.InstrumentPadChecked()) {
    seam_.ResendInstrumentPad();
  }
  if (reopenError) {
    std::rethrow_exception(reopenError);
  }
}

void MidiResets::ChannelSetup() {
  seam_.PrepareChannelSetup();
  TMidiOutput& output = devices_.Midiout();
  if (!output.IsOpen()) {
    return;
  }
  const MixerLevels levels = seam_.Levels();
  constexpr uint8_t kFirst = 0;
  constexpr uint8_t kFifteenth = 14;
  constexpr uint8_t kPadChannel = 15;
  constexpr uint8_t kFifteenthProgram = 17;
  auto remember = [&](uint8_t channel, uint8_t controller, uint8_t value) {
    SendRemembered(output, static_cast<uint8_t>(kControlChange | channel), controller, value);
  };

  remember(kFirst, kCtlVolume, levels.Volume);
  remember(kFirst, kCtlPan, ClampToData(levels.Pan + 10));
  remember(kFirst, kCtlReverb, ClampToData(levels.Reverb + 15));
  remember(kFirst, kCtlChorus, levels.Chorus);

  remember(kFifteenth, kCtlVolume, levels.Volume);
  remember(kFifteenth, kCtlPan, ClampToData(levels.Pan - 10));
  remember(kFifteenth, kCtlReverb, ClampToData(levels.Reverb + 15));
  remember(kFifteenth, kCtlChorus, levels.Chorus);
  remember(kFifteenth, kCtlBankMsb, 0);
  remember(kFifteenth, kCtlBankLsb, 0);
  SendRemembered(output, static_cast<uint8_t>(kProgramChange | kFifteenth), kFifteenthProgram, 0);

  VoiceRecord pad;
  pad.Volume = levels.Volume;
  pad.Pan = 50;
  pad.Reverb = 90;
  pad.Chorus = 12;
  pad.Modulation = 0;
  pad.BankMsb = 0;
  pad.BankLsb = 0;
  pad.Program = ClampToData(seam_.PadProgram());
  seam_.StoreVoice(kPadChannel, pad);
  remember(kPadChannel, kCtlVolume, pad.Volume);
  remember(kPadChannel, kCtlPan, pad.Pan);
  remember(kPadChannel, kCtlReverb, pad.Reverb);
  remember(kPadChannel, kCtlChorus, pad.Chorus);
  remember(kPadChannel, kCtlBankMsb, pad.BankMsb);
  remember(kPadChannel, kCtlBankLsb, pad.BankLsb);
  SendRemembered(output, static_cast<uint8_t>(kProgramChange | kPadChannel), pad.Program, 0);

  seam_.ApplyKeyboardSplit();
  seam_.RestoreVoices();
}

}  // namespace kalo::midi
