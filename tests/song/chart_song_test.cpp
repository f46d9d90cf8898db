// Songs made from text: a chord chart's Chordmemory and a melody's events.

#include <gtest/gtest.h>

#include "song/chart_song.h"
#include "song/melody_text.h"

namespace kalo::song {
namespace {

TEST(ChartSongTest, ChordsAndRequestsLandOnTheirBeatsAndTheSongEndsWithStopAfterTheLastMeasure) {
  const auto chart =
      std::get<perform::ChordChart>(perform::ParseChordChart("C Am | [Fill] F | [Ending] G7", 4));
  config::ControlKeyNotes keys{};
  keys.FillIn = 37;
  keys.Ending = 39;
  const auto chords = ChordmemoryFromChart(chart, keys, {16, 96, 48});
  ASSERT_TRUE(chords);
  EXPECT_EQ(chords->Header(), (ChordmemoryHeader{0, 96, 16, 0}));
  EXPECT_EQ(chords->RecordAt(4), (BeatRecord{48, 1, 0, 0}));     // C, where a cleared song has STOP
  EXPECT_EQ(chords->RecordAt(12), (BeatRecord{57, 2, 0, 0}));    // Am on beat 3
  EXPECT_EQ(chords->RecordAt(20), (BeatRecord{53, 1, 37, 12}));  // Fill with F
  EXPECT_EQ(chords->RecordAt(36), (BeatRecord{55, 3, 39, 12}));  // Ending with G7
  EXPECT_EQ(chords->RecordAt(52), (BeatRecord{0, 0, kStopFunction, 0}));
  EXPECT_EQ(chords->Length, 68);
  perform::ChordChart tooLong;
  tooLong.BeatsPerMeasure = 1;
  tooLong.Measures = 3000;  // its STOP would lie beyond the working area
  EXPECT_FALSE(ChordmemoryFromChart(tooLong, keys, {4, 96, 48}));
}

TEST(MelodyTextTest, NotesRestsAndMistakes) {
  const auto events = ParseMelodyText("C4:1 | r:0.5 F#5:0.5 Bb3:2", 2);
  ASSERT_TRUE(std::holds_alternative<std::vector<MelodyEvent>>(events));
  const std::vector<MelodyEvent> expected = {{0, 0x92, 60, 100, 1},  {22, 0x92, 60, 0, 1},
                                             {36, 0x92, 78, 100, 1}, {46, 0x92, 78, 0, 1},
                                             {48, 0x92, 58, 100, 1}, {94, 0x92, 58, 0, 1}};
  EXPECT_EQ(std::get<std::vector<MelodyEvent>>(events), expected);
  for (const char* bad : {"H4:1", "C4", "C4:0.3", "C4:0", "C12:1", "G#9:1"}) {
    const auto result = ParseMelodyText(bad, 0);
    ASSERT_TRUE(std::holds_alternative<std::string>(result)) << bad;
    EXPECT_NE(std::get<std::string>(result).find("token 1"), std::string::npos) << bad;
  }
}

}  // namespace
}  // namespace kalo::song
