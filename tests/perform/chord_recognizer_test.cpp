#include "perform/chord_recognizer.h"

#include <gtest/gtest.h>

#include "perform/chord_printing.h"
#include "perform/fake_chord_host.h"

#include <initializer_list>
#include <optional>
#include <sstream>
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

// Keys played one after another: "+k" presses key k, "-k" releases it, "|" lets the sequencer apply the
// pending chord. The chord in force, the pitch classes held and (two-finger) the first key after them.
struct KeySequence {
  const char* Name;
  const char* Keys;
  bool TwoFinger = false;
  int Transpose = 0;
  bool MajorMinor = false;
  Chord Expected;
  std::vector<int> Held;
  std::optional<int> FirstKey = std::nullopt;
};

TEST_F(ChordRecognizerTest, KeySequencesGiveTheChordInForce) {
  const KeySequence rows[] = {
      {"two keys: no chord", "+48 +52", false, 0, false, {kNoRoot, 0}, {0, 4}},
      {"the third key", "+48 +52 +55", false, 0, false, {48, kMaj}, {0, 4, 7}},
      {"transposed up", "+48 +52 +55", false, 2, false, {50, kMaj}, {0, 4, 7}},
      {"transposed down", "+48 +51 +55", false, -3, false, {45, kMin}, {0, 3, 7}},
      {"a 7th entry restarts", "+48 +52 +55 +62 +65 +69 | +71", false, 0, false, {48, kSixth}, {11}},
      {"then chords again", "+48 +52 +55 +62 +65 +69 | +71 +74 +77", false, 0, false, {47, kDim}, {11, 2, 5}},
      {"smart release", "+48 +52 +55 -52", false, 0, false, {48, kMaj}, {0, 7}},
      {"smart release, new key", "+48 +52 +55 -52 +51", false, 0, false, {48, kMin}, {0, 7, 3}},
      {"a key in two octaves", "+48 +60 -60 -48", false, 0, false, {kNoRoot, 0}, {}},
      {"one key: its major", "+62", true, 0, false, {62, kMaj}, {}, 62},
      {"D F: D min7", "+62 +65", true, 0, false, {62, kMin7}, {}, 62},
      {"C below D: C 7th", "+62 +65 +60", true, 0, false, {60, kSeventh}, {}, std::nullopt},
      {"after a lower key: anew", "+62 +60 +67", true, 0, false, {67, kMaj}, {}, 67},
      {"after the chord took effect", "+62 +65 | +65", true, 0, false, {65, kMaj}, {}, 65},
      {"measured from there", "+62 +65 | +65 +69", true, 0, false, {65, kDim}, {}, 65},
      {"transposed first", "+64 +67", true, -2, false, {62, kMin7}, {}, 62},
      {"releases keep it", "+62 +65 -65 -62", true, 0, false, {62, kMin7}, {}, 62},
      {"major/minor: one key", "+62", true, 0, true, {62, kMin}, {}, 62},
      {"major/minor: min7", "+62 +65", true, 0, true, {62, kSeventh}, {}, 62},
      {"major/minor once", "+62 +65 +60 -60 -62", true, 0, true, {60, kMin7}, {}, std::nullopt},
  };
  for (const KeySequence& row : rows) {
    options.TwoFingerChords = row.TwoFinger;
    options.MajorMinor = row.MajorMinor;
    ChordState fresh(options, display, host);
    ChordRecognizer r(fresh);
    r.LowestAccompanimentKey = 36;
    r.Transpose = row.Transpose;
    std::istringstream keys(row.Keys);
    for (std::string key; keys >> key;) {
      if (key == "|")
        fresh.ClearPendingChord();
      else if (key[0] == '+')
        r.NoteOn(std::stoi(key.substr(1)));
      else
        r.NoteOff(std::stoi(key.substr(1)));
    }
    EXPECT_EQ((Chord{fresh.CurrentRoot, fresh.CurrentType}), row.Expected) << row.Name;
    EXPECT_EQ(std::vector<int>(r.Held().begin(), r.Held().end()), row.Held) << row.Name;
    if (row.TwoFinger) {
      EXPECT_EQ(r.FirstKey(), row.FirstKey) << row.Name;
    }
  }
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
