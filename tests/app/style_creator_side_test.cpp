// The Style-Creator's session work: the conversion checked against the player's own chord mapping,
// the chords found in material, and the side wired into the arranger (import, recording from the
// second input ended by Stop).

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/arranger_rig.h"
#include "app/chart_timeline.h"
#include "app/engine_rig.h"
#include "app/style_creator_side.h"
#include "config/profile_document.h"
#include "config/temp_folder.h"
#include "engine/chord_transposer.h"
#include "host/file_store.h"
#include "midi/standard_midi_file.h"
#include "perform/chord.h"
#include "styles/chord_conversion.h"
#include "styles/style_file.h"
#include "styles/style_stream.h"

namespace kalo::app {
namespace {

TEST(ConversionToTheBaseChord, EveryNoteThePlayerSoundsMapsBackToAPatternNoteThatSoundsTheSame) {
  // The player's mapping, as the engine applies it, for every chord type and root placement.
  for (int type = 1; type <= perform::kChordTypeCount; ++type) {
    for (int root = 0; root < 12; ++root) {
      for (int octave : {0, -12}) {
        engine::ChordTransposer player;
        player.StyleRoot = 48 + root;
        player.StyleType = type;
        player.OctaveOffset = octave;
        for (int pattern = 36; pattern <= 84; ++pattern) {
          const int sounding = player.TransposeNote(pattern);
          for (int mode : {4, 5}) {
            const int back = styles::PatternNoteFor(sounding, type, root + octave, mode);
            ASSERT_EQ(player.TransposeNote(back), sounding)
                << perform::ChordName(root, type) << " octave " << octave << " pattern " << pattern
                << " mode " << mode;
          }
        }
        // The root alone: the key moves to C, the chord's own notes stay.
        EXPECT_EQ(styles::PatternNoteFor(60 + root + octave + 3, type, root + octave, 1), 63);
      }
    }
  }
}

// The stream of note messages at their ticks (in time order), as delay bytes and messages.
std::vector<uint8_t> StreamOf(std::vector<std::pair<int, std::array<uint8_t, 3>>> events) {
  std::stable_sort(events.begin(), events.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<uint8_t> stream;
  int time = 0;
  for (const auto& [tick, bytes] : events) {
    for (; time + 8 <= tick; time += 8) stream.push_back(0xFF);
    if (time < tick) stream.push_back(static_cast<uint8_t>(0xF7 + tick - time));
    time = tick;
    stream.insert(stream.end(), bytes.begin(), bytes.end());
  }
  return stream;
}

struct Voicing {
  const char* Name;
  std::vector<std::array<int, 3>> Notes;  // key, start, end (ticks of one 4/4 measure)
  std::string Chord;
};

TEST(ConversionToTheBaseChord, ChordsAreFoundFromTheNotesThatSoundLongEnough) {
  const Voicing cases[] = {
      {"a triad", {{48, 0, 96}, {52, 0, 96}, {55, 0, 96}}, "1:1 C maj"},
      {"a minor triad over its root in the bass",
       {{45, 0, 96}, {60, 0, 96}, {64, 0, 96}, {69, 0, 48}},
       "1:1 A min"},
      {"a seventh chord", {{43, 0, 96}, {59, 0, 96}, {62, 0, 96}, {65, 0, 96}}, "1:1 G 7th"},
      {"short passing tones do not count",
       {{50, 0, 96}, {54, 0, 96}, {57, 0, 96}, {61, 40, 42}, {63, 60, 62}},
       "1:1 D maj"},
      {"a chord played as short stabs",
       {{52, 0, 6}, {55, 0, 6}, {60, 0, 6}, {52, 24, 30}, {55, 24, 30}, {60, 24, 30}, {61, 72, 74}},
       "1:1 C maj"},
  };
  for (const Voicing& v : cases) {
    std::vector<std::pair<int, std::array<uint8_t, 3>>> events;
    for (const auto& [key, start, end] : v.Notes) {
      events.push_back({start, {0x90, static_cast<uint8_t>(key), 100}});
      events.push_back({end, {0x80, static_cast<uint8_t>(key), 0}});
    }
    const std::vector<uint8_t> stream = StreamOf(events);
    styles::ConversionSettings settings;  // a chord per measure, every type, middle sensitivity
    EXPECT_EQ(styles::DescribeChords(styles::FindChords(stream, 0, 96, 96, settings), 96), v.Chord) << v.Name;
  }
}

// A session whose second input (the sequencer) is input 1.
struct CreatorRig : testing::ArrangerRig {
  CreatorRig() : ArrangerRig(2) {
    arranger->Settings() = testing::QuietSettings();
    arranger->Settings().MidiSubIn = 1;
    arranger->Settings().Metrum = 2;  // 4/4 for material without a time signature
    StartAndSettle();
  }
  StyleCreatorSide& Creator() { return arranger->Creator(); }
  // Imports `measures` measures of 4/4 played over G major: G B D on every beat on channel 2.
  void ImportOverG(int measures) {
    std::vector<midi::CapturedMessage> notes;
    for (int q = 0; q < measures * 4; ++q)
      for (uint8_t key : {55, 59, 62}) {
        notes.push_back({q * 24, {0x91, key, 100}});
        notes.push_back({q * 24 + 20, {0x81, key, 0}});
      }
    std::stable_sort(notes.begin(), notes.end(),
                     [](const auto& a, const auto& b) { return a.Tick < b.Tick; });
    ASSERT_TRUE(Creator().ImportMidiBytes(
        "g.mid", std::get<std::vector<uint8_t>>(midi::EncodeStandardMidiFile({.Messages = notes}))));
  }
  // The keys of channel 2's note-ons in the current stream, in order.
  std::vector<int> Keys() {
    std::vector<int> keys;
    const styles::Style& style = arranger->Gen().CurrentStyle();
    styles::ForEachMessage(style.Stream(), 0, style.Length(), [&](const styles::StreamMessage& m) {
      if (m.Status == 0x91 && m.Data2 > 0) keys.push_back(m.Data1);
    });
    return keys;
  }
};

TEST(StyleCreatorSide, EachMeasureIsConvertedOnceUntilTheOriginalIsRestored) {
  CreatorRig rig;
  rig.ImportOverG(4);
  StyleCreatorSide& creator = rig.Creator();
  creator.Conversion.ConvertMode = 5;  // the chords are found: G major
  ASSERT_TRUE(creator.CutPart(styles::kBasic, {1, 2, 1, false, {}}));
  // Measures 1 and 2 are in C now (G B D is C E G, a fifth down); measure 3 is not part of a part yet.
  EXPECT_EQ(rig.Keys()[0], 48);
  EXPECT_EQ(rig.Keys()[24], 55);
  ASSERT_TRUE(creator.CutPart(styles::kFillInBasic, {2, 3, 1, false, {}}));
  EXPECT_EQ(rig.Keys()[12], 48);  // measure 2 not converted a second time
  EXPECT_EQ(rig.Keys()[24], 48);
  EXPECT_TRUE(rig.arranger->Gen().CurrentStyle().Header.Converted);
  ASSERT_TRUE(creator.RestoreOriginal(false));
  EXPECT_EQ(rig.Keys()[0], 55);
  EXPECT_EQ(creator.ConvertAllToStyle().NotesConverted, 48);
  EXPECT_EQ(rig.Keys()[46], 52);  // the last measure too

  // Given chords win over the ones found; "Don't convert fills" leaves a fill as it stands.
  creator.RestoreOriginal(false);
  creator.GivenChords = {{0, 7, 1}, {96, 2, 2}};  // G, then D minor from measure 2
  creator.Conversion.SkipFills = true;
  creator.CutPart(styles::kFillInBasic, {2, 2, 1, false, {}});
  EXPECT_EQ(rig.Keys()[12], 55);
  // "&Convert Part" converts the selected part all the same; an empty part converts nothing.
  rig.arranger->Gen().RunningPart = styles::kIntro;
  EXPECT_EQ(creator.ConvertPart().NotesSeen, 0);
  rig.arranger->Gen().RunningPart = styles::kFillInBasic;
  EXPECT_EQ(creator.ConvertPart().NotesConverted, 12);
  EXPECT_EQ(rig.Keys()[0], 55);  // measure 1 is not the fill's
  const auto report = creator.CutPart(styles::kBasic, {1, 2, 1, false, {}});
  ASSERT_TRUE(report);
  EXPECT_EQ(styles::DescribeChords(report->Chords, 96), "1:1 G maj, 2:1 D min");
  EXPECT_EQ(rig.Keys()[0], 48);
  EXPECT_EQ(rig.Keys()[12], 53);  // G under D minor: its fourth, F in the pattern
}

TEST(StyleCreatorSide, TestingTwiceStartsFromAClearedChordmemoryAndQuickStyleKeepsOnlyBasic) {
  CreatorRig rig;
  rig.ImportOverG(8);
  StyleCreatorSide& creator = rig.Creator();
  rig.arranger->Gen().SetLoopMeasures(2);
  rig.arranger->Gen().FirstMeasure = 3;
  ASSERT_TRUE(creator.CutPart(styles::kEnding, {7, 8, 1, false, {}}));
  ASSERT_TRUE(creator.QuickStyle());
  const styles::PartTable& parts = rig.arranger->Gen().CurrentStyle().Parts;
  EXPECT_EQ(parts[styles::kBasic].FirstMeasure, 3);
  EXPECT_EQ(parts[styles::kBasic].LastMeasure, 4);
  EXPECT_FALSE(parts[styles::kEnding].Exists());

  ASSERT_TRUE(creator.TestStyle());
  const song::Chordmemory first = rig.arranger->Song().Chords;
  EXPECT_EQ(first.RecordAt(36).Function, 255);  // Basic's two measures, then STOP
  rig.arranger->Stop();
  rig.arranger->Song().Chords.Write(100, {60, 2, 0, 0});
  ASSERT_TRUE(creator.TestStyle());
  EXPECT_EQ(rig.arranger->Song().Chords, first);
  EXPECT_EQ(creator.ProposedPartFileName(), "sty1_v11.mid");
}

TEST(StyleCreatorSide, FlagsForAllPartsAskFirstAndARecordingWithoutClockSaysSo) {
  CreatorRig rig;
  rig.ImportOverG(4);
  StyleCreatorSide& creator = rig.Creator();
  ASSERT_TRUE(creator.CutPart(styles::kBasic, {1, 2, 1, false, {}}));
  ASSERT_TRUE(creator.CutPart(styles::kEnding, {3, 4, 1, false, {}}));
  rig.arranger->SetChannelMute(4, true);
  EXPECT_FALSE(creator.MutingToAllParts());  // No: nothing changes
  EXPECT_EQ(rig.arranger->Gen().CurrentStyle().Parts[styles::kEnding].Mute[4], 0);
  rig.dialogs.QueueAnswer(true);
  ASSERT_TRUE(creator.MutingToAllParts());
  EXPECT_EQ(rig.arranger->Gen().CurrentStyle().Parts[styles::kEnding].Mute[4], 1);
  rig.dialogs.QueueAnswer(true);
  ASSERT_TRUE(creator.CutNotesToAllParts(1, true));
  EXPECT_EQ(rig.arranger->Gen().CurrentStyle().Parts[styles::kBasic].CutNotes[1], 1);
  EXPECT_EQ(rig.arranger->Gen().CurrentStyle().Parts[styles::kBasic].CutNotes[2], 0);

  // Tone up on channel 2: its notes move, note-offs with them, into 0..127.
  creator.TransposeChannel(2, 1);
  EXPECT_EQ(rig.Keys().front(), 56);
  creator.TransposeChannel(2, 80);
  EXPECT_EQ(rig.Keys().front(), 124);  // 136 is an octave above the last note
  int unmatched = 0;
  const styles::Style& style = rig.arranger->Gen().CurrentStyle();
  std::array<int, 128> open{};
  styles::ForEachMessage(style.Stream(), 0, style.Length(), [&](const styles::StreamMessage& m) {
    if (m.Status == 0x91) ++open[m.Data1];
    if (m.Status == 0x81 && open[m.Data1]-- == 0) ++unmatched;
  });
  EXPECT_EQ(unmatched, 0);

  rig.dialogs.QueueAnswer(true);  // "Replace current work ?"
  creator.RecordFromMidiIn(false);
  rig.Inject(1, {{0x92, 60, 100}});
  rig.arranger->Stop();
  EXPECT_EQ(rig.dialogs.Messages().back(), "Measures 1 - 0 available for stylecreating !");
  EXPECT_NE(
      std::find(rig.dialogs.Messages().begin(), rig.dialogs.Messages().end(), std::string(kNoClockMessage)),
      rig.dialogs.Messages().end());
}

TEST(StyleCreatorSide, ADamagedFileIsNamedAndTheStyleStaysAsItWas) {
  CreatorRig rig;
  std::vector<midi::CapturedMessage> notes;
  for (int q = 0; q < 8; ++q) {
    notes.push_back({q * 24, {0x90, static_cast<uint8_t>(60 + q), 100}});
    notes.push_back({q * 24 + 12, {0x80, static_cast<uint8_t>(60 + q), 0}});
  }
  const auto file = std::get<std::vector<uint8_t>>(midi::EncodeStandardMidiFile({.Messages = notes}));
  ASSERT_TRUE(rig.Creator().ImportMidiBytes("groove.mid", file));
  EXPECT_EQ(rig.dialogs.Messages().back(), "Measures 1 - 2 available for stylecreating !");
  ASSERT_TRUE(rig.Creator().CutPart(styles::kBasic, {1, 2, 1, false, {}}));
  const styles::Style before = rig.arranger->Gen().CurrentStyle();

  std::vector<uint8_t> cut = file;
  cut.resize(cut.size() - 9);     // the last track holds fewer bytes than its chunk announces
  rig.dialogs.QueueAnswer(true);  // "Replace current work ?"
  EXPECT_FALSE(rig.Creator().ImportMidiBytes("broken.mid", cut));
  EXPECT_NE(rig.dialogs.Messages().back().find("MIDI file not imported: \"broken.mid\": "), std::string::npos)
      << rig.dialogs.Messages().back();
  const styles::Style& after = rig.arranger->Gen().CurrentStyle();
  EXPECT_EQ(after.Parts, before.Parts);
  EXPECT_TRUE(std::equal(after.Stream().begin(), after.Stream().end(), before.Stream().begin(),
                         before.Stream().end()));
}

TEST(StyleCreatorSide, RecordingFromTheSequencerEndsWithStopAndCutsThePanelsParts) {
  CreatorRig rig;
  StyleCreatorSide& creator = rig.Creator();
  creator.Panel.Tempo = 96;
  creator.Panel.First[styles::kBasic] = 5;
  creator.Panel.Last[styles::kBasic] = 3;  // the larger box is the first: measures 5 to 5
  creator.Panel.First[styles::kEnding] = 6;
  creator.Panel.Last[styles::kEnding] = 7;
  rig.arranger->StyleControls.SaveStyleName = "ROCK1.VXS";  // loaded before: not the recording's name
  creator.RecordFromMidiIn(true);
  ASSERT_TRUE(creator.Recording());
  // Seven measures from the sequencer: its clock, and a note on every beat sent after the clock that
  // begins the beat, as a master sends them.
  for (int tick = 0; tick < 7 * 96; ++tick) {
    rig.Inject(1, {{0xF8, 0, 0}});
    if (tick % 24 == 0) rig.Inject(1, {{0x91, static_cast<uint8_t>(40 + tick / 24 % 12), 90}});
    if (tick % 24 == 12) rig.Inject(1, {{0x81, static_cast<uint8_t>(40 + tick / 24 % 12), 0}});
  }
  rig.arranger->Stop();
  EXPECT_FALSE(creator.Recording());
  const styles::Style& style = rig.arranger->Gen().CurrentStyle();
  // Every note came in, each on its beat: a part begins with its downbeat's note, not a tick before it.
  int notes = 0;
  styles::ForEachMessage(style.Stream(), 0, style.Length(),
                         [&](const styles::StreamMessage& m) { notes += m.Status == 0x91; });
  EXPECT_EQ(notes, 28);
  EXPECT_EQ(style.Parts[styles::kBasic].FirstMeasure, 5);
  EXPECT_EQ(style.Parts[styles::kBasic].LastMeasure, 5);
  EXPECT_EQ(style.Parts[styles::kEnding].LastMeasure, 7);
  EXPECT_EQ(styles::TicksIn(style.Stream(), style.Parts[styles::kBasic].StartOffset,
                            style.Parts[styles::kBasic].EndOffset + 1),
            96);
  for (const int part : {styles::kBasic, styles::kEnding}) {
    const styles::TStylePart& cut = style.Parts[static_cast<size_t>(part)];
    EXPECT_EQ(style.Stream()[static_cast<size_t>(cut.StartOffset)], 0x91) << part;
  }
  EXPECT_EQ(rig.arranger->Tempo(), 96);
  EXPECT_EQ(rig.dialogs.Messages().back(), kPartsCreatedMessage);
  EXPECT_EQ(rig.arranger->Gen().CurrentStylePath, "*.VXS");
  EXPECT_EQ(rig.arranger->StyleControls.SaveStyleName, "");
  EXPECT_TRUE(rig.arranger->Gen().StyleMode);
}

// What a session plays over a chart that uses every part, intro and ending included.
std::vector<std::string> PlayEveryPart(OfflineDriver& driver) {
  const auto chart = std::get<perform::ChordChart>(
      perform::ParseChordChart("C | C | C [Fill] | C [ToExtended] | C | C [Fill] | C [ToBasic] | C | C", 4));
  driver.Session().Settings().PlayIntro = true;
  const OfflineCapture capture = driver.Run(ChartTimeline(chart, driver.Session().Settings(), true));
  std::vector<std::string> sent;
  for (const midi::CapturedMessage& m : capture.Midiout()) {
    std::string line = std::to_string(m.Tick);
    for (uint8_t byte : m.Bytes) line += " " + std::to_string(byte);
    sent.push_back(line);
  }
  return sent;
}

TEST(StyleCreatorSide, ARepairedStyleIsCutWhereItsPartsPlayedAndPlaysAsBefore) {
  const config::testing::TempFolder folder;  // the program's folder, where the scratch file goes
  const auto bytes = host::ReadFilePrefix(std::string(KALO_SHIPPED_STYLES_DIR) + "/pop8.vxs", 1 << 20);
  ASSERT_TRUE(bytes);
  config::Settings settings = testing::QuietSettings();
  settings.PlayIntro = true;
  OfflineDriver original(settings, host::ProgramFolder(folder.Path()));
  OfflineDriver repaired(settings, host::ProgramFolder(folder.Path()));
  ASSERT_TRUE(original.LoadStyle("pop8.vxs", *bytes));
  ASSERT_TRUE(repaired.LoadStyle("pop8.vxs", *bytes));
  ASSERT_TRUE(repaired.Session().Creator().RepairStyle()) << repaired.Messages().back();
  const styles::PartTable& parts = repaired.Session().Gen().CurrentStyle().Parts;
  EXPECT_EQ(parts[styles::kIntro].FirstMeasure, 1);
  EXPECT_EQ(parts[styles::kBasic].FirstMeasure, 3);
  EXPECT_EQ(parts[styles::kEnding].LastMeasure, 12);
  EXPECT_TRUE(std::filesystem::exists(host::ProgramFolder(folder.Path()).WithExtension(".VX$")));
  // The repaired style as saved, played in a session of its own.
  const styles::Style& style = repaired.Session().Gen().CurrentStyle();
  OfflineDriver reloaded(settings, host::ProgramFolder(folder.Path()));
  ASSERT_TRUE(
      reloaded.LoadStyle("pop8.vxs", styles::SerializeStyleFile(style.Header, style.Parts, style.Stream())));
  EXPECT_EQ(PlayEveryPart(reloaded), PlayEveryPart(original));
}

TEST(StyleCreatorSide, AStructureFileMutesCutsItsPartsAndClearsTheOthers) {
  CreatorRig rig;
  std::vector<midi::CapturedMessage> notes;
  for (int q = 0; q < 40; ++q) notes.push_back({q * 24, {0x90, static_cast<uint8_t>(60 + q % 3 * 4), 100}});
  ASSERT_TRUE(rig.Creator().ImportMidiBytes(
      "song.mid", std::get<std::vector<uint8_t>>(midi::EncodeStandardMidiFile({.Messages = notes}))));
  ASSERT_TRUE(rig.Creator().CutPart(styles::kToBasic, {9, 9, 1, false, {}}));
  const std::string text =
      "[Channels]\nMuting=0111111111111111\n[Basic_1]\nStart=1\nEnd=4\n[FillBasic_1]\nStart=5\nEnd=0\n"
      "[Basic_2]\nStart=6\nEnd=8\n";
  const auto document = config::ProfileDocument::Parse(std::vector<uint8_t>(text.begin(), text.end()));
  ASSERT_TRUE(document);
  const auto reports = rig.Creator().CutFromStructure(*document, false);
  ASSERT_EQ(reports.size(), 2u);
  const styles::PartTable& parts = rig.arranger->Gen().CurrentStyle().Parts;
  EXPECT_EQ(parts[styles::kBasic].LastMeasure, 4);
  EXPECT_EQ(parts[styles::kFillInBasic].LastMeasure, 5);  // an end before the start is the start
  EXPECT_FALSE(parts[styles::kToBasic].Exists());         // not named: cleared
  EXPECT_TRUE(rig.arranger->HandMuted[0]);
  EXPECT_EQ(parts[styles::kBasic].Mute[0], 1);
  EXPECT_EQ(rig.Creator().Conversion.ConvertMode, 5);
  EXPECT_EQ(rig.Creator().CutFromStructure(*document, true).front().First, 6);
}

// Song mode plays the material from the "Start with ..." measure until the "Stop at ..." measure
// begins, untransposed, and every note it started has ended when it stops; the measure moves work
// right after the import.
TEST(StyleCreatorSide, SongModePlaysTheMaterialThroughItsWindowAndLeavesNoNoteSounding) {
  const config::testing::TempFolder folder;
  config::Settings settings = testing::QuietSettings();
  settings.Metrum = 2;
  struct Case {
    int Start, Beat, Stop, Forward;
    int FirstKey, LastKey;  // the keys heard: one a quarter note, 60 for the first
  };
  const Case cases[] = {
      {1, 1, 0, 0, 60, 83},  // the whole material
      {2, 1, 4, 0, 64, 71},  // measures 2 and 3
      {2, 3, 3, 0, 66, 67},  // from beat 3 of measure 2
      {1, 1, 0, 2, 68, 83},  // two measure moves after the import: play begins at measure 3
      {3, 1, 2, 0, 68, 83},  // a stop measure before the start does not stop it
  };
  for (const Case& c : cases) {
    OfflineDriver driver(settings, host::ProgramFolder(folder.Path()));
    std::vector<midi::CapturedMessage> notes;
    for (int q = 0; q < 24; ++q) {
      notes.push_back({q * 24, {0x92, static_cast<uint8_t>(60 + q), 100}});
      notes.push_back({q * 24 + 12, {0x82, static_cast<uint8_t>(60 + q), 0}});
    }
    StyleCreatorSide& creator = driver.Session().Creator();
    ASSERT_TRUE(creator.ImportMidiBytes(
        "song.mid", std::get<std::vector<uint8_t>>(midi::EncodeStandardMidiFile({.Messages = notes}))));
    styles::TGen& gen = driver.Session().Gen();
    gen.SwitchStyleMode(false);
    for (int i = 0; i < c.Forward; ++i) gen.MeasureForward();
    gen.SetSongWindow(c.Start, c.Beat, c.Stop);
    const OfflineCapture capture =
        driver.Run(Timeline().Do(0, [](Arranger& a) { a.Creator().PlayButton(); }));
    std::vector<int> heard;
    std::array<int, 128> sounding{};
    for (const midi::CapturedMessage& m : capture.Midiout()) {
      if (m.Bytes.size() < 3 || (m.Bytes[0] & 0x0F) != 2) continue;
      const int kind = m.Bytes[0] & 0xF0;
      if (kind == 0x90 && m.Bytes[2] > 0) {
        heard.push_back(m.Bytes[1]);
        ++sounding[m.Bytes[1]];
      } else if (kind == 0x80 || kind == 0x90) {
        sounding[m.Bytes[1]] = 0;
      } else if (kind == 0xB0 && m.Bytes[1] == 123) {
        sounding.fill(0);
      }
    }
    const std::string item =
        std::to_string(c.Start) + "." + std::to_string(c.Beat) + "-" + std::to_string(c.Stop);
    ASSERT_FALSE(heard.empty()) << item;
    EXPECT_EQ(heard.front(), c.FirstKey) << item;
    EXPECT_EQ(heard.back(), c.LastKey) << item;
    EXPECT_EQ(static_cast<int>(heard.size()), c.LastKey - c.FirstKey + 1) << item;
    EXPECT_EQ(std::count(sounding.begin(), sounding.end(), 0), 128) << item;
    EXPECT_FALSE(capture.Cut) << item;
    EXPECT_FALSE(gen.Playing) << item;
  }
}

}  // namespace
}  // namespace kalo::app

namespace kalo::app {
namespace {

// Parts written to MIDI files and read back into a style whose parts were emptied play as before: one
// part at a time, and the whole style as a set of files in one folder.
TEST(StyleCreatorSide, PartsExportedAndImportedBackPlayAsBefore) {
  const auto bytes = host::ReadFilePrefix(std::string(KALO_SHIPPED_STYLES_DIR) + "/pop8.vxs", 1 << 20);
  ASSERT_TRUE(bytes);
  config::Settings settings = testing::QuietSettings();
  settings.PlayIntro = true;
  const config::testing::TempFolder folder;
  OfflineDriver original(settings, host::ProgramFolder(folder.Path()));
  ASSERT_TRUE(original.LoadStyle("pop8.vxs", *bytes));
  const std::vector<std::string> expected = PlayEveryPart(original);

  for (int part : {styles::kBasic, styles::kFillInBasic, styles::kEnding}) {
    OfflineDriver driver(settings, host::ProgramFolder(folder.Path()));
    ASSERT_TRUE(driver.LoadStyle("pop8.vxs", *bytes));
    StyleCreatorSide& side = driver.Session().Creator();
    const std::string file = (folder.Path() / ("part" + std::to_string(part) + ".mid")).string();
    ASSERT_TRUE(side.SavePartAsMidi(file, part));
    driver.Session().Gen().ClearPart(part);
    ASSERT_TRUE(side.ImportPartFromMidi(file, part)) << driver.Messages().back();
    EXPECT_EQ(PlayEveryPart(driver), expected) << "part " << part;
  }

  const std::filesystem::path set = folder.Path() / "set";
  OfflineDriver driver(settings, host::ProgramFolder(folder.Path()));
  ASSERT_TRUE(driver.LoadStyle("pop8.vxs", *bytes));
  StyleCreatorSide& side = driver.Session().Creator();
  EXPECT_EQ(side.ExportPartSet(set.string()), styles::kPartCount);
  for (int p = 0; p < styles::kPartCount; ++p) driver.Session().Gen().ClearPart(p);
  EXPECT_EQ(side.ImportPartSet(set.string()), styles::kPartCount) << driver.Messages().back();
  EXPECT_EQ(PlayEveryPart(driver), expected);
  // A folder without part files changes nothing and says so.
  EXPECT_EQ(side.ImportPartSet(folder.Path().string() + "/none"), 0);
  EXPECT_NE(driver.Messages().back().find("No style part file found"), std::string::npos);

  // A set over an earlier one asks first; "No" writes nothing. "Yes" replaces it whole: the file of a
  // part the style no longer has is gone, so the next set import leaves that part empty.
  driver.Session().Gen().ClearPart(styles::kEnding);
  const auto ending = set / styles::ProposedPartFileName(styles::kEnding, false);
  const auto before =
      std::filesystem::last_write_time(set / styles::ProposedPartFileName(styles::kBasic, false));
  EXPECT_EQ(side.ExportPartSet(set.string()), 0);
  EXPECT_EQ(driver.Dialogs().Questions().back(), ReplacePartSetQuestion(host::PrintableName(set.string())));
  EXPECT_TRUE(std::filesystem::exists(ending));
  EXPECT_EQ(std::filesystem::last_write_time(set / styles::ProposedPartFileName(styles::kBasic, false)),
            before);
  driver.Dialogs().QueueAnswer(true);
  EXPECT_EQ(side.ExportPartSet(set.string()), styles::kPartCount - 1);
  EXPECT_FALSE(std::filesystem::exists(ending));
  for (int p = 0; p < styles::kPartCount; ++p) driver.Session().Gen().ClearPart(p);
  EXPECT_EQ(side.ImportPartSet(set.string()), styles::kPartCount - 1);
  EXPECT_FALSE(driver.Session().Gen().CurrentStyle().Parts[styles::kEnding].Exists());
}

// A part file that does not fit after a long recording: the player may let the style be repaired
// first, which keeps only the measures its parts play and makes room.
TEST(StyleCreatorSide, APartThatDoesNotFitIsImportedAfterTheStyleIsRepaired) {
  const config::testing::TempFolder folder;  // where the repair's scratch file goes
  config::Settings settings = testing::QuietSettings();
  settings.Metrum = 2;
  OfflineDriver driver(settings, host::ProgramFolder(folder.Path()));
  // `measures` measures of C major chords on every beat on channel `channel`.
  const auto chords = [](int measures, uint8_t channel) {
    std::vector<midi::CapturedMessage> notes;
    for (int q = 0; q < measures * 4; ++q)
      for (uint8_t key : {60, 64, 67}) {
        notes.push_back({q * 24, {static_cast<uint8_t>(0x90 | channel), key, 90}});
        notes.push_back({q * 24 + 20, {static_cast<uint8_t>(0x80 | channel), key, 0}});
      }
    std::stable_sort(notes.begin(), notes.end(),
                     [](const auto& a, const auto& b) { return a.Tick < b.Tick; });
    return std::get<std::vector<uint8_t>>(midi::EncodeStandardMidiFile({.Messages = notes}));
  };
  StyleCreatorSide& creator = driver.Session().Creator();
  ASSERT_TRUE(creator.ImportMidiBytes("long.mid", chords(1800, 1))) << driver.Messages().back();
  creator.Conversion.ConvertMode = 0;
  ASSERT_TRUE(creator.CutPart(styles::kBasic, {1, 2, 1, false, {}}));
  ASSERT_TRUE(creator.CutPart(styles::kEnding, {3, 4, 1, false, {}}));
  const styles::Style& style = driver.Session().Gen().CurrentStyle();
  const int32_t length = style.Length();
  // 200 measures: more than the room that is left.
  const std::string file = (folder.Path() / "fill.mid").string();
  ASSERT_FALSE(host::WriteFileSafely(file, chords(200, 2)));
  ASSERT_GT(length + 200 * 88, styles::kStreamCapacity);

  EXPECT_FALSE(creator.ImportPartFromMidi(file, styles::kFillInBasic));
  EXPECT_EQ(driver.Dialogs().Questions().back(), kMakeRoomQuestion);
  EXPECT_NE(driver.Messages().back().find("no room left"), std::string::npos);
  EXPECT_EQ(style.Length(), length);
  EXPECT_FALSE(style.Parts[styles::kFillInBasic].Exists());

  driver.Dialogs().QueueAnswer(true);
  ASSERT_TRUE(creator.ImportPartFromMidi(file, styles::kFillInBasic)) << driver.Messages().back();
  EXPECT_LT(style.Length(), length / 4);
  EXPECT_TRUE(style.Parts[styles::kBasic].Exists());
  EXPECT_TRUE(style.Parts[styles::kEnding].Exists());
  EXPECT_EQ(style.Parts[styles::kFillInBasic].LastMeasure - style.Parts[styles::kFillInBasic].FirstMeasure,
            199);
}

}  // namespace
}  // namespace kalo::app

namespace kalo::app {
namespace {

// "Work on all styles": each style of the folder is saved as loading it, working on it and saving it by
// hand gives; what is not a style is named and left as it was; stopping leaves the rest untouched.
TEST(StyleCreatorSide, WorkOnAllStylesSavesEachStyleAsTheSameWorkByHandAndLeavesTheRest) {
  const std::vector<std::string> names{"bossa.vxs", "pop8.vxs", "waltz.vxs"};
  config::Settings settings = testing::QuietSettings();
  for (StyleWork work : {StyleWork::Repair, StyleWork::NormalizeVolume}) {
    SCOPED_TRACE(work == StyleWork::Repair ? "repair" : "normalize");
    const config::testing::TempFolder folder;
    const std::filesystem::path styles = folder.Path() / "styles";
    std::filesystem::create_directory(styles);
    std::vector<std::vector<uint8_t>> expected;
    for (const std::string& name : names) {
      const auto bytes = host::ReadFilePrefix(std::string(KALO_SHIPPED_STYLES_DIR) + "/" + name, 1 << 20);
      ASSERT_TRUE(bytes);
      ASSERT_FALSE(host::WriteFileSafely(styles / name, *bytes));
      OfflineDriver byHand(settings, host::ProgramFolder(folder.Path()));
      ASSERT_TRUE(byHand.LoadStyle((styles / name).string(), *bytes));
      if (work == StyleWork::Repair)
        ASSERT_TRUE(byHand.Session().Creator().RepairStyle());
      else
        byHand.Session().Gen().NormalizeVolume();
      const styles::Style& style = byHand.Session().Gen().CurrentStyle();
      expected.push_back(styles::SerializeStyleFile(style.Header, style.Parts, style.Stream()));
      ASSERT_NE(expected.back(), *bytes);
    }
    const std::string broken = "not a style at all";
    ASSERT_FALSE(host::WriteFileSafely(styles / "broken.vxs", broken));
    ASSERT_FALSE(host::WriteFileSafely(styles / "notes.txt", broken));
    const auto original =
        host::ReadFilePrefix(std::string(KALO_SHIPPED_STYLES_DIR) + "/" + names[0], 1 << 20);

    OfflineDriver driver(settings, host::ProgramFolder(folder.Path()));
    ASSERT_TRUE(driver.LoadStyle((folder.Path() / "current.vxs").string(), *original));
    ASSERT_FALSE(host::WriteFileSafely(folder.Path() / "current.vxs", *original));
    StyleCreatorSide& side = driver.Session().Creator();
    // "No" changes nothing; stopped at the third style, the third is untouched.
    EXPECT_EQ(side.WorkOnAllStyles(styles.string(), work).Saved, 0);
    EXPECT_EQ(driver.Dialogs().Questions().back(),
              WorkOnAllStylesQuestion(work, 4, host::PrintableName(styles.string())));
    EXPECT_EQ(host::ReadFilePrefix(styles / names[0], 1 << 20), original);
    driver.Dialogs().QueueAnswer(true);
    driver.Dialogs().StopProgressAt(3);
    const AllStylesReport stopped = side.WorkOnAllStyles(styles.string(), work);
    EXPECT_TRUE(stopped.Stopped);
    EXPECT_EQ(stopped.Saved, 2);  // broken.vxs comes first and fails
    ASSERT_EQ(stopped.Failed.size(), 1u);
    EXPECT_NE(stopped.Failed[0].find("\"broken.vxs\": 18 bytes, too short for a style"), std::string::npos)
        << stopped.Failed[0];
    EXPECT_EQ(host::ReadFilePrefix(styles / names[2], 1 << 20),
              host::ReadFilePrefix(std::string(KALO_SHIPPED_STYLES_DIR) + "/" + names[2], 1 << 20));

    // Again from the start, to the end: the worked styles are worked on again, so compare a fresh copy.
    for (const std::string& name : names)
      ASSERT_FALSE(host::WriteFileSafely(
          styles / name, *host::ReadFilePrefix(std::string(KALO_SHIPPED_STYLES_DIR) + "/" + name, 1 << 20)));
    driver.Dialogs().QueueAnswer(true);
    driver.Dialogs().StopProgressAt(-1);
    const AllStylesReport report = side.WorkOnAllStyles(styles.string(), work);
    EXPECT_EQ(report.Saved, 3);
    EXPECT_FALSE(report.Stopped);
    for (size_t i = 0; i < names.size(); ++i)
      EXPECT_EQ(*host::ReadFilePrefix(styles / names[i], 1 << 20), expected[i]) << names[i];
    EXPECT_EQ(*host::ReadFilePrefix(styles / "broken.vxs", 1 << 20),
              std::vector<uint8_t>(broken.begin(), broken.end()));
    EXPECT_EQ(driver.Messages().back().substr(0, 15),
              "3 of 4 styles " + std::string(work == StyleWork::Repair ? "r" : "b"));
    // The style that was current is current again.
    EXPECT_EQ(driver.Session().Gen().CurrentStylePath, (folder.Path() / "current.vxs").string());
  }
}

}  // namespace
}  // namespace kalo::app
