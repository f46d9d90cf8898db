#include "styles/style_creator.h"

#include <algorithm>

#include "midi/midi_status.h"
#include "styles/style_stream.h"

namespace kalo::styles {

namespace {

enum class ChainStep { Byte, End, Overrun };

// Reads the byte at (slot, offset) of the chained buffer slots; at a buffer end byte it moves on to
// the start of the next slot in use. End: the chain's last end byte, at (slot, offset). Overrun: the
// slot's valid bytes ran out before an end byte.
ChainStep ReadChained(const Style& style, int& slot, int32_t& offset, uint8_t& byte) {
  while (true) {
    const BufferSlot& s = style.Slots[static_cast<size_t>(slot)];
    const int32_t length = std::min<int32_t>(s.Length, static_cast<int32_t>(s.Data.size()));
    if (offset >= length) return ChainStep::Overrun;
    byte = s.Data[static_cast<size_t>(offset)];
    if (byte != kBufferEndByte) return ChainStep::Byte;
    if (slot < 6 && style.Slots[static_cast<size_t>(slot) + 1].InUse) {
      ++slot;
      offset = 0;
      continue;
    }
    return ChainStep::End;
  }
}

}  // namespace

TGen::TGen(TGenContext context) : context_(context) {}

bool TGen::EnsureBuffers() {
  if (style_.Allocate()) return true;
  context_.Dialogs.Inform(kOutOfMemoryMessage);
  return false;
}

bool TGen::ResetStyle() {
  if (!EnsureBuffers()) return false;
  if (StyleMode && style_.Modified && context_.Dialogs.Ask(kSaveStyleFirstQuestion)) {
    std::string target = CurrentStylePath;
    if (target.empty() || target.find('*') != std::string::npos) {
      auto chosen = context_.Dialogs.AskSaveFile(
          {"Save style as ...", "Styles (*.vxs)|*.vxs", "VXS", "*.VXS", context_.Settings.StyleDir});
      if (!chosen) return false;
      target = *chosen;
    }
    if (!SaveStyle(target)) return false;
  }
  style_.Clear();
  Cursor = 0;
  context_.Display.SetKeyboardCaption("Keyboard");
  context_.Display.SetStyleManagerCaption("Style-Manager");
  return true;
}

void TGen::ResetControls() {
  FirstMeasure = 1;
  LastMeasure = 0;
  BeatBox = 1;
  RunningPart = StartPart();
  StartOffset = kNoLimit;
  EndOffset = kNoLimit;
  CurrentOffset = 0;  // never left pointing into the stream of the style before
  StartPosition = 4;
  Position = 4;
  BeatIndex = 0;
}

int32_t TGen::Locate(int measureIndex, int beat, bool setCounters) {
  const int beatIndex = beat > 0 ? beat - 1 : 0;
  int32_t result = 0;
  if (!(measureIndex == 0 && beatIndex == 0) && style_.Allocated()) {
    const int64_t target =
        static_cast<int64_t>(measureIndex) * TicksPerMeasure(CurrentMetre.MeasureLength) + beatIndex * 24;
    const auto& index = style_.QuarterNoteIndex;
    if (!index.empty()) {
      const int64_t entry = target < 0 ? 0 : target / 24;
      if (entry < static_cast<int64_t>(index.size())) {
        const QuarterNoteEntry& e = index[static_cast<size_t>(entry)];
        Cursor = e.Slot;
        Overshoot = e.Overshoot;
        result = static_cast<int32_t>(e.Offset);
      } else {
        Cursor = index.back().Slot;
        Overshoot = 0;
        result = style_.Length();
      }
    } else {
      int slot = 0;
      int32_t offset = 0;
      int64_t sum = 0;
      while (true) {
        uint8_t byte = 0;
        const ChainStep step = ReadChained(style_, slot, offset, byte);
        if (step == ChainStep::Overrun) {
          result = style_.Slots[static_cast<size_t>(slot)].Length + 1;
          break;
        }
        if (step == ChainStep::End) {
          result = offset;
          break;
        }
        if (IsDelayByte(byte)) sum += DelayTicks(byte);
        if (sum >= target) {
          Overshoot = static_cast<int>(sum - target);
          result = offset;
          break;
        }
        ++offset;
      }
      Cursor = slot;
    }
  }
  if (setCounters) context_.Player.ResetCountersForFreshStart();
  return result == 0 ? -1 : result;
}

void TGen::BuildQuarterNoteIndex(int endPosition) {
  auto& index = style_.QuarterNoteIndex;
  index.clear();
  if (endPosition <= 0 || !style_.Allocated()) return;
  const size_t capacity = static_cast<size_t>(endPosition);
  index.reserve(capacity);
  int64_t sum = 0;
  int64_t boundary = 0;
  if (style_.Length() > 0 && !IsDelayByte(style_.Buffer()[0])) {
    index.push_back({0, 0, 0});
    boundary = 24;
  }
  int slot = 0;
  int32_t offset = 0;
  while (index.size() < capacity) {
    uint8_t byte = 0;
    if (ReadChained(style_, slot, offset, byte) != ChainStep::Byte) break;
    if (IsDelayByte(byte)) sum += DelayTicks(byte);
    if (sum >= boundary) {
      index.push_back(
          {static_cast<uint32_t>(offset), static_cast<uint8_t>(slot), static_cast<uint8_t>(sum - boundary)});
      boundary += 24;
    }
    ++offset;
  }
}

void TGen::SelectPart(int part) {
  if (part < 0 || part >= kPartCount) return;
  context_.Player.RevoiceHeld(true, true);
  if (part == kEnding) {
    Successor = kSuccessorRepeat;
    if (!context_.Settings.PlayEnding || !style_.Parts[kEnding].Exists()) {
      part = ReturnPart;
      context_.Player.StartFadeOut();
    }
  }
  if (!style_.Parts[static_cast<size_t>(part)].Exists()) {
    if (part == kFillInExtended) {
      part = kExtended;
    } else if (part == kToExtended) {
      part = kBasic;
    } else {
      return;
    }
    if (!style_.Parts[static_cast<size_t>(part)].Exists()) return;
  }
  const TStylePart& record = style_.Parts[static_cast<size_t>(part)];
  const uint8_t successor = kPartSuccessor[static_cast<size_t>(part)];
  if (successor == kSuccessorReturn) {
    Successor = record.HasVariationMarker() ? kSuccessorRepeat : ReturnPart;
  } else {
    Successor = successor;
    ReturnPart = part == kIntro ? kBasic : part;
  }
  RunningPart = part;
  FirstMeasure = record.FirstMeasure;
  LastMeasure = record.LastMeasure;
  BeatBox = record.Beat;
  StartOffset = record.StartOffset;
  // A part cut at the end of a recording ends at stream length + 1 (where Locate puts a time past
  // the end): it plays to the end of the stream.
  EndOffset = std::min(record.EndOffset, style_.Length());
  StartPosition = (record.FirstMeasure - 1) * CurrentMetre.MeasureLength + 4;
  for (int c = 0; c < kChannelCount; ++c)
    if (!context_.Host.MutedByHand(c)) context_.Host.SetLiveMute(c, record.Mute[static_cast<size_t>(c)] != 0);
  const Entry entry = EntryAt(part, BeatIndex * BeatTicks);
  JoinOffset = entry.Offset;
  JoinDelay = entry.Delay;
  context_.Player.SetPartStart(true);
  CurrentOffset = EndOffset + 65535;
}

TGen::Entry TGen::EntryAt(int part, int beatTicks) const {
  const TStylePart& record = style_.Parts[static_cast<size_t>(part & 7)];
  const int32_t start = record.StartOffset;
  const int32_t end = std::min(record.EndOffset, style_.Length());
  if (beatTicks <= 0 || start < 0 || end <= start) return {start, 0};
  const int quarter = beatTicks / 24;
  if (part > kEnding && BeatTicks == 24 && beatTicks % 24 == 0 && quarter >= 1 && quarter <= 3) {
    const int32_t stored = record.EntryOffsets[static_cast<size_t>(quarter) - 1];
    if (stored >= start && stored < end) return {stored, 0};
  }
  const auto buffer = style_.Buffer();
  int ticks = 0;
  for (int32_t offset = start; offset < end && static_cast<size_t>(offset) < buffer.size();) {
    const uint8_t byte = buffer[static_cast<size_t>(offset)];
    if (IsDelayByte(byte)) {
      ticks += DelayTicks(byte);
      ++offset;
      if (ticks >= beatTicks) return {offset, ticks - beatTicks};
    } else {
      offset += byte >= 0x80 && byte != kBufferEndByte ? 3 : 1;  // a message is three bytes
    }
  }
  return {end, 0};
}

int TGen::EndOfPart() {
  int restartDelay = -1;
  if (Playing && StyleMode && Cursor == 0) {
    if (Successor == kEnding && BeatIndex == 0) CurrentOffset = EndOffset;
    const bool realEnd = CurrentOffset >= EndOffset && CurrentOffset < EndOffset + 65535;
    if (realEnd) {
      if (Successor == kSuccessorRepeat) {
        context_.Player.SetPartStart(false);
      } else if (Successor == kSuccessorStop) {
        StopPlaying();
        return -1;
      } else {
        SelectPart(Successor);
      }
    }
    if (CurrentOffset >= EndOffset && EndOffset > StartOffset) {
      if (realEnd) context_.Player.RevoiceHeld(true, false);
      // A part just selected joins at its entry for this beat; a part that repeats starts over.
      const bool selected = CurrentOffset >= EndOffset + 65535;
      CurrentOffset = selected ? JoinOffset : StartOffset;
      restartDelay = selected ? JoinDelay : 0;
      Position = StartPosition + (selected ? BeatIndex * std::max(1, BeatTicks / 6) : 0);
    }
  }
  // Song mode: the material plays on until the "Stop at ..." measure begins.
  if (Playing && !StyleMode && EndOffset < kNoLimit && CurrentOffset >= EndOffset) {
    StopPlaying();
    return -1;
  }
  const int measureLength = CurrentMetre.MeasureLength;
  context_.Display.SetStyleCreatorPosition(std::to_string((Position - 4) / measureLength + 1) + ":" +
                                           std::to_string(BeatIndex + 1));
  Position += std::max(1, BeatTicks / 6);  // four grid units a quarter note
  atMeasureStart_ = false;
  BeatIndex = BeatsPerMeasure > 0 ? (BeatIndex + 1) % BeatsPerMeasure : 0;
  return restartDelay;
}

bool TGen::RoomToAppend(int32_t bytes) {
  if (appendFull_) return false;
  if (WriteOffset + bytes <= kStreamCapacity) return true;
  appendFull_ = true;
  StopPlaying();
  context_.Host.StopRecording();
  context_.Dialogs.Inform(kOutOfMemoryMessage);
  return false;
}

void TGen::AppendTick() {
  if (!style_.Allocated() || context_.Host.StartWaitPending()) return;
  auto buffer = style_.Buffer();
  if (WriteOffset > 0) {
    uint8_t& previous = buffer[static_cast<size_t>(WriteOffset) - 1];
    if (previous >= kFirstDelayByte && previous < 0xFF) {
      ++previous;
      return;
    }
  }
  if (!RoomToAppend(1)) return;
  buffer[static_cast<size_t>(WriteOffset++)] = kFirstDelayByte;
}

void TGen::AppendMessage(uint8_t status, uint8_t data1, uint8_t data2) {
  // Only channel messages belong in the stream: a system byte there would read as a delay.
  if (!style_.Allocated() || !IsStatusByte(status) || context_.Host.StartWaitPending()) return;
  if (!RoomToAppend(3)) return;
  data1 &= 0x7F;
  data2 &= 0x7F;
  auto buffer = style_.Buffer();
  buffer[static_cast<size_t>(WriteOffset)] = status;
  buffer[static_cast<size_t>(WriteOffset) + 1] = data1;
  buffer[static_cast<size_t>(WriteOffset) + 2] = data2;
  WriteOffset += 3;
  const uint8_t kind = status & 0xF0;
  const uint8_t channel = status & 0x0F;
  if (kind >= midi::kControlChange && kind <= midi::kChannelPressure)
    StoreChannelValue(kind, channel, data1, data2, true);
  if (kind == midi::kNoteOn && data2 > 0) style_.Header.ChannelUsed[channel] = 1;
}

void TGen::FinishAppend(int endPosition) {
  style_.SetLength(WriteOffset);
  RecordedEndPosition = static_cast<int16_t>(std::clamp(endPosition, 0, 32767));
  BuildQuarterNoteIndex(endPosition);
}

void TGen::ChaseControllers(int32_t from, int32_t to) {
  for (uint8_t c = 0; c < kChannelCount; ++c)
    context_.Player.Send(static_cast<uint8_t>(midi::kControlChange | c), 121, 0);
  if (!style_.Allocated()) return;
  const int transposition = context_.Host.Transposition();
  ForEachMessage(style_.Stream(), from, std::min(to, style_.Length()), [&](const StreamMessage& m) {
    const uint8_t kind = m.Status & 0xF0;
    const uint8_t channel = m.Status & 0x0F;
    if (!style_.Header.Used(channel)) return;
    if (!((kind == midi::kControlChange && m.Data1 < 120) || kind == midi::kProgramChange ||
          kind == midi::kChannelPressure))
      return;
    uint8_t value = m.Data2;
    // The transposition moves the portamento source note; the result stays a data byte.
    if (kind == midi::kControlChange && m.Data1 == 84)
      value = static_cast<uint8_t>(std::clamp(m.Data2 + transposition, 0, 127));
    if (!context_.Options.TransmitControllers && !StoreChannelValue(kind, channel, m.Data1, value, false))
      return;
    context_.Player.Send(m.Status, m.Data1, value);
  });
}

bool TGen::StoreChannelValue(uint8_t kind, uint8_t channel, uint8_t number, uint8_t value, bool keepFirst) {
  size_t entry = 0;
  switch (kind & 0xF0) {
    case midi::kControlChange:
      if (!IsStoredController(number)) return true;
      entry = number;
      break;
    case midi::kProgramChange:
      entry = kProgramEntry;
      value = number;
      break;
    case midi::kChannelPressure:
      entry = kPressureEntry;
      value = number;
      break;
    default:
      return true;
  }
  uint8_t& stored = style_.Header.Channels[channel & 0x0F].Values[entry];
  if (keepFirst && stored < kNotSet) return false;
  if (stored == value) return false;
  stored = value;
  return true;
}

void TGen::SetChannelInstrument(uint8_t channel, uint8_t bankMsb, uint8_t program, uint8_t bankLsb) {
  if (!style_.Allocated() || !style_.HasMaterial()) return;
  channel &= 0x0F;
  auto& setup = style_.Header.Channels[channel].Values;
  setup[0] = bankMsb;
  setup[32] = bankLsb;
  setup[kProgramEntry] = program;
  if (!style_.Header.Used(channel)) return;
  const bool fix = context_.Options.FixChanges;
  auto buffer = style_.Buffer();
  const int32_t length = style_.Length();
  for (int32_t i = 0; i + 1 < length; ++i) {
    const uint8_t byte = buffer[static_cast<size_t>(i)];
    if (byte == (midi::kControlChange | channel) && i + 2 < length) {
      uint8_t& value = buffer[static_cast<size_t>(i) + 2];
      if (buffer[static_cast<size_t>(i) + 1] == 0) value = bankMsb;
      if (buffer[static_cast<size_t>(i) + 1] == 32) value = bankLsb;
    } else if (byte == (midi::kProgramChange | channel)) {
      buffer[static_cast<size_t>(i) + 1] = program;
      if (!fix) break;
    } else if (byte == (midi::kNoteOn | channel) && !fix) {
      break;
    }
  }
}

void TGen::SetChannelController(uint8_t channel, uint8_t controller, uint8_t value) {
  if (!style_.Allocated() || !style_.HasMaterial() || controller >= kChannelSetupSize) return;
  channel &= 0x0F;
  style_.Header.Channels[channel].Values[controller] = value;
  if (!style_.Header.Used(channel)) return;
  const bool fix = context_.Options.FixChanges;
  auto buffer = style_.Buffer();
  const int32_t length = style_.Length();
  for (int32_t i = 0; i < length; ++i) {
    const uint8_t byte = buffer[static_cast<size_t>(i)];
    if (byte == (midi::kNoteOn | channel) && !fix) break;
    if (byte == (midi::kControlChange | channel) && i + 2 < length &&
        buffer[static_cast<size_t>(i) + 1] == controller) {
      buffer[static_cast<size_t>(i) + 2] = value;
      if (!fix) break;
    }
  }
}

std::array<uint8_t, 13> TGen::AppliedEntries(int channel) const {
  std::array<uint8_t, 13> entries{};
  const auto& values = style_.Header.Channels[static_cast<size_t>(channel)].Values;
  for (size_t i = 0; i < kAppliedEntries.size(); ++i) {
    const uint8_t value = values[kAppliedEntries[i]];
    entries[i] = value > 127 ? kNotSet : value;
  }
  return entries;
}

void TGen::ApplyChannelSetups(bool loadFlag) {
  const uint8_t keyboardChannel = context_.Mixer.KeyboardChannel();
  for (uint8_t c = 0; c < kChannelCount; ++c) {
    if (!style_.Header.Used(c)) continue;
    context_.Mixer.SetKeyboardChannel(c);
    context_.Mixer.ApplyChannelSetup(c, AppliedEntries(c), loadFlag);
  }
  context_.Mixer.SetKeyboardChannel(keyboardChannel);
  context_.Mixer.ChannelSetupsSent();
}

void TGen::NormalizeVolume() {
  const bool pad = context_.Host.InstrumentPad();
  context_.Host.SetInstrumentPad(false);
  const bool solo = context_.Options.SoloOnChannel1;
  const int target = std::clamp(TargetVolume, 1, 127);
  auto& channels = style_.Header.Channels;
  std::array<int, kChannelCount> volumes;
  volumes.fill(-1);  // -1: not counted
  int reference = 0;
  for (int c = 0; c < kChannelCount; ++c) {
    if ((c == 0 && solo) || !style_.Header.Used(c) || !context_.Host.CountsForVolume(c)) continue;
    const uint8_t volume = channels[static_cast<size_t>(c)].Values[7];
    if (volume == kNotSet) continue;
    volumes[static_cast<size_t>(c)] = volume;
    if (volume >= 128 || c == 9 || volume <= reference) continue;
    if (reference < target / 2 || volume < reference + 20) reference = volume;
  }
  if (reference == 0) reference = target;
  const int offset = target - reference;
  const uint8_t drums = channels[9].Values[7];
  for (int c = 0; c < kChannelCount; ++c) {
    int volume = volumes[static_cast<size_t>(c)];
    if (c == 0 && (solo || !style_.Header.Used(0))) {
      volume = std::min(target + 20, 127);
    } else if (volume < 0) {
      continue;
    } else {
      if (drums != kNotSet && drums > 75 && drums <= volume) volume = drums - 10;
      volume = std::clamp(volume + offset, 0, 127);
    }
    channels[static_cast<size_t>(c)].Values[7] = static_cast<uint8_t>(volume);
    context_.Mixer.SetLiveController(static_cast<uint8_t>(c), 7, static_cast<uint8_t>(volume));
  }
  context_.Host.SetInstrumentPad(pad);
}

bool TGen::UndoAllConversions(bool ask) {
  if (!EnsureBuffers()) return false;
  if (ask && !context_.Dialogs.Ask(kUndoConversionsQuestion)) return false;
  const BufferSlot& loaded = style_.Slots[Style::kCopyAsLoadedSlot];
  const auto count = static_cast<size_t>(std::clamp(style_.Length(), 0, kStreamAllocation));
  std::copy_n(loaded.Data.begin(), count, style_.Buffer().begin());
  style_.Header.Converted = 0;
  style_.ConvertedMeasures.clear();
  StopPlaying();
  return true;
}

void TGen::StopPlaying() {
  Playing = false;
  context_.Player.Stop();
}

}  // namespace kalo::styles
