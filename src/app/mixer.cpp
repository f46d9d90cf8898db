#include "app/mixer.h"

#include <algorithm>
#include <cstdio>

#include "midi/reset_messages.h"
#include "styles/style_records.h"

namespace kalo::app {
namespace {

constexpr uint8_t kDrumChannel = 9;

// The controller each slider sends; 0xFF for the aftertouch slider (a channel-pressure message).
constexpr std::array<uint8_t, kMixerSliderCount> kSliderController{
    midi::kCtlVolume,     midi::kCtlPan,        midi::kCtlReverb,  midi::kCtlChorus,
    midi::kCtlModulation, midi::kCtlExpression, midi::kCtlSustain, 0xFF};

std::string MemoryText(uint8_t value, int offset = 0) {
  return value == midi::ControllerMemory::kNeverSet ? std::string()
                                                    : std::to_string(static_cast<int>(value) + offset);
}

}  // namespace

Mixer::Mixer(MixerPort& port) : port_(port) {
  instrumentEntry_.fill(-1);
  shownPrograms_.fill(-1);
  knownPrograms_.fill(midi::ControllerMemory::kNeverSet);
}

uint16_t Mixer::OutputVolume(int position) {
  position = std::clamp(position, 0, 100);
  return position == 100 ? uint16_t{65535} : static_cast<uint16_t>(position * 650);
}

std::string Mixer::ChannelRowText(uint8_t channel, const std::string& instrumentName) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, " Ch. %02d : ", channel % 16 + 1);
  return std::string(prefix) + (channel == kDrumChannel ? std::string("Drums") : instrumentName);
}

ChannelValueTexts Mixer::ValueTexts(const midi::ControllerMemory& memory, uint8_t channel) {
  auto text = [&](int entry, int offset = 0) { return MemoryText(memory.Value(channel, entry), offset); };
  ChannelValueTexts texts;
  texts.BankMsb = text(midi::kCtlBankMsb);
  texts.BankLsb = text(midi::kCtlBankLsb);
  texts.Volume = text(midi::kCtlVolume);
  texts.Pan = text(midi::kCtlPan, -64);
  texts.Reverb = text(midi::kCtlReverb);
  texts.Chorus = text(midi::kCtlChorus);
  texts.Expression = text(midi::kCtlExpression);
  texts.Program = text(midi::ControllerMemory::kProgramEntry);
  return texts;
}

void Mixer::SendChannel(uint8_t status, uint8_t channel, uint8_t data1, uint8_t data2) {
  port_.SendGenerated(static_cast<uint8_t>(status | (channel & 0x0F)), data1, data2);
}

void Mixer::SetSlider(MixerSlider slider, int value, bool fromUser) {
  const auto index = static_cast<size_t>(slider);
  const uint8_t data = midi::ClampToData(value);
  sliders_[index] = data;
  if (slider == MixerSlider::Aftertouch) {
    SendChannel(midi::kChannelPressure, keyboardChannel_, data, 0);
  } else {
    SendChannel(midi::kControlChange, keyboardChannel_, kSliderController[index], data);
  }
  midi::VoiceRecord& record = voices_[keyboardChannel_];
  switch (slider) {
    case MixerSlider::Volume:
      record.Volume = data;
      break;
    case MixerSlider::Pan:
      record.Pan = data;
      break;
    case MixerSlider::Reverb:
      record.Reverb = data;
      break;
    case MixerSlider::Chorus:
      record.Chorus = data;
      break;
    case MixerSlider::Modulation:
      record.Modulation = data;
      break;
    default:
      return;  // not part of the voice record, nor of the style's set-up
  }
  if (fromUser && !loading_ && styleSink_ != nullptr) {
    styleSink_->SetChannelController(keyboardChannel_, kSliderController[index], data);
  }
}

bool Mixer::SetKeyboardChannel(uint8_t channel) {
  if (channel > 15 || !port_.MidioutOpen()) {
    return false;
  }
  SelectChannel(channel);
  return true;
}

void Mixer::SelectChannel(uint8_t channel) {
  keyboardChannel_ = channel & 0x0F;
  const midi::VoiceRecord record = voices_[keyboardChannel_];
  const std::array<std::pair<MixerSlider, uint8_t>, 5> stored{{{MixerSlider::Volume, record.Volume},
                                                               {MixerSlider::Pan, record.Pan},
                                                               {MixerSlider::Reverb, record.Reverb},
                                                               {MixerSlider::Chorus, record.Chorus},
                                                               {MixerSlider::Modulation, record.Modulation}}};
  loading_ = true;
  for (const auto& [slider, value] : stored) {
    // A control only reports a change when its position moves.
    if (Slider(slider) != value) {
      SetSlider(slider, value, false);
    }
  }
  loading_ = false;
  instrumentBox_ = instrumentEntry_[keyboardChannel_];
}

