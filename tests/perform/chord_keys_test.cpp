#include "perform/chord_keys.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "perform/chord_printing.h"
#include "perform/chord_recognizer.h"

namespace kalo::perform {
namespace {

// Presses the keys into a fresh recognizer with its factory settings over the given lowest key.
Chord Recognize(const std::vector<int>& keys, int lowestKey) {
  config::Options options;
  host::NullDisplay display;
  ChordState chords(options, display);
  ChordRecognizer recognizer(chords);
  recognizer.LowestAccompanimentKey = lowestKey;
  for (int key : keys) recognizer.NoteOn(key);
  return {chords.CurrentRoot, chords.CurrentType};
}

TEST(ChordKeys, EveryChordThatKeysCanMakeRoundTripsThroughTheRecognizer) {
  const AccompanimentZone zone;  // E2..B3
  // Every chord some hold of three or four keys in the zone makes.
  std::set<std::pair<int, int>> holdable;
  for (int a = zone.Lowest; a <= zone.Highest; ++a)
    for (int b = a + 1; b <= zone.Highest; ++b)
      for (int c = b + 1; c <= zone.Highest; ++c) {
        const Chord three = Recognize({a, b, c}, zone.Lowest);
        holdable.insert({three.Root % 12, three.Type});
        for (int d = c + 1; d <= zone.Highest; ++d) {
          const Chord four = Recognize({a, b, c, d}, zone.Lowest);
          holdable.insert({four.Root % 12, four.Type});
        }
      }

  for (int type = 1; type <= kChordTypeCount; ++type) {
    for (int root = 0; root < 12; ++root) {
      const std::string name = ChordName(root, type);
      const std::optional<std::vector<int>> keys = ChordKeys(root, type, zone);
      EXPECT_EQ(keys.has_value(), holdable.contains({root, type})) << name;
      if (!keys) continue;
      const Chord made = Recognize(*keys, zone.Lowest);
      EXPECT_EQ(made.Root % 12, root) << name;
      EXPECT_EQ(made.Type, type) << name;
      EXPECT_TRUE(made.Root >= 44 && made.Root <= 55) << name << " root note " << made.Root;
      for (size_t i = 0; i < keys->size(); ++i) {
        const int key = (*keys)[i];
        EXPECT_TRUE(key >= zone.Lowest && key <= zone.Highest) << name << " key " << key;
        if (i > 0) {
          EXPECT_LT((*keys)[i - 1], key) << name;
        }
        bool tone = false;
        for (int interval : kChordIntervals[type]) tone = tone || (root + interval) % 12 == key % 12;
        EXPECT_TRUE(tone) << name << " key " << key << " is no chord tone";
      }
    }
  }
}

struct KeysCase {
  const char* Name;
  int Root, Type;
  AccompanimentZone Zone;
  std::optional<std::vector<int>> Keys;
};

TEST(ChordKeys, VoicingsAndChordsNoKeysCanMake) {
  const KeysCase cases[] = {
      {"C maj, close from E2", 0, kMaj, {}, {{40, 43, 48}}},
      {"C 7th, all four tones", 0, kSeventh, {}, {{40, 43, 46, 48}}},
      {"E aug doubles its root an octave up", 4, kAug, {}, {{40, 44, 52}}},
      {"A 7th is always C# dim", 9, kSeventh, {}, std::nullopt},
      {"E 6th is always C# min7", 4, kSixth, {}, std::nullopt},
      {"D mM7 loses to a lower root", 2, kMinMajor7, {}, std::nullopt},
      {"a zone of C2..B2 voices from C2", 0, kSeventh, {36, 47}, {{36, 40, 43, 46}}},
      {"a one-octave zone has no room for a doubled tone", 4, kAug, {36, 47}, std::nullopt},
      {"no type 0", 0, 0, {}, std::nullopt},
      {"no type 18", 0, 18, {}, std::nullopt},
      {"a zone upside down", 0, kMaj, {59, 40}, std::nullopt},
      {"a zone beyond 127", 0, kMaj, {120, 130}, std::nullopt},
  };
  for (const KeysCase& c : cases) EXPECT_EQ(ChordKeys(c.Root, c.Type, c.Zone), c.Keys) << c.Name;
}

TEST(ChordKeys, FingeredRootNotesFollowTheLowestKey) {
  struct Case {
    int PitchClass, LowestKey, Root;
  };
  const Case cases[] = {{0, 40, 48}, {4, 40, 52}, {7, 40, 55}, {8, 40, 44}, {11, 40, 47},
                        {0, 36, 48}, {9, 36, 45}, {2, 38, 50}, {0, 60, 60}, {11, 60, 71}};
  for (const Case& c : cases) {
    EXPECT_EQ(FingeredRootNote(c.PitchClass, c.LowestKey), c.Root) << c.PitchClass << " over " << c.LowestKey;
  }
}

}  // namespace
}  // namespace kalo::perform
