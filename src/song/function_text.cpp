#include "song/function_text.h"

#include "song/chordmemory.h"

namespace kalo::song {

namespace {

std::string SoloMuteText(uint8_t p) {
  if (p == 0) return "Play All";
  if (p <= 16) return "Solo C." + std::to_string(p);
  if (p == 220) return "Mute M.";
  if (p == 221) return "Play M.";
  if (p >= 222 && p <= 237) return "Mute C." + std::to_string(238 - p);
  if (p >= 239 && p <= 254) return "Play C." + std::to_string(255 - p);
  return "Mute All";
}

std::string TransposeText(uint8_t p) {
  if (p == 0) return "0 Up/Down";
  if (p < 245) return std::to_string(p) + " Up";
  return std::to_string(256 - p) + " Down";
}

std::string PartKeyText(int code, const config::ControlKeyNotes& keys) {
  if (code == keys.FillIn) return "Fill In";
  if (code == keys.ToBasic) return "To Basic";
  if (code == keys.Ending) return "Ending";
  if (code == keys.ToExtended) return "To Ext.";
  if (code == keys.Intro) return "Intro";
  return {};
}

}  // namespace

std::string FunctionText(uint8_t code, uint8_t parameter, const config::ControlKeyNotes& keys) {
  if (!ValidFunction(code, parameter)) return {};
  switch (code) {
    case kNoFunction:
      return {};
    case kSoloMuteFunction:
      return SoloMuteText(parameter);
    case kTransposeFunction:
      return TransposeText(parameter);
    case kLoopFunction:
      if (parameter <= kLoopStartBase) return "LoopEnd";
      return "Loop " + std::to_string(parameter - kLoopStartBase) + "x";
    case kTempoFunction:
      return "Tempo " + std::to_string(parameter);
    case kStopFunction:
      return "STOP";
    default:
      return PartKeyText(code, keys);
  }
}

}  // namespace kalo::song
