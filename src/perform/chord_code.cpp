#include "perform/chord_code.h"

namespace kalo::perform {

std::optional<ChordCode> EncodeChordCode(int root, int type) {
  if (!IsChordType(type)) return std::nullopt;
  const int pc = PitchClass(root);
  if (type <= 10) return ChordCode{kChordCodeController, static_cast<uint8_t>((type - 1) * 12 + pc)};
  return ChordCode{kExtendedChordCodeController, static_cast<uint8_t>((type - 11) * 12 + pc)};
}

DecodedChordCode DecodeChordCode(int controller, int value, int lowestAccompanimentKey) {
  if (controller != kChordCodeController && controller != kExtendedChordCodeController) return {};
  if (value == kAdLibOffCode) return {ChordCodeKind::kAdLibOff, {}};
  if (value == kAdLibOnCode) return {ChordCodeKind::kAdLibOn, {}};
  if (value < 0 || value > kAdLibOffCode) return {ChordCodeKind::kIgnored, {}};
  const int type = value / 12 + 1 + (controller == kExtendedChordCodeController ? 10 : 0);
  if (!IsChordType(type)) return {ChordCodeKind::kIgnored, {}};
  int root = value % 12 + 12 + (lowestAccompanimentKey / 12) * 12;
  while (root > 127) root -= 12;
  return {ChordCodeKind::kChord, {static_cast<int16_t>(root), static_cast<int16_t>(type)}};
}

}  // namespace kalo::perform
