#include "styles/style_source.h"

#include <gtest/gtest.h>

#include "styles/style_notation.h"
#include "styles/style_stream.h"
#include "styles/style_test_support.h"

namespace kalo::styles {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(StyleNotation, WordsReadAsNotesDrumsAndSteps) {
  struct Row {
    const char* Word;
    std::optional<int> Note, Drum, Step;
  };
  const Row rows[] = {{"C4", 60, {}, {}},
                      {"C-1", 0, {}, {}},
                      {"G#9", {}, {}, {}},
                      {"Bb3", 58, {}, {}},
                      {"B#3", 60, {}, {}},
                      {"c4", {}, {}, {}},
                      {"127", 127, {}, {}},
                      {"128", {}, {}, {}},
                      {"closed-hi-hat", {}, 42, {}},
                      {"Closed_Hi-Hat", {}, 42, {}},
                      {"open-triangle", {}, 81, {}},
                      {"kick", {}, 36, {}},
                      {"h.", {}, {}, 72},
                      {"e3", {}, {}, 8},
                      {"8t", {}, {}, 8},
                      {"0t", {}, {}, {}},
                      {"e4", {}, {}, {}}};

  for (const Row& row : rows) {
    EXPECT_EQ(NoteNumberOf(row.Word), row.Note) << row.Word;
    EXPECT_EQ(DrumKeyOf(row.Word), row.Drum) << row.Word;
    EXPECT_EQ(StepTicksOf(row.Word), row.Step) << row.Word;
  }
}

// Every line of a correct style; each error row changes one of them.
constexpr const char* kGood[] = {
    "style t",                       // 1
    "tempo 90",                      // 2
    "metre 4/4",                     // 3
    "channel 10 drums volume 100",   // 4
    "channel 2 bass program 33",     // 5
    "part Basic 1 measure",          // 6
    "  drums kick q: x . x .",       // 7
    "  bass e: C2 - - . G1 . C2 .",  // 8
    "part Fill in Basic 1 measure",  // 9
    "  bass q: C2 . . .",            // 10
};

std::string SourceWith(int line, const std::string& replacement) {
  std::string text;
  for (int i = 1; i <= static_cast<int>(std::size(kGood)); ++i)
    text += (i == line ? replacement : std::string(kGood[i - 1])) + "\n";
  return text;
}

TEST(StyleSource, EachMistakeIsReportedWithItsLine) {
  ASSERT_TRUE(CompileStyleSource(SourceWith(0, "")).Ok());
  struct Row {
    int Line;
    const char* Replacement;
    int ErrorLine;
    const char* Message;
  };
  const Row rows[] = {
      {1, "style a/b", 1, "is not a file name"},
      {1, "", 6, "no 'style <name>' line"},
      {2, "tempo 251", 2, "from 25 to 250"},
      {3, "metre 7/8", 3, "is not one of"},
      {3, "", 6, "the metre must be given before the first part"},
      {4, "channel 17 drums", 4, "not from 1 to 16"},
      {5, "channel 2 drums", 5, "is taken"},
      {5, "channel 10 bass", 5, "was declared on line 4"},
      {5, "channel 2 bass program \"Bass Guitar\"", 5, "not a General MIDI instrument name"},
      {5, "channel 2 bass loudness 3", 5, "unknown channel setting 'loudness'"},
      {6, "part Verse 1 measure", 6, "is not a part"},
      {9, "part Basic 1 measure", 9, "was given on line 6"},
      {7, "  drums kick q: x . x", 7, "must fill whole measures of 96 ticks"},
      {7, "  drums kick 9999t: x x", 7, "the line is longer than the part's 1 measure"},
      {7, "  drums kick e: x | x . x . . . . .", 7, "the bar mark '|' after 1 steps is not on a beat"},
      {7, "  drums kick q: x . a .", 7, "cell 3: 'a' is not x (hit)"},
      {7, "  drums kick x . x .", 7, "is not a part line"},
      {7, "  drums kick: x . x .", 7, "is not a step length"},
      {7, "  drums boom q: x . x .", 7, "nor a General MIDI drum name"},
      {8, "  bass e: kick - - . G1 . C2 .", 8, "drum names play on channel 10"},
      {8, "  bass e: C2+C2 - - . G1 . C2 .", 8, "holds C2 twice"},
      {8, "  bass e: - C2 - . G1 . C2 .", 8, "cell 1: '-' holds nothing"},
      {8, "  guitar e: C2 - - . G1 . C2 .", 8, "'guitar' is not a declared channel"},
      {8, "  tempo 80", 8, "belongs to the header"},
      {8, "  measures 1-2", 8, "lies outside the part's 1 measure"},
      {8, "  variation", 8, "only 'Fill in Basic' and 'Fill in Extended'"},
      {8, "  drums kick q: x x . .", 8,
       "key 36 of channel 'drums' starts in Basic, measure 1, beat 1, tick 0, "
       "while the one of line 7 still sounds"},
      {8, "  bass w: C2\n  bass h: . C2", 9,
       "C2 of channel 'bass' starts in Basic, measure 1, beat 3, tick 0, while the one of line 8 still "
       "sounds"},
      {5, "channel 2 bass\nchannel 3 piano", 6, "the channel 'piano' plays no note in any part"},
      {5, "channel 2 bass program \"Electric Bass (finger)", 5, "a quote (\") is not closed"},
      {6, "part Extended 1 measure", 10, "the style has no Basic part"},
  };
  for (const Row& row : rows) {
    const CompiledStyle style = CompileStyleSource(SourceWith(row.Line, row.Replacement));
    ASSERT_FALSE(style.Ok()) << row.Replacement;
    EXPECT_EQ(style.Errors.front().Line, row.ErrorLine) << row.Replacement;
    EXPECT_NE(style.Errors.front().Message.find(row.Message), std::string::npos)
        << row.Replacement << "\ngave: " << style.Errors.front().Message;
  }
}

TEST(StyleSource, ErrorsOfEveryLineAreReportedInOneRun) {
  const CompiledStyle style =
      CompileStyleSource("\xEF\xBB\xBF" + SourceWith(2, "tempo fast") + "  bass e: Z9\n  guitar q: C4\n");
  ASSERT_EQ(style.Errors.size(), 3u);
  EXPECT_EQ(FormatSourceErrors("a.style", style.Errors).substr(0, 10), "a.style:2:");
  EXPECT_EQ(style.Errors[1].Line, 11);
  EXPECT_EQ(style.Errors[2].Line, 12);
}

// A style whose every byte is derived by hand from its source below.
constexpr const char* kSmallStyle = R"(# 3/4, a Basic and a variation fill
style small
tempo 90
metre 3/4
intro-measures 5
channel 10 drums volume 100
channel 2 bass program 33 bank 1 pan 40 velocity 90 gate 50%
part Basic 1 measure
  drums kick q 110: x . o     # kick on 1, softly on 3
  bass e: C2 - | G1> . | . .
part Fill in Basic 1 measure
  variation
  mute drums
  cut-notes bass
  bass q 100%: C2@64 - -
)";