void Mixer::SetInstrumentList(std::vector<std::string> entries, config::PatchKind kind, int selected) {
  entries_ = std::move(entries);
  kind_ = kind;
  instrumentBox_ = selected >= 0 && static_cast<size_t>(selected) < entries_.size() ? selected : -1;
  shownPrograms_.fill(-1);
}

void Mixer::ClearInstrumentEntries() { instrumentEntry_.fill(-1); }

void Mixer::SendInstrument(uint8_t channel, const config::InstrumentMessages& messages) {
  if (messages.SendsBanks) {
    SendChannel(midi::kControlChange, channel, midi::kCtlBankMsb, messages.Controller0);
    SendChannel(midi::kControlChange, channel, midi::kCtlBankLsb, messages.Controller32);
  }
  SendChannel(midi::kProgramChange, channel, messages.Program, 0);
}

void Mixer::ChooseInstrument(int index, bool fromUser) {
  if (index < 0 || static_cast<size_t>(index) >= entries_.size()) {
    return;
  }
  instrumentBox_ = index;
  const std::optional<config::InstrumentMessages> messages = config::EntryMessages(entries_, index, kind_);
  if (!messages) {
    return;
  }
  const uint8_t channel = keyboardChannel_;
  SendInstrument(channel, *messages);
  midi::VoiceRecord& record = voices_[channel];
  record.BankMsb = messages->Controller0;
  record.BankLsb = messages->Controller32;
  record.Program = messages->Program;
  instrumentEntry_[channel] = static_cast<int16_t>(index);
  if (fromUser) {
    if (styleSink_ != nullptr) {
      styleSink_->SetChannelInstrument(channel, messages->Controller0, messages->Program,
                                       messages->Controller32);
    }
    shownInstrument_[channel] =
        std::array<uint8_t, 3>{messages->Program, messages->Controller0, messages->Controller32};
  }
}

void Mixer::SendVoice(uint8_t channel) {
  if (!port_.MidioutOpen()) {
    return;
  }
  channel &= 0x0F;
  SendChannel(midi::kControlChange, channel, midi::kCtlResetAllControllers, 0);
  if (instrumentBox_ >= 0 && static_cast<size_t>(instrumentBox_) < entries_.size()) {
    if (auto messages = config::EntryMessages(entries_, instrumentBox_, kind_)) {
      SendInstrument(channel, *messages);
    }
  }
  SendChannel(midi::kControlChange, channel, midi::kCtlVolume, Slider(MixerSlider::Volume));
  SendChannel(midi::kControlChange, channel, midi::kCtlPan, Slider(MixerSlider::Pan));
  SendChannel(midi::kControlChange, channel, midi::kCtlReverb, Slider(MixerSlider::Reverb));
  SendChannel(midi::kControlChange, channel, midi::kCtlChorus, Slider(MixerSlider::Chorus));
  if (Slider(MixerSlider::Modulation) > 0) {
    SendChannel(midi::kControlChange, channel, midi::kCtlModulation, Slider(MixerSlider::Modulation));
  }
  if (Slider(MixerSlider::Expression) < 127) {
    SendChannel(midi::kControlChange, channel, midi::kCtlExpression, Slider(MixerSlider::Expression));
  }
  if (Slider(MixerSlider::Sustain) > 0) {
    SendChannel(midi::kControlChange, channel, midi::kCtlSustain, Slider(MixerSlider::Sustain));
  }
  if (Slider(MixerSlider::Aftertouch) > 0) {
    SendChannel(midi::kChannelPressure, channel, Slider(MixerSlider::Aftertouch), 0);
  }
}

void Mixer::ApplyOutputVolume() { port_.SetOutputVolume(OutputVolume(left_), OutputVolume(right_)); }

void Mixer::SetLeftVolume(int position) {
  left_ = std::clamp(position, 0, 100);
  if (lock_) {
    right_ = left_;
  }
  ApplyOutputVolume();
}

void Mixer::SetRightVolume(int position) {
  right_ = std::clamp(position, 0, 100);
  if (lock_) {
    left_ = right_;
  }
  ApplyOutputVolume();
}

void Mixer::SetSuppressAll(bool on) { suppress_.fill(on ? 1 : 0); }

void Mixer::SetSolo(uint8_t soloChannel) {
  if (soloChannel > 16 || soloChannel == solo_) {
    return;
  }
  if (soloChannel == 0) {
    solo_ = 0;
    port_.SetSoloChannel(0);
    SelectChannel(channelBeforeSolo_);
    return;
  }
  // Moving the solo from one channel to another keeps the channel from before the first solo.
  if (solo_ == 0) {
    channelBeforeSolo_ = keyboardChannel_;
  }
  solo_ = soloChannel;
  port_.SetSoloChannel(soloChannel);
  SelectChannel(static_cast<uint8_t>(soloChannel - 1));
}

