// TGen: edits of the current style's set-ups, notes and part flags.

#include <algorithm>

#include "midi/midi_status.h"
#include "styles/style_creator.h"
#include "styles/style_stream.h"

namespace kalo::styles {

namespace {

constexpr uint8_t kVolume = 7;
constexpr uint8_t kReverb = 91;
constexpr uint8_t kUnsetReverb = 64;

int IntoNoteRange(int note) {
  while (note < 0) note += 12;
  while (note > 127) note -= 12;
  return note;
}

}  // namespace

void TGen::ChangeLevels(uint8_t controller, int step) {
  if (controller != kVolume && controller != kReverb) return;
  const bool reverb = controller == kReverb;
  const bool noReverb = reverb && step == kNoReverbStep;
  const bool restore = reverb && step > kNoReverbStep;
  if (!noReverb && !restore) {
    int& total = reverb ? style_.ReverbOffsetTotal : style_.VolumeOffsetTotal;
    total += step;
    context_.Display.SetStyleOffsets(style_.VolumeOffsetTotal, style_.ReverbOffsetTotal);
  }
  for (int c = 0; c < kChannelCount; ++c) {
    if (!style_.Header.Used(c)) continue;
    uint8_t& stored = style_.Header.Channels[static_cast<size_t>(c)].Values[controller];
    uint8_t& remembered = RememberedReverb[static_cast<size_t>(c)];
    int value = 0;
    if (noReverb) {
      // Each channel's reverb is remembered as it stands, so that the button gives every channel its
      // own back.
      if (stored != 0) remembered = stored == kNotSet ? kUnsetReverb : stored;
    } else if (restore) {
      value = remembered;
    } else {
      if (stored == kNotSet && !reverb) continue;
      const uint8_t current = stored == kNotSet ? kUnsetReverb : stored;
      value = static_cast<uint8_t>(current + step);  // in 8 bits: below 0 wraps above 127
      if (value >= 128) continue;
      if (reverb) remembered = static_cast<uint8_t>(value);
    }
    stored = static_cast<uint8_t>(value);
    context_.Mixer.SetLiveController(static_cast<uint8_t>(c), controller, static_cast<uint8_t>(value));
  }
  if (!noReverb && !restore) style_.Modified = true;
}

void TGen::TransposeChannel(int channel, int semitones) {
  if (channel < 0 || channel >= kChannelCount || !style_.Allocated()) return;
  auto buffer = style_.Buffer();
  ForEachMessage(style_.Stream(), 0, style_.Length(), [&](const StreamMessage& m) {
    const int kind = m.Status & 0xF0;
    if ((m.Status & 0x0F) != channel ||
        (kind != midi::kNoteOn && kind != midi::kNoteOff && kind != midi::kPolyPressure))
      return;
    buffer[static_cast<size_t>(m.Offset) + 1] = static_cast<uint8_t>(IntoNoteRange(m.Data1 + semitones));
  });
  style_.Modified = true;
}

void TGen::SetCutNotes(int part, int channel, bool on) {
  if (part < 0 || part >= kPartCount) return;
  auto& flags = style_.Parts[static_cast<size_t>(part)].CutNotes;
  if (channel < 0) {
    flags.fill(on ? 1 : 0);
  } else if (channel < kChannelCount) {
    flags[static_cast<size_t>(channel)] = on ? 1 : 0;
  }
  style_.Modified = true;
}

void TGen::CutNotesToAllParts(int channel, bool on) {
  for (int p = 0; p < kPartCount; ++p)
    if (style_.Parts[static_cast<size_t>(p)].Exists()) SetCutNotes(p, channel, on);
}

void TGen::MutingToAllParts(const std::array<bool, kChannelCount>& muted) {
  for (TStylePart& part : style_.Parts) {
    if (!part.Exists()) continue;
    for (size_t c = 0; c < kChannelCount; ++c) part.Mute[c] = muted[c] ? 1 : 0;
  }
  style_.Modified = true;
}

void TGen::SetSuppressControllers(bool on) {
  style_.Header.SuppressControllers = on ? 1 : 0;
  style_.Modified = true;
}

}  // namespace kalo::styles
