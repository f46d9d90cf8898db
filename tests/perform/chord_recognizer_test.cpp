#include "perform/chord_recognizer.h"

#include <gtest/gtest.h>

#include "perform/chord_printing.h"
#include "perform/fake_chord_host.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace kalo::perform {
namespace {

// The recognizer over a chord state whose pending chord stays pending (the sequencer runs and no chord
// step ends between the keys) unless a test applies it with ClearPendingChord.
class ChordRecognizerTest : public ::testing::Test {
 protected:
  ChordRecognizerTest() {
    chords.Observers().ChordSet = [this](Chord c) { set.push_back(c); };
    recognizer.LowestAccompanimentKey = 36;
  }

  void Press(std::initializer_list<int> keys) {
    for (int key : keys) recognizer.NoteOn(key);
  }
  void Release(std::initializer_list<int> keys) {
    for (int key : keys) recognizer.NoteOff(key);
  }
  Chord Current() const { return {chords.CurrentRoot, chords.CurrentType}; }
  std::vector<int> Held() const { return {recognizer.Held().begin(), recognizer.Held().end()}; }

  config::Options options;
  host::NullDisplay display;
  testing::LoggingChordHost host;
  ChordState chords{options, display, host};
  ChordRecognizer recognizer{chords};
  std::vector<Chord> set;  // every chord SetChord made current
};

struct Voicing {
  std::vector<int> Keys;
  Chord Expected;
};

TEST_F(ChordRecognizerTest, FingeredVoicingsGiveRootAndType) {
  const Voicing voicings[] = {
      {{48, 52, 55}, {48, kMaj}},              // C E G
      {{48, 52, 55, 58}, {48, kSeventh}},      // C E G Bb: 7th is found before maj
      {{48, 52, 55, 59}, {48, kMajor7}},       // C E G B
      {{48, 51, 55}, {48, kMin}},              // C Eb G
      {{48, 52, 56, 58}, {48, kAug7}},         // C E Ab Bb
      {{48, 53, 55}, {48, kSus4}},             // C F G
      {{47, 50, 53}, {47, kDim}},              // B D F
      {{43, 47, 50, 53}, {55, kSeventh}},      // G B D F
      {{50, 53, 57}, {50, kMin}},              // D F A
      {{48, 52, 55, 57}, {48, kSixth}},        // C E G A: root C comes before A min7
      {{45, 48, 52, 55}, {48, kSixth}},        // the same keys from A up
      {{52, 55, 60}, {48, kMaj}},              // first inversion
      {{55, 60, 64}, {48, kMaj}},              // second inversion
      {{48, 60, 52, 55}, {48, kMaj}},          // C doubled in two octaves
      {{48, 52, 52, 55}, {48, kMaj}},          // the same key twice
      {{48, 52, 58}, {48, kAug7}},             // C E Bb: partial; at equal scores the higher type wins
      {{48, 51, 54}, {48, kDim}},              // C Eb Gb
      {{48, 51, 54, 58}, {48, kMinFlatFive}},  // C Eb Gb Bb
      {{48, 50, 52, 55}, {48, kAdd9}},         // C D E G
      {{48, 51, 55, 62}, {48, kMin9}},         // C Eb G D
      {{48, 53, 55, 58}, {48, kSus7}},         // C F G Bb
      {{49, 53, 56, 58}, {49, kSixth}},        // Db F Ab Bb: Db 6th at root 1 comes before Bb min7 at 10
      {{45, 49, 52, 55}, {45, kSeventh}},      // A C# E G: every key is a tone of A 7th, not of C# dim
      {{50, 53, 57, 61}, {50, kMinMajor7}},    // D F A C#: D mM7, not F aug with a stray D
      {{48, 51, 55, 58}, {48, kMin7}},         // C Eb G Bb
      {{48, 51, 55, 57}, {48, kMin6}},         // C Eb G A
      {{48, 52, 56}, {48, kAug}},              // C E G#
      {{48, 52, 54}, {48, kFlatFive}},         // C E Gb
  };
  for (const Voicing& v : voicings) {
    ChordState fresh(options, display, host);
    ChordRecognizer r(fresh);
    r.LowestAccompanimentKey = 36;
    for (int key : v.Keys) r.NoteOn(key);
    EXPECT_EQ((Chord{fresh.CurrentRoot, fresh.CurrentType}), v.Expected) << ::testing::PrintToString(v.Keys);
  }
}

TEST_F(ChordRecognizerTest, TwoKeysGiveNoChordAndTheThirdKeyDoes) {
  Press({48, 52});
  EXPECT_EQ(Current(), (Chord{kNoRoot, 0}));
  EXPECT_TRUE(set.empty());
  Press({55});
  EXPECT_EQ(set, std::vector<Chord>{(Chord{48, kMaj})});
}

TEST_F(ChordRecognizerTest, TheRootIsTheFirstNoteAtOrAboveTheLowestKeyRaisedBelow44) {
  struct Case {
    int LowestKey;
    int PitchClass;
    int Root;
  };
  const Case cases[] = {
      {36, 0, 48}, {36, 2, 50}, {36, 7, 55},  {36, 9, 45},  {36, 11, 47}, {38, 0, 48},
      {38, 2, 50}, {38, 1, 49}, {38, 10, 46}, {40, 0, 48},  {40, 4, 52},  {40, 3, 51},
      {40, 8, 44}, {40, 5, 53}, {48, 0, 48},  {48, 11, 59}, {60, 0, 60},  {60, 11, 71},
  };
  for (const Case& c : cases) {
    ChordState fresh(options, display, host);
    ChordRecognizer r(fresh);
    r.LowestAccompanimentKey = c.LowestKey;
    // A major triad on the pitch class, played two octaves up.
    for (int interval : {0, 4, 7}) r.NoteOn(72 + c.PitchClass + interval);
    EXPECT_EQ(fresh.CurrentRoot, c.Root) << c.LowestKey << " " << c.PitchClass;
  }
}

TEST_F(ChordRecognizerTest, TheKeyboardTransposeMovesTheRecognizedRoot) {
  recognizer.Transpose = 2;
  Press({48, 52, 55});
  EXPECT_EQ(Current(), (Chord{50, kMaj}));
  Release({48, 52, 55});
  recognizer.Transpose = -3;
  Press({48, 51, 55});
  EXPECT_EQ(Current(), (Chord{45, kMin}));
}

TEST_F(ChordRecognizerTest, ASeventhEntryRestartsTheListFromTheFront) {
  Press({48, 52, 55, 62, 65, 69});
  EXPECT_EQ(Held(), (std::vector<int>{0, 4, 7, 2, 5, 9}));
  set.clear();
  Press({71});
  EXPECT_EQ(Held(), std::vector<int>{11});
  EXPECT_TRUE(set.empty());  // one entry: no chord
  Press({74, 77});
  EXPECT_EQ(Held(), (std::vector<int>{11, 2, 5}));
  EXPECT_EQ(Current(), (Chord{47, kDim}));
}

TEST_F(ChordRecognizerTest, SmartReleaseRemovesTheKeyAndKeepsTheChord) {
  Press({48, 52, 55});
  Release({52});
  EXPECT_EQ(Held(), (std::vector<int>{0, 7}));
  EXPECT_EQ(Current(), (Chord{48, kMaj}));
  EXPECT_EQ(set.size(), 1u);
  Press({51});
  EXPECT_EQ(Current(), (Chord{48, kMin}));
}

TEST_F(ChordRecognizerTest, ReleasingAKeyHeldInTwoOctavesRemovesBothEntries) {
  Press({48, 60});
  Release({60});
  EXPECT_TRUE(Held().empty());
  Release({48});  // nothing left to remove
  EXPECT_TRUE(Held().empty());
}

TEST_F(ChordRecognizerTest, StaticReleaseLetsKeysPlayedOneAfterAnotherAddUp) {
  const auto play = [this](int reaction) {
    ChordState fresh(options, display, host);
    ChordRecognizer r(fresh);
    r.LowestAccompanimentKey = 36;
    r.KSmart = reaction;
    for (int key : {48, 52, 55}) {
      r.NoteOn(key);
      r.NoteOff(key);
    }
    return Chord{fresh.CurrentRoot, fresh.CurrentType};
  };
  EXPECT_EQ(play(kStaticReaction), (Chord{48, kMaj}));
  EXPECT_EQ(play(kSmartReaction), (Chord{kNoRoot, 0}));
}

TEST_F(ChordRecognizerTest, MajorMinorIsAppliedOnceHoweverManyKeysAreReleased) {
  options.MajorMinor = true;
  Press({48, 52, 55});
  EXPECT_EQ(Current(), (Chord{48, kMin}));
  recognizer.CommonStep();
  Release({52});
  EXPECT_EQ(Current(), (Chord{48, kMin}));
  Release({55});
  Release({48});
  EXPECT_EQ(Current(), (Chord{48, kMin}));
  EXPECT_EQ(set.size(), 1u);
}

TEST_F(ChordRecognizerTest, KeysTellWhetherAChordIsPending) {
  EXPECT_FALSE(recognizer.NoteOn(48));
  EXPECT_FALSE(recognizer.NoteOn(52));
  EXPECT_TRUE(recognizer.NoteOn(55));
  EXPECT_TRUE(recognizer.NoteOff(55));
  chords.ClearPendingChord();  // the sequencer applied it
  EXPECT_FALSE(recognizer.NoteOff(52));
  EXPECT_EQ(chords.PendingRoot, 0);
}

class TwoFingerTest : public ChordRecognizerTest {
 protected:
  TwoFingerTest() { options.TwoFingerChords = true; }
};

TEST_F(TwoFingerTest, TheDistanceBetweenTheKeysSelectsTheType) {
  const int expected[12] = {kMaj,  kMin,      kSeventh, kMin7, kDim,   kSus4,
                            kAdd9, kFlatFive, kMajor7,  kAug,  kSixth, kMaj};
  for (int distance = 0; distance < 12; ++distance) {
    chords.ClearPendingChord();
    Press({60, 60 + distance});
    EXPECT_EQ(Current(), (Chord{60, static_cast<int16_t>(expected[distance])})) << "up " << distance;
    EXPECT_EQ(recognizer.FirstKey(), 60);

    chords.ClearPendingChord();
    Press({72, 72 - distance});
    const Chord down{static_cast<int16_t>(72 - distance), static_cast<int16_t>(expected[distance])};
    if (distance == 0) {
      EXPECT_EQ(recognizer.FirstKey(), 72);  // the same key again is not below the first
    } else {
      EXPECT_EQ(recognizer.FirstKey(), std::nullopt) << "down " << distance;
    }
    EXPECT_EQ(Current(), down) << "down " << distance;
  }
}

TEST_F(TwoFingerTest, DAndFGiveDMin7AndCBelowDGivesC7th) {
  Press({62});
  EXPECT_EQ(Current(), (Chord{62, kMaj}));
  Press({65});
  EXPECT_EQ(Current(), (Chord{62, kMin7}));
  Press({60});
  EXPECT_EQ(Current(), (Chord{60, kSeventh}));
  EXPECT_EQ(recognizer.FirstKey(), std::nullopt);
}

TEST_F(TwoFingerTest, AKeyAfterALowerSecondKeyStartsANewChord) {
  Press({62, 60, 67});
  EXPECT_EQ(Current(), (Chord{67, kMaj}));
  EXPECT_EQ(recognizer.FirstKey(), 67);
}

TEST_F(TwoFingerTest, AKeyAfterTheChordTookEffectStartsANewChord) {
  Press({62, 65});
  chords.ClearPendingChord();
  Press({65});
  EXPECT_EQ(Current(), (Chord{65, kMaj}));
  Press({69});
  EXPECT_EQ(Current(), (Chord{65, kDim}));
}

TEST_F(TwoFingerTest, KeysAreTransposedBeforeTheyAreMeasured) {
  recognizer.Transpose = -2;
  Press({64, 67});
  EXPECT_EQ(Current(), (Chord{62, kMin7}));
  EXPECT_EQ(recognizer.FirstKey(), 62);
}

TEST_F(TwoFingerTest, ReleasesChangeNoListAndKeepTheChord) {
  Press({62, 65});
  Release({65, 62});
  EXPECT_TRUE(Held().empty());
  EXPECT_EQ(Current(), (Chord{62, kMin7}));
  EXPECT_EQ(recognizer.FirstKey(), 62);
}

TEST_F(TwoFingerTest, MajorMinorSwapsEveryTwoFingerChordExactlyOnce) {
  options.MajorMinor = true;
  Press({62});
  EXPECT_EQ(Current(), (Chord{62, kMin}));
  Press({65});
  EXPECT_EQ(Current(), (Chord{62, kSeventh}));
  Press({60});
  EXPECT_EQ(Current(), (Chord{60, kMin7}));
  Release({60, 62});
  EXPECT_EQ(Current(), (Chord{60, kMin7}));
}

TEST(ScoreChord, NoKeysGiveNothingAndOneKeyGivesItsMajorChord) {
  EXPECT_EQ(ScoreChord({}), ChordCandidate{});
  const uint8_t one[] = {9};
  EXPECT_EQ(ScoreChord(one), (ChordCandidate{kMaj, 9, 0}));
  const uint8_t triad[] = {7, 11, 2};
  EXPECT_EQ(ScoreChord(triad), (ChordCandidate{kMaj, 7, 4}));
}

}  // namespace
}  // namespace kalo::perform
