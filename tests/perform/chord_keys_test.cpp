#include "perform/chord_keys.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "perform/chord_recognizer.h"
#include "perform/fake_chord_host.h"

namespace kalo::perform {
namespace {

// Presses the keys into a fresh recognizer with its factory settings over the given lowest key.
Chord Recognize(const std::vector<int>& keys, int lowestKey) {
  config::Options options;
  host::NullDisplay display;
  testing::LoggingChordHost host;
  ChordState chords(options, display, host);
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
      EXPECT_EQ(ChordName(made.Root, made.Type), name);
      EXPECT_TRUE(made.Root >= 44 && made.Root <= 55) << name << " root note " << made.Root;
      std::set<int> tones;
      for (int interval : kChordIntervals[type]) tones.insert((root + interval) % 12);
      for (size_t i = 0; i < keys->size(); ++i) {
        const int key = (*keys)[i];
        EXPECT_TRUE(key >= zone.Lowest && key <= zone.Highest && tones.contains(key % 12))
            << name << " " << key;
        EXPECT_TRUE(i == 0 || (*keys)[i - 1] < key) << name << " keys not ascending";
      }
    }
  }
}

TEST(ChordKeys, VoicingsAndChordsNoKeysCanMake) {
  struct Case {
    const char* Name;
    int Root, Type;
    AccompanimentZone Zone;
    std::optional<std::vector<int>> Keys;
  };
  const Case cases[] = {
      {"C 7th, all four tones close from E2", 0, kSeventh, {}, {{40, 43, 46, 48}}},
      {"E aug doubles its root an octave up", 4, kAug, {}, {{40, 44, 52}}},
      {"A 7th from E2: every key a tone of A 7th", 9, kSeventh, {}, {{40, 43, 45, 49}}},
      {"A min7 is always C 6th", 9, kMin7, {}, std::nullopt},
      {"a zone of C2..B2 voices from C2", 0, kSeventh, {36, 47}, {{36, 40, 43, 46}}},
      {"a one-octave zone has no room for a doubled tone", 4, kAug, {36, 47}, std::nullopt},
      {"no type 18", 0, 18, {}, std::nullopt},
      {"a zone upside down", 0, kMaj, {59, 40}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ChordKeys(c.Root, c.Type, c.Zone), c.Keys) << c.Name;
}

}  // namespace
}  // namespace kalo::perform