TEST(StyleSource, CompilesASmallStyleByteForByte) {
  const CompiledStyle style = CompileStyleSource(kSmallStyle);
  ASSERT_TRUE(style.Ok()) << FormatSourceErrors("small", style.Errors);
  EXPECT_EQ(style.Name, "small");
  const TStyleHeader& h = style.Image.Header;
  EXPECT_EQ(h.Tempo, 90);
  EXPECT_EQ(h.IntroMeasures, 5);
  EXPECT_EQ(h.MeasureLength, 12);
  EXPECT_EQ(h.SuppressControllers, 0);
  for (int c = 0; c < kChannelCount; ++c) EXPECT_EQ(h.ChannelUsed[c], c == 1 || c == 9 ? 1 : 0) << c;
  TChannelSetup bass, drums;
  bass.Values[0] = 1;
  bass.Values[10] = 40;
  bass.Values[96] = 33;
  drums.Values[7] = 100;
  EXPECT_EQ(h.Channels[1], bass);
  EXPECT_EQ(h.Channels[9], drums);
  EXPECT_EQ(h.Channels[0], TChannelSetup{});

  // Delay bytes F8..FF wait 1..8 ticks; a note ends one tick before the next note of its key.
  const std::vector<Bytes> expected = {
      {0xB1, 0, 1, 0xC1, 33, 0, 0xB1, 10, 40},   // set-ups: channel 2 bank, program, pan
      {0xB9, 7, 100},                            // channel 10 volume
      {0x91, 36, 90, 0x99, 36, 110},             // Basic at offset 12, tick 0: bass C2, kick
      {0xFF, 0xFB, 0x91, 36, 0},                 // tick 12: C2 ends (24 ticks at 50%)
      {0xFF, 0xFB, 0x99, 36, 0, 0x91, 31, 110},  // tick 24 (offset 25): kick ends, G1 accented
      {0xFD, 0x91, 31, 0},                       // tick 30: G1 ends
      {0xFF, 0xFF, 0xF9, 0x99, 36, 80},          // tick 48 (offset 38): soft kick, 110 - 30
      {0xFF, 0xFF, 0xFE, 0x99, 36, 0},           // tick 71: a kick lasting to the end stops early
      {0xF8},                                    // tick 72: the end (offset 48)
      {0x91, 36, 64, 0xFF, 0xFF, 0xFF},          // Fill in Basic from offset 48; offset 54: beat 2
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x91, 36, 0, 0xF8}};  // offset 57: beat 3
  Bytes stream;
  for (const Bytes& piece : expected) stream.insert(stream.end(), piece.begin(), piece.end());
  EXPECT_EQ(style.Image.Stream, stream);

  const TStylePart basic = testing::MakePart(1, 1, 12, 48, {25, 38, 48});
  TStylePart fill = testing::MakePart(2, 2, 48, 64, {54, 57, 64});
  fill.Variation = kVariationMarker;
  fill.Mute[9] = 1;
  fill.CutNotes[1] = 1;
  for (int p = 0; p < kPartCount; ++p) {
    const TStylePart want = p == kBasic ? basic : p == kFillInBasic ? fill : TStylePart{};
    EXPECT_EQ(style.Image.Parts[p], want) << kPartNames[p];
  }
}

TEST(StyleSource, EighthNoteMetresBreakDelaysAtEveryEighth) {
  const CompiledStyle style =
      CompileStyleSource("style s\ntempo 60\nmetre 6/8\nchannel 1 pad\npart Basic 1 measures\n pad h.: C4\n");
  ASSERT_TRUE(style.Ok());
  EXPECT_EQ(style.Image.Header.MeasureLength, -12);
  const Bytes expected = {0x90, 60,   100,  0xFF, 0xFB, 0xFF, 0xFB, 0xFF, 0xFB, 0xFF,
                          0xFB, 0xFF, 0xFB, 0xFF, 0xFA, 0x90, 60,   0,    0xF8};
  EXPECT_EQ(style.Image.Stream, expected);
  EXPECT_EQ(style.Image.Parts[kBasic].EntryOffsets, (std::array<int32_t, 3>{7, 11, 19}));
}

}  // namespace
}  // namespace kalo::styles