void Mixer::StoreLiveValue(uint8_t channel, uint8_t entry, uint8_t value, bool updateSlider) {
  midi::VoiceRecord& record = voices_[channel];
  std::optional<MixerSlider> slider;
  switch (entry) {
    case midi::kCtlBankMsb:
      record.BankMsb = value;
      break;
    case midi::kCtlBankLsb:
      record.BankLsb = value;
      break;
    case midi::kCtlModulation:
      record.Modulation = value;
      slider = MixerSlider::Modulation;
      break;
    case midi::kCtlVolume:
      record.Volume = value;
      slider = MixerSlider::Volume;
      break;
    case midi::kCtlPan:
      record.Pan = value;
      slider = MixerSlider::Pan;
      break;
    case midi::kCtlExpression:
      slider = MixerSlider::Expression;
      break;
    case midi::kCtlSustain:
      slider = MixerSlider::Sustain;
      break;
    case midi::kCtlReverb:
      record.Reverb = value;
      slider = MixerSlider::Reverb;
      break;
    case midi::kCtlChorus:
      record.Chorus = value;
      slider = MixerSlider::Chorus;
      break;
    case midi::ControllerMemory::kProgramEntry:
      record.Program = value;
      break;
    case midi::ControllerMemory::kPressureEntry:
      slider = MixerSlider::Aftertouch;
      break;
    default:
      break;
  }
  if (updateSlider && slider && channel == keyboardChannel_) {
    sliders_[static_cast<size_t>(*slider)] = value;
  }
}

void Mixer::ApplyChannelSetup(uint8_t channel, const std::array<uint8_t, 13>& entries, bool updateControls) {
  // The entries' controller numbers, with the program and pressure as memory entries 96 and 97.
  const auto& kEntryNumbers = styles::kAppliedEntries;
  channel &= 0x0F;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i] <= 127) {
      StoreLiveValue(channel, kEntryNumbers[i], entries[i], updateControls);
    }
  }
  if (!port_.MidioutOpen()) {
    return;
  }
  SendChannel(midi::kControlChange, channel, midi::kCtlResetAllControllers, 0);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i] > 127) {
      continue;
    }
    if (kEntryNumbers[i] == midi::ControllerMemory::kProgramEntry) {
      SendChannel(midi::kProgramChange, channel, entries[i], 0);
    } else if (kEntryNumbers[i] == midi::ControllerMemory::kPressureEntry) {
      SendChannel(midi::kChannelPressure, channel, entries[i], 0);
    } else {
      SendChannel(midi::kControlChange, channel, kEntryNumbers[i], entries[i]);
    }
  }
}

void Mixer::SetLiveController(uint8_t channel, uint8_t controller, uint8_t value) {
  channel &= 0x0F;
  if (controller > 127 || value > 127) {
    return;
  }
  if (controller < 96) {
    StoreLiveValue(channel, controller, value, true);
  }
  SendChannel(midi::kControlChange, channel, controller, value);
}

int Mixer::ShownEntry(uint8_t channel, uint8_t program) const {
  if (program > 127) {
    return -1;
  }
  auto plays = [&](int index) {
    auto messages = config::EntryMessages(entries_, index, kind_);
    return messages && messages->Program == program;
  };
  const int16_t chosen = instrumentEntry_.at(channel & 0x0F);
  if (chosen >= 0 && static_cast<size_t>(chosen) < entries_.size() && plays(chosen)) {
    return chosen;
  }
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (plays(static_cast<int>(i))) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::string Mixer::InstrumentName(uint8_t channel, uint8_t program) const {
  const int entry = ShownEntry(channel, program);
  return entry < 0 ? std::string() : entries_[static_cast<size_t>(entry)];
}

void Mixer::ResendChosenInstruments() {
  if (!port_.MidioutOpen()) {
    return;
  }
  for (uint8_t channel = 0; channel < 16; ++channel) {
    const int16_t entry = instrumentEntry_[channel];
    if (entry < 0 || static_cast<size_t>(entry) >= entries_.size()) {
      continue;
    }
    if (auto messages = config::EntryMessages(entries_, entry, kind_)) {
      SendInstrument(channel, *messages);
    }
  }
}

bool Mixer::UpdateRow(uint8_t channel, uint8_t program, bool force) {
  channel &= 0x0F;
  if (program == midi::ControllerMemory::kNeverSet) {
    program = knownPrograms_[channel];
  } else {
    knownPrograms_[channel] = program;
  }
  if (!force && shownPrograms_[channel] == program) {
    return false;
  }
  shownPrograms_[channel] = program;
  rows_[channel] = ChannelRowText(channel, InstrumentName(channel, program));
  return true;
}

void Mixer::RefreshRows(std::span<const uint8_t, 16> programs) {
  for (uint8_t channel = 0; channel < 16; ++channel) {
    UpdateRow(channel, programs[channel], true);
  }
}

bool Mixer::UpdateRows(const midi::ControllerMemory& memory) {
  bool rebuilt = false;
  for (uint8_t channel = 0; channel < 16; ++channel) {
    rebuilt |= UpdateRow(channel, memory.Value(channel, midi::ControllerMemory::kProgramEntry));
  }
  return rebuilt;
}

}  // namespace kalo::app
