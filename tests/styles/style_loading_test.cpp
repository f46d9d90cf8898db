#include <sys/stat.h>

#include <gtest/gtest.h>

#include "host/file_store.h"
#include "styles/style_creator.h"
#include "styles/style_test_support.h"
#include "styles/work_file.h"

namespace kalo::styles {
namespace {

using testing::MakeSampleStyle;
using testing::SampleStyle;
using testing::TGenBench;

std::vector<uint8_t> StreamOf(const TGen& gen) {
  const auto stream = gen.CurrentStyle().Stream();
  return {stream.begin(), stream.end()};
}

// Writes the sample below the program folder and loads it by name.
LoadOutcome Load(TGenBench& bench, const SampleStyle& sample = MakeSampleStyle(),
                 const char* name = "a.vxs") {
  return bench.Gen.LoadStyleByName(bench.WriteFile(name, sample.FileBytes()));
}

TEST(LoadStyle, TakesTheStyleSelectsItsFirstPartAndNamesIt) {
  TGenBench bench;
  SampleStyle sample = MakeSampleStyle();
  sample.Parts[kFillInBasic].Variation = kVariationMarker;
  sample.Header.SuppressControllers = 1;
  sample.Header.Override = 1;                      // clears the suppress flag
  sample.Header.Channels[9].Values[7] = 200;       // above the MIDI range: applied as not set
  sample.Header.Channels[0].Values[96] = kNotSet;  // the program is only in the stream
  ASSERT_EQ(Load(bench, sample, "STYLES/rock&roll.vxs"), LoadOutcome::Loaded);
  const Style& style = bench.Gen.CurrentStyle();
  EXPECT_EQ(StreamOf(bench.Gen), sample.Stream);
  EXPECT_EQ(style.Parts, sample.Parts);
  EXPECT_TRUE(bench.Gen.StyleMode && bench.Host.StyleMode && bench.Gen.StyleLoaded);
  EXPECT_FALSE(style.Modified);
  EXPECT_EQ(bench.Gen.RunningPart, kBasic);  // the "Intro ..." box is off
  EXPECT_EQ(bench.Gen.StartOffset, sample.Parts[kBasic].StartOffset);
  EXPECT_EQ(bench.Gen.CurrentStylePath, (bench.Root / "STYLES/rock&roll.vxs").string());
  const BufferSlot& loaded = style.Slots[Style::kCopyAsLoadedSlot];
  EXPECT_EQ(loaded.Length, style.Length());
  EXPECT_TRUE(std::equal(sample.Stream.begin(), sample.Stream.end(), loaded.Data.begin()));
  EXPECT_EQ(style.Loaded[kExtended].First, 3);
  EXPECT_EQ(style.HoldOver[kBasic][0], 1);
  EXPECT_GE(bench.Player.Stops, 1);
  EXPECT_EQ(bench.Display.Last("KeyboardCaption"), "Keyboard  -  ROCK&&ROLL / Var.Basic");
  EXPECT_EQ(bench.Display.Last("StyleManagerCaption"), "ROCK&&ROLL / Var.Basic  -  Style-Manager");
  EXPECT_EQ(bench.Display.Last("StyleLabel"), "rock&&roll / var.basic");
  EXPECT_EQ(std::pair(style.Header.SuppressControllers, style.Header.Override),
            std::pair(uint8_t{0}, uint8_t{0}));
  ASSERT_GE(bench.Mixer.Applied.size(), 2u);
  EXPECT_EQ(bench.Mixer.Applied[1].Entries[3], kNotSet);  // entry 7 is the fourth applied
  EXPECT_EQ(style.Header.Channels[9].Values[7], 200);     // the style keeps its byte
  // Resets on all channels, then the controllers in front of Basic on the used channel 1.
  const auto& sent = bench.Player.Sent;
  ASSERT_GE(sent.size(), 16u);
  EXPECT_NE(std::find(sent.begin() + 16, sent.end(), std::array<uint8_t, 3>{0xC0, 5, 0}), sent.end());
}

struct MetreLoadCase {
  int16_t Stored;
  int QuantizeBefore;
  int MeasureLength;
  const char* Metrum;
  int QuantizeAfter;
};

TEST(LoadStyle, TheMeasureLengthSetsTheMetreAndTheBeatUnit) {
  // A negative length counts in eighth notes, which moves the quantize choice to its eighth-note items.
  const MetreLoadCase cases[] = {
      {-12, 0, 12, "6/8", 5},   {-12, 7, 12, "6/8", 7}, {16, 6, 16, "4/4", 1},  {0, 2, 16, "4/4", 2},
      {12, 0, 12, "3/4", 0},    {-4, 1, 4, "1/8", 6},   {13, 6, 16, "4/4", 1},  {-7, 0, 16, "4/4", 0},
      {4, 6, 4, "1/4", 1},      {24, 0, 24, "6/4", 0},  {-16, 0, 16, "4/4", 5}, {-32768, 0, 16, "4/4", 0},
      {32767, 0, 16, "4/4", 0},
  };
  for (const auto& c : cases) {
    TGenBench bench;
    SampleStyle sample = MakeSampleStyle();
    sample.Header.MeasureLength = c.Stored;
    bench.Settings.Quantize = c.QuantizeBefore;
    ASSERT_EQ(Load(bench, sample), LoadOutcome::Loaded);
    EXPECT_EQ(bench.Host.MeasureLength, c.MeasureLength) << c.Stored;
    EXPECT_EQ(bench.Gen.CurrentMetre.MeasureLength, c.MeasureLength) << c.Stored;
    EXPECT_STREQ(config::kMetrumNames[bench.Settings.Metrum], c.Metrum) << c.Stored;
    EXPECT_EQ(bench.Settings.Quantize, c.QuantizeAfter) << c.Stored;
    EXPECT_EQ(bench.Gen.CurrentStyle().Header.MeasureLength, c.Stored) << "kept as stored";
  }
}

TEST(LoadStyle, TempoAndIntroDetectionFollowTheHeader) {
  TGenBench bench;
  bench.Options.TempoDetection = true;
  bench.Options.IntroDetection = true;
  bench.Settings.PlayIntro = true;
  SampleStyle sample = MakeSampleStyle();
  sample.Header.MeasureLength = -12;
  ASSERT_EQ(Load(bench, sample), LoadOutcome::Loaded);
  EXPECT_EQ(bench.Host.Tempo, 120);
  EXPECT_EQ(bench.Host.RecordStart, 4);  // two intro measures in an eighth-note metre

  sample.Header.Tempo = 0;  // out of the tempo field's range: the tempo stays
  sample.Header.IntroMeasures = 30000;
  bench.Host.Tempo = 99;
  ASSERT_EQ(Load(bench, sample, "b.vxs"), LoadOutcome::Loaded);
  EXPECT_EQ(bench.Host.Tempo, 99);
  EXPECT_EQ(bench.Host.RecordStart, 1);
}

TEST(LoadStyle, AStyleWhoseBasicStartsWithAZeroByteOrAnEmptyFileIsBroken) {
  SampleStyle sample = MakeSampleStyle();
  sample.Stream.push_back(0);
  sample.Parts[kBasic].StartOffset = static_cast<int32_t>(sample.Stream.size()) - 1;
  sample.Parts[kBasic].EndOffset = static_cast<int32_t>(sample.Stream.size());
  for (const auto& bytes : {sample.FileBytes(), std::vector<uint8_t>{}}) {
    TGenBench bench;
    ASSERT_EQ(bench.Gen.LoadStyleFromBytes("a.vxs", bytes), LoadOutcome::Loaded);
    EXPECT_EQ(bench.Gen.CurrentStyle().Parts, PartTable{}) << bytes.size();
    EXPECT_EQ(bench.Gen.CurrentStyle().Length(), 255) << bytes.size();
    EXPECT_EQ(bench.Gen.CurrentStyle().Header.Channels[4].Values[7], kNotSet) << bytes.size();
    EXPECT_EQ(bench.Gen.StartOffset, kNoLimit);  // nothing selected
  }
}

TEST(LoadStyle, AMissingStyleIsReportedTheWantMoreEntryOpensTheStylesPageAndTheStyleStays) {
  TGenBench bench;
  ASSERT_EQ(Load(bench), LoadOutcome::Loaded);
  EXPECT_EQ(bench.Gen.LoadStyleByName("D:\\old\\styles\\missing.vxs"), LoadOutcome::NotFound);
  EXPECT_EQ(bench.Dialogs.Messages(), std::vector<std::string>{kStyleNotFoundMessage});
  EXPECT_EQ(bench.Gen.LoadStyleByName("C:\\KALO\\STYLES\\Want More !!! .vxs"), LoadOutcome::WebPage);
  EXPECT_EQ(bench.Links.Opened(), std::vector<std::string>{kMoreStylesUrl});
  EXPECT_EQ(StreamOf(bench.Gen), MakeSampleStyle().Stream);
}

TEST(LoadStyle, IsRefusedSilentlyWhileTheMainWindowRecords) {
  TGenBench bench;
  bench.Host.IsRecording = true;
  EXPECT_EQ(Load(bench), LoadOutcome::Refused);
  EXPECT_TRUE(bench.Dialogs.Entries().empty());
  EXPECT_FALSE(bench.Gen.CurrentStyle().HasMaterial());
}

TEST(LoadStyle, AnScListZeroesHighBankSelectsAndTheDrumProgram) {
  TGenBench bench;
  bench.Settings.Patch = "/x/EDITOR/sc-55.vxi";
  SampleStyle sample = MakeSampleStyle();
  sample.Header.Channels[3].Values[0] = 63;
  sample.Header.Channels[4].Values[0] = 62;
  sample.Header.Channels[9].Values[96] = 100;
  ASSERT_EQ(Load(bench, sample), LoadOutcome::Loaded);
  const auto& channels = bench.Gen.CurrentStyle().Header.Channels;
  EXPECT_EQ(channels[3].Values[0], 0);
  EXPECT_EQ(channels[4].Values[0], 62);
  EXPECT_EQ(channels[9].Values[96], 0);
}

TEST(LoadStyle, ChannelOnesOwnVoiceMovesToAFreeChannelOnlyWhenTheStyleUsesChannelOne) {
  for (const bool styleUsesChannel1 : {true, false}) {
    SCOPED_TRACE(styleUsesChannel1);
    TGenBench bench;
    bench.Gen.EnsureBuffers();
    bench.Gen.CurrentStyle().Header.Channels[0].Values[96] = 40;  // the player's violin
    bench.Mixer.Keyboard = 5;
    SampleStyle sample = MakeSampleStyle();  // uses channels 1 and 10
    sample.Header.ChannelUsed[0] = styleUsesChannel1;
    sample.Header.Channels[0].Values[97] = 33;
    ASSERT_EQ(Load(bench, sample), LoadOutcome::Loaded);
    const auto& channels = bench.Gen.CurrentStyle().Header.Channels;
    if (!styleUsesChannel1) {
      EXPECT_EQ(channels[0].Values[96], 40);
      EXPECT_EQ(channels[0].Values[97], 33);  // pressure is not part of the kept voice
      EXPECT_EQ(bench.Mixer.Keyboard, 5);
      continue;
    }
    EXPECT_EQ(channels[0].Values[96], 5);   // the style's own program
    EXPECT_EQ(channels[1].Values[96], 40);  // the first free channel takes the kept voice
    EXPECT_EQ(bench.Mixer.Keyboard, 1);
    ASSERT_EQ(bench.Mixer.Applied.size(), 3u);  // channels 1 and 10, then the kept voice on 2
    EXPECT_EQ(std::tuple(bench.Mixer.Applied[0].Channel, bench.Mixer.Applied[1].Channel,
                         bench.Mixer.Applied[2].Channel),
              std::tuple(0, 9, 1));
    EXPECT_EQ(bench.Mixer.Applied[2].Entries[11], 40);  // entry 96 is the twelfth applied
    EXPECT_TRUE(bench.Mixer.Applied[0].UpdateControls);
  }
}

TEST(LoadStyle, SoloOnChannelOneGivesChannelOneItsSoloVoice) {
  TGenBench bench;
  bench.Options.SoloOnChannel1 = true;
  ASSERT_EQ(Load(bench), LoadOutcome::Loaded);
  const std::vector<std::array<uint8_t, 3>> expected = {{0, 7, 127}, {0, 10, 64}, {0, 91, 64}, {0, 93, 32}};
  EXPECT_EQ(bench.Mixer.Live, expected);
  EXPECT_EQ(bench.Gen.CurrentStyle().Header.Channels[0].Values[7], 127);
}

TEST(LoadStyle, AModifiedStyleIsSavedFirstWhenTheUserSaysYes) {
  TGenBench bench;
  ASSERT_EQ(Load(bench), LoadOutcome::Loaded);
  const auto first = bench.Root / "a.vxs";
  bench.Gen.CurrentStyle().Buffer()[0] = 0xB1;  // an edit
  bench.Gen.CurrentStyle().Modified = true;
  bench.Dialogs.QueueAnswer(true);
  SampleStyle other = MakeSampleStyle();
  other.Header.Tempo = 90;
  ASSERT_EQ(Load(bench, other, "other.vxs"), LoadOutcome::Loaded);
  EXPECT_EQ(bench.Dialogs.Questions(), std::vector<std::string>{kSaveStyleFirstQuestion});
  const auto saved = ParseStyleFile(*host::ReadFilePrefix(first, kMaxStyleFileBytes));
  EXPECT_EQ(saved.Image.Stream[0], 0xB1);
  EXPECT_EQ(bench.Gen.CurrentStyle().Header.Tempo, 90);
}

TEST(LoadStyle, ByDialogRemembersTheFolderAndIgnoresOtherExtensions) {
  TGenBench bench;
  const std::string path = bench.WriteFile("pop/a.vxs", MakeSampleStyle().FileBytes());
  bench.Dialogs.QueueFile(std::nullopt);
  EXPECT_EQ(bench.Gen.LoadStyleByDialog(), LoadOutcome::Cancelled);
  EXPECT_EQ(bench.Dialogs.LastFileChoice().Title, "Open style ...");
  EXPECT_EQ(bench.Dialogs.LastFileChoice().Filter, "Styles (*.vxs)|*.vxs");
  bench.Dialogs.QueueFile(bench.WriteFile("pop/a.mid", {1, 2, 3}));
  EXPECT_EQ(bench.Gen.LoadStyleByDialog(), LoadOutcome::Cancelled);
  EXPECT_FALSE(bench.Gen.CurrentStyle().HasMaterial());
  bench.Dialogs.QueueFile(path);
  EXPECT_EQ(bench.Gen.LoadStyleByDialog(), LoadOutcome::Loaded);
  EXPECT_EQ(bench.Settings.StyleDir, (bench.Root / "pop").string());
}

TEST(LoadStyle, ByDialogAsksBeforeReplacingWorkInSongMode) {
  TGenBench bench;
  ASSERT_TRUE(bench.Gen.EnsureBuffers());
  bench.Gen.CurrentStyle().SetLength(10);
  bench.Gen.StyleMode = false;
  bench.Dialogs.QueueAnswer(false);
  EXPECT_EQ(bench.Gen.LoadStyleByDialog(), LoadOutcome::Refused);
  EXPECT_EQ(bench.Dialogs.Questions(), std::vector<std::string>{kReplaceWorkQuestion});
  EXPECT_EQ(bench.Gen.CurrentStyle().Length(), 10);
}

TEST(SaveStyle, ALoadAndASaveLeaveTheFileAsItWasHeaderBytesIncluded) {
  TGenBench bench;
  SampleStyle sample = MakeSampleStyle();
  sample.Header.MeasureLength = 13;  // not in the metre list: plays as 4/4
  sample.Header.Converted = 7;
  sample.Header.ChannelUsed[3] = 200;
  ASSERT_EQ(Load(bench, sample), LoadOutcome::Loaded);
  EXPECT_EQ(bench.Gen.CurrentMetre.MeasureLength, 16);
  ASSERT_TRUE(bench.Gen.SaveStyle((bench.Root / "copy").string()));
  EXPECT_TRUE(std::filesystem::exists(bench.Root / "copy.vxs"));
  EXPECT_FALSE(std::filesystem::exists(bench.Root / "copy.vxs.tmp"));
  EXPECT_EQ(*host::ReadFilePrefix(bench.Root / "copy.vxs", kMaxStyleFileBytes), sample.FileBytes());
}

TEST(SaveStyle, AFailedWriteIsReportedAndLeavesNoFileBehind) {
  TGenBench bench;
  ASSERT_TRUE(bench.Gen.EnsureBuffers());
  EXPECT_FALSE(bench.Gen.SaveStyle((bench.Root / "no-such-folder" / "a.vxs").string()));
  EXPECT_EQ(bench.Dialogs.Messages().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(bench.Root / "no-such-folder"));
}

TEST(SaveStyle, ANameWithADotKeepsItAndGetsTheFileType) {
  TGenBench bench;
  ASSERT_EQ(Load(bench), LoadOutcome::Loaded);
  const std::vector<uint8_t> other{1, 2, 3};
  for (const auto& [saved, written, neighbour] : {std::tuple{"Rock v1.5", "Rock v1.5.vxs", "Rock v1.vxs"},
                                                  {"Song 2.1", "Song 2.1.vxw", "Song 2.vxw"}}) {
    bench.WriteFile(neighbour, other);
    const std::string path = (bench.Root / saved).string();
    ASSERT_TRUE(HasExtension(written, ".vxw") ? bench.Gen.SaveWorkFile(path) : bench.Gen.SaveStyle(path));
    EXPECT_GT(std::filesystem::file_size(bench.Root / written), 2000u) << saved;
    EXPECT_EQ(*host::ReadFilePrefix(bench.Root / neighbour, 10), other) << saved;
  }
}

TEST(LoadStyle, AFifoOrAFolderIsRefusedAtOnceWithItsReasonAndTheStyleStays) {
  TGenBench bench;
  ASSERT_EQ(Load(bench), LoadOutcome::Loaded);
  const std::filesystem::path fifo = bench.Root / "pipe.vxs";
  const std::filesystem::path folder = bench.Root / "folder.vxw";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_directories(folder);
  bench.Dialogs.SetDefaultAnswer(true);  // replace the current work
  bench.Dialogs.QueueFile(fifo.string());
  EXPECT_EQ(bench.Gen.LoadStyleByDialog(), LoadOutcome::Failed);
  bench.Dialogs.QueueFile(folder.string());
  EXPECT_EQ(bench.Gen.LoadWorkFileByDialog(), LoadOutcome::Failed);
  EXPECT_EQ(bench.Dialogs.Messages(),
            (std::vector<std::string>{
                "Style not loaded: " + host::PrintableName(fifo) + ": a FIFO, not a file",
                "Work-File not loaded: " + host::PrintableName(folder) + ": Is a directory"}));
  EXPECT_EQ(StreamOf(bench.Gen), MakeSampleStyle().Stream);
}

// --- Work files --------------------------------------------------------------------------------

std::vector<uint8_t> SampleWorkFile(int16_t endPosition, const song::Chordmemory& chords) {
  const SampleStyle sample = MakeSampleStyle();
  return *SerializeWorkFile(endPosition, chords, sample.Header, sample.Parts, sample.Stream);
}

song::Chordmemory SomeChords() {
  song::Chordmemory chords = song::Chordmemory::Cleared();
  chords.Length = 4 + 8 * 4;
  chords.Bytes[1] = 120;
  for (size_t beat = 1; beat <= 8; ++beat) {
    chords.Bytes[4 * beat] = static_cast<uint8_t>(48 + beat);
    chords.Bytes[4 * beat + 1] = 1;
  }
  chords.Bytes[4 * 9 + 2] = 255;
  return chords;
}

TEST(WorkFile, LoadsChordsAndMaterialInSongModeWithGoToEndOnlyForARecordedEnd) {
  for (int16_t endPosition : {int16_t{136}, int16_t{0}}) {
    TGenBench bench;
    bench.Host.GoToEnd = endPosition == 0;
    const song::Chordmemory chords = endPosition > 0 ? SomeChords() : song::Chordmemory::Cleared();
    const std::string path = bench.WriteFile("song.vxw", SampleWorkFile(endPosition, chords));
    ASSERT_EQ(bench.Gen.LoadWorkFile(path), LoadOutcome::Loaded);
    EXPECT_EQ(bench.Host.Chords, chords);
    EXPECT_EQ(StreamOf(bench.Gen), MakeSampleStyle().Stream);
    EXPECT_FALSE(bench.Gen.StyleMode);
    EXPECT_FALSE(bench.Host.StyleMode);
    EXPECT_EQ(bench.Host.GoToEnd, endPosition > 0);
    EXPECT_EQ(bench.Gen.RecordedEndPosition, endPosition);
    EXPECT_EQ(bench.Gen.CurrentOffset, 0);
    EXPECT_EQ(bench.Gen.CurrentStyle().Header.Converted, 0);
    EXPECT_EQ(bench.Display.Last("StyleCreatorCaption"), "SONG.VXW  -  KALO");
  }
}

TEST(WorkFile, AsksBeforeReplacingChordsOrMaterial) {
  TGenBench bench;
  bench.Host.Chords = SomeChords();
  bench.Dialogs.QueueAnswer(false);
  EXPECT_EQ(bench.Gen.LoadWorkFile(bench.WriteFile("w.vxw", SampleWorkFile(0, SomeChords()))),
            LoadOutcome::Refused);
  EXPECT_EQ(bench.Dialogs.Questions(), std::vector<std::string>{kReplaceChordsQuestion});
  EXPECT_FALSE(bench.Gen.CurrentStyle().HasMaterial());
}

TEST(WorkFile, ANegativeOrOverlongChordmemoryLengthIsRefusedAndNothingIsLostWhileShortOnesLoad) {
  struct Case {
    int16_t Length;
    bool Loads;
  };
  const Case cases[] = {{-1, false}, {-32768, false}, {12007, false}, {32767, false}, {0, true}, {3, true}};
  for (const Case& c : cases) {
    TGenBench bench;
    ASSERT_EQ(Load(bench), LoadOutcome::Loaded);
    bench.Host.Chords = SomeChords();
    song::Chordmemory chords = song::Chordmemory::Cleared();
    chords.Length = c.Loads ? c.Length : 4;
    auto bytes = SampleWorkFile(0, chords);
    bytes[2] = static_cast<uint8_t>(c.Length & 0xFF);
    bytes[3] = static_cast<uint8_t>((c.Length >> 8) & 0xFF);
    bench.Dialogs.SetDefaultAnswer(true);
    const LoadOutcome outcome = bench.Gen.LoadWorkFile(bench.WriteFile("w.vxw", bytes));
    EXPECT_EQ(StreamOf(bench.Gen), MakeSampleStyle().Stream) << c.Length;
    if (c.Loads) {
      EXPECT_EQ(outcome, LoadOutcome::Loaded) << c.Length;
      EXPECT_EQ(bench.Host.Chords.Length, c.Length) << c.Length;
      EXPECT_TRUE(bench.Host.Chords.Empty()) << c.Length;
      EXPECT_EQ(bench.Gen.CurrentStyle().Parts, MakeSampleStyle().Parts) << c.Length;
    } else {
      EXPECT_EQ(outcome, LoadOutcome::Failed) << c.Length;
      EXPECT_EQ(bench.Dialogs.Messages(), std::vector<std::string>{kDamagedWorkFileMessage}) << c.Length;
      EXPECT_EQ(bench.Host.Chords, SomeChords()) << c.Length;
    }
  }
}

TEST(WorkFile, TheLargestChordmemoryFitsTheBuffer) {
  song::Chordmemory chords = song::Chordmemory::Cleared();
  chords.Length = static_cast<int16_t>(kChordmemoryBufferSize - 4);
  chords.Bytes.back() = 0x5A;
  const auto parsed = ParseWorkFile(SampleWorkFile(0, chords));
  ASSERT_TRUE(std::holds_alternative<ParsedWorkFile>(parsed));
  EXPECT_EQ(std::get<ParsedWorkFile>(parsed).Chordmemory, chords);
  EXPECT_EQ(std::get<ParsedWorkFile>(parsed).Image.Stream, MakeSampleStyle().Stream);
}

TEST(WorkFile, SavesWhatLoadsBack) {
  TGenBench bench;
  const song::Chordmemory chords = SomeChords();
  ASSERT_EQ(bench.Gen.LoadWorkFile(bench.WriteFile("w.vxw", SampleWorkFile(72, chords))),
            LoadOutcome::Loaded);
  ASSERT_TRUE(bench.Gen.SaveWorkFile((bench.Root / "again").string()));
  const auto first = *host::ReadFilePrefix(bench.Root / "w.vxw", kMaxWorkFileBytes);
  const auto second = *host::ReadFilePrefix(bench.Root / "again.vxw", kMaxWorkFileBytes);
  ASSERT_EQ(first.size(), second.size());
  for (size_t i = 0; i < first.size(); ++i) ASSERT_EQ(first[i], second[i]) << i;
}

TEST(LoadStyle, APartlessStyleLeavesNoOffsetOfThePreviousStyleInThePlayWindow) {
  TGenBench bench;
  ASSERT_EQ(Load(bench), LoadOutcome::Loaded);
  bench.Gen.CurrentOffset = bench.Gen.CurrentStyle().Length() - 1;
  ASSERT_EQ(bench.Gen.LoadStyleFromBytes("short.vxs", std::vector<uint8_t>(100, 0xF8)), LoadOutcome::Loaded);
  EXPECT_LE(bench.Gen.CurrentOffset, bench.Gen.CurrentStyle().Length());
  EXPECT_EQ(bench.Gen.StartOffset, kNoLimit);
}

// After any load, every part that can be selected, and the play window it gives, lies in the stream.
void ExpectPlayableWithinStream(TGen& gen, size_t prefix) {
  const Style& style = gen.CurrentStyle();
  ASSERT_LE(style.Length(), kStreamCapacity) << prefix;
  for (int p = 0; p < kPartCount; ++p) {
    if (!style.Parts[static_cast<size_t>(p)].Exists()) continue;
    gen.BeatIndex = p % 4;
    gen.SelectPart(p);
    ASSERT_GE(gen.StartOffset, 0) << prefix;
    ASSERT_LT(gen.StartOffset, gen.EndOffset) << prefix;
    ASSERT_LE(gen.EndOffset, style.Length()) << prefix;
  }
}

TEST(LoadStyle, EveryPrefixOfAStyleAndOfAWorkFileLoads) {
  testing::TGenBench bench;
  const auto style = testing::MakeSampleStyle().FileBytes();
  for (size_t n = 0; n <= style.size(); ++n) {
    ASSERT_EQ(bench.Gen.LoadStyleFromBytes("a.vxs", std::span<const uint8_t>(style).first(n)),
              LoadOutcome::Loaded);
    ExpectPlayableWithinStream(bench.Gen, n);
  }
  const auto sample = testing::MakeSampleStyle();
  song::Chordmemory chords = song::Chordmemory::Cleared();
  chords.Length = 40;
  const auto work = *SerializeWorkFile(100, chords, sample.Header, sample.Parts, sample.Stream);
  for (size_t n = 0; n <= work.size(); ++n) {
    ASSERT_EQ(bench.Gen.LoadWorkFromBytes("w.vxw", std::span<const uint8_t>(work).first(n)),
              LoadOutcome::Loaded);
    ExpectPlayableWithinStream(bench.Gen, n);
  }
}

}  // namespace
}  // namespace kalo::styles
