#include "perform/chord_recognizer.h"

#include <algorithm>

namespace kalo::perform {

ChordCandidate ScoreChord(std::span<const uint8_t> heldPitchClasses) {
  if (heldPitchClasses.empty()) return {};
  if (heldPitchClasses.size() == 1) return {kMaj, PitchClass(heldPitchClasses[0]), 0};

  std::array<bool, 12> held{};
  for (uint8_t pc : heldPitchClasses) held[PitchClass(pc)] = true;

  ChordCandidate best;
  int bestCovered = 0;
  for (int root = 0; root < 12; ++root) {
    for (int type = kChordTypeCount; type >= 1; --type) {
      int score = 0;
      std::array<bool, 12> tone{};
      for (int interval : kChordIntervals[type]) {
        score += held[(root + interval) % 12] ? 1 : 0;
        tone[(root + interval) % 12] = true;
      }
      int covered = 0;
      for (int pc = 0; pc < 12; ++pc) covered += held[pc] && tone[pc] ? 1 : 0;
      if (score > best.Score || (score == best.Score && covered > bestCovered)) {
        best = {type, root, score};
        bestCovered = covered;
      }
    }
  }
  return best;
}

namespace {

int FirstNoteAtOrAbove(int lowestKey, int pitchClass) {
  return lowestKey + (PitchClass(pitchClass) + 12 - PitchClass(lowestKey)) % 12;
}

}  // namespace

int FingeredRootNote(int pitchClass, int lowestAccompanimentKey) {
  const int root = FirstNoteAtOrAbove(lowestAccompanimentKey, pitchClass);
  return root < kLowestFingeredRoot ? root + 12 : root;
}

int ChordRecognizer::PlaceRoot(int pitchClass) const {
  return FirstNoteAtOrAbove(LowestAccompanimentKey, pitchClass);
}

bool ChordRecognizer::NoteOn(int key) {
  if (chords_.Options().TwoFingerChords) {
    TwoFingerNoteOn(key);
    CommonStep();
  } else {
    FingeredNoteOn(key);
  }
  return chords_.PendingRoot > 0;
}

bool ChordRecognizer::NoteOff(int key) {
  if (!chords_.Options().TwoFingerChords && count_ >= 1 && KSmart == kSmartReaction) {
    const uint8_t pc = static_cast<uint8_t>(PitchClass(key));
    const auto kept = std::remove(held_.begin(), held_.begin() + count_, pc);
    count_ = static_cast<int>(kept - held_.begin());
  }
  CommonStep();
  return chords_.PendingRoot > 0;
}

void ChordRecognizer::CommonStep() {
  if (chords_.PendingRoot > 0) chords_.ReassertPendingChord();
}

void ChordRecognizer::FingeredNoteOn(int key) {
  if (count_ >= kMaxHeld) count_ = 0;
  held_[count_++] = static_cast<uint8_t>(PitchClass(key));
  if (count_ < 3) return;

  const ChordCandidate best = ScoreChord(Held());
  if (best.Type == 0) return;
  chords_.SetChord(FingeredRootNote(best.RootPitchClass, LowestAccompanimentKey), best.Type, Transpose);
}

void ChordRecognizer::TwoFingerNoteOn(int key) {
  const int note = key + Transpose;
  // A chord starts anew when none is pending, and also when a lower second key took over the root.
  if (chords_.PendingRoot <= 0 || !firstKey_) {
    firstKey_ = note;
    chords_.SetChord(note, kMaj, 0);
    return;
  }
  const int first = *firstKey_;
  if (note < first) {
    firstKey_.reset();
    chords_.SetChord(note, OrderedChordType((first - note) % 11 + 1), 0);
  } else {
    // The root stays the pending one: "Triad chords" with "Major <> Minor" may have lowered it below
    // the first key, and the second key only chooses the type.
    chords_.SetChord(chords_.PendingRoot, OrderedChordType((note - first) % 11 + 1), 0);
  }
}

}  // namespace kalo::perform
