#include "song/melody_track.h"

#include <algorithm>
#include <limits>
#include <random>

#include "midi/midi_status.h"

namespace kalo::song {

namespace {

uint8_t Kind(uint8_t status) { return status & 0xF0; }
uint8_t ChannelOf(uint8_t status) { return status & 0x0F; }
bool IsNoteMessage(uint8_t status) { return Kind(status) == midi::kNoteOn || Kind(status) == midi::kNoteOff; }

// A channel message with data bytes below 128: anything else would corrupt the output stream.
bool Sendable(const MelodyEvent& event) {
  return event.Status >= midi::kNoteOff && event.Status < midi::kSysexStatus && event.Data1 < 128 &&
         event.Data2 < 128;
}

int32_t ClampToTime(int64_t time) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(time, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

bool IsNoteStart(const MelodyEvent& event) { return Kind(event.Status) == midi::kNoteOn && event.Data2 != 0; }

bool IsNoteEnd(const MelodyEvent& event) {
  return Kind(event.Status) == midi::kNoteOff || (Kind(event.Status) == midi::kNoteOn && event.Data2 == 0);
}

int GridTicks(QuantizeGrid grid) {
  constexpr int kTicks[kQuantizeGridCount] = {2, 3, 4, 6, 8, 12, 0};
  return kTicks[static_cast<int>(grid)];
}

MelodyTrack::MelodyTrack() : events_(kMelodyCapacity), backup_(kMelodyCapacity) {}

void MelodyTrack::ResetCounters() {
  Clock = 0;
  Index = 0;
}

void MelodyTrack::TakeBookmark() {
  bookmarkClock_ = Clock;
  bookmarkIndex_ = Index;
}

void MelodyTrack::ReturnToBookmark() {
  if (Record) {
    EndRecording();
    Record = false;
  }
  Clock = bookmarkClock_;
  Index = std::min(bookmarkIndex_, count_);
}

bool MelodyTrack::Append(uint8_t status, uint8_t data1, uint8_t data2) {
  if (Index < 0 || Index >= kMelodyCapacity) return false;
  events_[static_cast<size_t>(Index)] = {Clock, status, data1, data2, uint8_t{IsNoteMessage(status)}};
  ++Index;
  count_ = std::max(count_, Index);
  return true;
}

bool MelodyTrack::AppendOwn(uint8_t status, uint8_t data1, uint8_t data2) {
  return Append(Kind(status), data1, data2);
}

void MelodyTrack::EndRecording() { std::copy_n(events_.begin(), count_, backup_.begin()); }

// Routing of a due event while Play is on: its channel becomes the melody channel unless " Refer
// to original channels" is ticked. A note on the melody channel goes to the voice's channel with
// Minus One, and is transposed; one moved outside 0..127 is dropped (its end is dropped alike, so
// no note hangs). Other messages go out only with " Store && Receive Controller-Values".
void MelodyTrack::PlayDue(MelodyOutput& output) {
  while (Index >= 0 && Index < count_ && events_[static_cast<size_t>(Index)].Time <= Clock) {
    const MelodyEvent& event = events_[static_cast<size_t>(Index)];
    ++Index;
    if (!Play || !Sendable(event)) continue;
    uint8_t status = event.Status;
    if (!ReferToOriginalChannels) status = static_cast<uint8_t>(Kind(status) | (Channel & 0x0F));
    if (IsNoteMessage(status)) {
      if (minusOne_ && ChannelOf(status) == Channel) {
        status = static_cast<uint8_t>(Kind(status) | (VoiceChannel & 0x0F));
        if (event.Data2 > 0) MelodySounding = true;
      }
      const int note = event.Data1 + Transposition;
      if (note < 0 || note > 127) continue;
      output.Send(status, static_cast<uint8_t>(note), event.Data2);
    } else {
      if (!StoreControllerValues) continue;
      output.Send(status, event.Data1, event.Data2);
    }
    output.ShowActivity(ChannelOf(status));
  }
}

bool MelodyTrack::ToggleRecord(bool transportRunning, host::Dialogs& dialogs) {
  if (transportRunning) return false;
  if (Record) {
    Record = false;
    return true;
  }
  if (!Empty()) {
    if (!dialogs.Ask(kReplaceMelodyQuestion)) return false;
    Clear();
  }
  Record = true;
  Play = true;
  return true;
}

void MelodyTrack::SetPlay(bool on, MelodyOutput& output) {
  if (Play && !on) SendSoundOff(Channel, output);
  Play = on;
}

void MelodyTrack::SetMinusOne(bool on) {
  minusOne_ = on;
  if (on)
    replaceOne_ = false;
  else
    MelodySounding = false;
}

void MelodyTrack::SetReplaceOne(bool on, MelodyOutput& output) {
  replaceOne_ = on;
  if (!on) return;
  minusOne_ = false;
  MelodySounding = false;
  SendSoundOff(VoiceChannel, output);
}

void MelodyTrack::Clear() {
  std::fill(events_.begin(), events_.end(), MelodyEvent{});
  count_ = 0;
  Index = 0;
  selected_ = 0;
}

bool MelodyTrack::Delete(host::Dialogs& dialogs) {
  if (Empty() || !dialogs.Ask(kDeleteMelodyQuestion)) return false;
  Clear();
  return true;
}

void MelodyTrack::Restore() { std::copy_n(backup_.begin(), count_, events_.begin()); }

void MelodyTrack::Quantize(QuantizeGrid grid, uint32_t seed) {
  if (Empty()) return;
  Restore();
  const int g = GridTicks(grid);
  if (g == 0) return;
  std::mt19937 random(seed);
  const auto below = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };

  for (int i = 0; i < count_; ++i) {
    MelodyEvent& start = events_[static_cast<size_t>(i)];
    if (!IsNoteStart(start)) continue;
    const int r = start.Time % g;
    if (r == 0) continue;
    int shift = r > g / 2 ? g - r : -r;
    start.Time = ClampToTime(int64_t{start.Time} + shift);

    auto end =
        std::find_if(events_.begin() + i + 1, events_.begin() + count_, [&start](const MelodyEvent& e) {
          return IsNoteEnd(e) && e.Data1 == start.Data1 && ChannelOf(e.Status) == ChannelOf(start.Status);
        });
    if (end == events_.begin() + count_) continue;
    if (Humanize) {
      if (shift > 3) shift -= below(shift);
      if (shift < -3) shift += below(-shift);
    }
    end->Time = ClampToTime(int64_t{end->Time} + shift);
  }
}

std::optional<int> MelodyTrack::SelectPrevious() {
  for (int i = std::min(selected_, count_) - 1; i >= 0; --i) {
    if (IsNoteStart(events_[static_cast<size_t>(i)])) return selected_ = i;
  }
  return std::nullopt;
}

std::optional<int> MelodyTrack::SelectNext() {
  for (int i = selected_ + 1; i < count_; ++i) {
    if (IsNoteStart(events_[static_cast<size_t>(i)])) return selected_ = i;
  }
  return std::nullopt;
}

bool MelodyTrack::ChangeSelectedNote(int pitchClass, int octaveIndex) {
  if (selected_ >= count_ || pitchClass < 0 || pitchClass > 11 || octaveIndex < 0) return false;
  MelodyEvent& selected = events_[static_cast<size_t>(selected_)];
  const int note = (octaveIndex + 1) * 12 + pitchClass;
  if (!IsNoteStart(selected) || note > 127) return false;
  const uint8_t old = selected.Data1;
  selected.Data1 = static_cast<uint8_t>(note);
  for (int j = selected_ + 1; j < count_; ++j) {
    MelodyEvent& e = events_[static_cast<size_t>(j)];
    if (IsNoteEnd(e) && e.Data1 == old && ChannelOf(e.Status) == ChannelOf(selected.Status)) {
      e.Data1 = static_cast<uint8_t>(note);
      break;
    }
  }
  return true;
}

void MelodyTrack::ClearSelectedNote() {
  if (selected_ < count_) events_[static_cast<size_t>(selected_)].Data2 = 0;
}

void MelodyTrack::Load(std::span<const MelodyEvent> events) {
  Clear();
  count_ = static_cast<int>(std::min(events.size(), static_cast<size_t>(kMelodyCapacity)));
  std::copy_n(events.begin(), count_, events_.begin());
  std::copy_n(events.begin(), count_, backup_.begin());
  Clock = 0;
}

void MelodyTrack::SendSoundOff(int channel, MelodyOutput& output) {
  const auto status = static_cast<uint8_t>(midi::kControlChange | (channel & 0x0F));
  for (uint8_t controller : {64, 66, 123}) output.Send(status, controller, 0);
}

}  // namespace kalo::song
