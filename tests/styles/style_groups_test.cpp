// The group file: its entries, the reading stop, the fixed outline, and the group list's commands
// with their questions, as a player answers them.

#include "styles/style_groups.h"

#include <gtest/gtest.h>

#include "config/temp_folder.h"
#include "styles/style_file.h"

namespace kalo::styles {
namespace {

using config::testing::ReadText;
using config::testing::TempFolder;

const StyleSummary kFourFour{"4/4", 120, 8};

TEST(StyleGroupEntry, IsBuiltInTheFixedColumnsAndReadsBackItsThreeTexts) {
  struct Row {
    std::string Path, Description, Entry, Info;
  };
  const Row rows[] = {
      {"/home/p/MyStyle.vxs", "Slow",
       "mystyle.vxs              Met: 4/4  Beat: 120  Tracks: 8{1}Slow{2}/home/p/MyStyle.vxs",
       "Met: 4/4  Beat: 120  Tracks: 8"},
      // cut to 25 characters; a name of two-byte letters is counted in letters, not bytes
      {"/s/A_Very_Long_Style_Name_Indeed.vxs", "",
       "a_very_long_style_name_inMet: 4/4  Beat: 120  Tracks: 8{1}{2}/s/A_Very_Long_Style_Name_Indeed.vxs",
       "Met: 4/4  Beat: 120  Tracks: 8"},
      {"/s/ÄÖÜ.vxs", "x", "ÄÖÜ.vxs                  Met: 4/4  Beat: 120  Tracks: 8{1}x{2}/s/ÄÖÜ.vxs",
       "Met: 4/4  Beat: 120  Tracks: 8"},
      // markers and line breaks typed in the description cannot move the path
      {"/s/a.vxs", "one{2}two\nthree",
       "a.vxs                    Met: 4/4  Beat: 120  Tracks: 8{1}one   two three{2}/s/a.vxs",
       "Met: 4/4  Beat: 120  Tracks: 8"},
  };
  for (const Row& row : rows) {
    const std::string entry = MakeGroupEntry(row.Path, kFourFour, row.Description);
    EXPECT_EQ(entry, row.Entry) << row.Path;
    const GroupEntryText text = ReadGroupEntry(entry);
    EXPECT_EQ(text.Info, row.Info) << row.Path;
    EXPECT_EQ(text.Path, row.Path);
  }
  EXPECT_EQ(ReadGroupEntry(rows[0].Entry).Description, "Slow");
}

TEST(StyleGroupOutline, HasSixtySixGroupsOfWhichTheParentsTakeNoStyles) {
  std::vector<int> parents;
  for (int n = 1; n <= kStyleGroupCount; ++n)
    if (HasSubGroups(n)) parents.push_back(n);
  EXPECT_EQ(parents, (std::vector<int>{1, 6, 14, 19, 23, 31, 36, 51}));
  EXPECT_EQ(GroupNumberOf("jazz/swing"), 39);
  EXPECT_EQ(GroupNumberOf("Country/Bluegr"), 27);
  EXPECT_EQ(GroupNumberOf("Reggae"), 47);
  EXPECT_EQ(GroupNumberOf("Sessions/#15"), 66);
  EXPECT_EQ(GroupNumberOf("Swing"), std::nullopt);
}

TEST(StyleGroupFile, ReadingStopsAtTheFirstMissingOrEmptyKey) {
  TempFolder temp;
  const auto path =
      temp.Write("kalo.VXG", "[Group2]\n0=a\n1=b\n3=d\n[Group3]\n0=x\n1=\n2=z\n[Group4]\n1=late\n");
  const StyleGroupFile file = StyleGroupFile::Open({path, path});
  EXPECT_EQ(file.Entries(2), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(file.Entries(3), (std::vector<std::string>{"x"}));
  EXPECT_TRUE(file.Entries(4).empty());
  EXPECT_TRUE(file.Entries(5).empty());
}

TEST(StyleGroupFile, AGroupWrittenIsReadBackEntryForEntryAndOtherGroupsStay) {
  TempFolder temp;
  const auto path = temp.Write("kalo.VXG", "; mine\n[Group39]\n0=old0\n1=old1\n2=old2\n[Group47]\n0=keep\n");
  StyleGroupFile file = StyleGroupFile::Open({path, path});
  const std::vector<std::string> entries = {MakeGroupEntry("/s/swing.vxs", kFourFour, "Medium swing"),
                                            MakeGroupEntry("/s/My Style.vxs", {"3/4", 150, 5}, " blanks ")};
  EXPECT_EQ(file.SaveGroup(39, entries), std::nullopt);
  const StyleGroupFile again = StyleGroupFile::Open({path, path});
  EXPECT_EQ(again.Entries(39), entries);
  EXPECT_EQ(again.Entries(47), (std::vector<std::string>{"keep"}));
  EXPECT_EQ(ReadText(path).rfind("; mine\n", 0), 0u);
}

TEST(StyleGroupFile, EntriesWithStrayCarriageReturnsReadTheSameAfterASave) {
  TempFolder temp;
  const auto path = temp.Write("kalo.VXG", "[Group2]\r\n0=\r; c\rc\r\n1=a\rb\r\r\n2=\r \r\n");
  StyleGroupFile file = StyleGroupFile::Open({path, path});
  const std::vector<std::string> entries = file.Entries(2);
  EXPECT_EQ(entries, (std::vector<std::string>{"; c c", "a b"}));
  EXPECT_EQ(file.SaveGroup(2, entries), std::nullopt);
  EXPECT_EQ(StyleGroupFile::Open({path, path}).Entries(2), entries);
}

TEST(StyleGroupFile, AFileThatIsNoProfileIsNeverOverwritten) {
  TempFolder temp;
  const auto path = temp.Write("kalo.VXG", "just some words\n");
  StyleGroupFile file = StyleGroupFile::Open({path, path});
  EXPECT_FALSE(file.Problem().empty());
  EXPECT_NE(file.SaveGroup(2, {"a"}), std::nullopt);
  EXPECT_EQ(ReadText(path), "just some words\n");
}

TEST(StyleGroupFile, LivesBesideTheProgramOrBesideTheSettingsWhenTheProgramFolderIsReadOnly) {
  TempFolder temp;
  const host::ProgramFolder program(temp.Path() / "bin");
  const auto settings = temp.Path() / "config" / "kalo.ini";
  const auto shipped = temp.Path() / "bin" / "kalo.VXG";
  const auto own = temp.Path() / "config" / "kalo.VXG";
  EXPECT_EQ(LocateGroupFile(program, settings, true).Write, shipped);
  EXPECT_EQ(LocateGroupFile(program, settings, false).Read, shipped);
  EXPECT_EQ(LocateGroupFile(program, settings, false).Write, own);
  // Installed: the shipped file in the data folder, the player's own beside the settings, always.
  const host::ProgramFolder installed(temp.Path() / "bin", "kalo", temp.Path() / "share/kalo");
  EXPECT_EQ(LocateGroupFile(installed, settings, true).Read, temp.Path() / "share/kalo/kalo.VXG");
  EXPECT_EQ(LocateGroupFile(installed, settings, true).Write, own);
  temp.Write("config/kalo.VXG", "[Group1]\n");
  EXPECT_EQ(LocateGroupFile(program, settings, false).Read, own);
}

// A group list over group `group` of a file holding `entries` there.
struct ListBench {
  TempFolder Temp;
  std::filesystem::path Path = Temp.Path() / "kalo.VXG";
  StyleGroupFile File{{Path, Path}};
  host::RecordingDialogs Dialogs;
  StyleGroupList List{File, Dialogs};

  ListBench(int group, const std::vector<std::string>& entries, std::vector<bool> answers) {
    File.SaveGroup(group, entries);
    List.ShowGroup(group);
    for (bool answer : answers) Dialogs.QueueAnswer(answer);
  }
};

TEST(StyleGroupList, AddOrEditAsksAndChangesTheGroupAsAnswered) {
  const std::string swingPath = "/s/Swing.vxs";
  const std::string swing = MakeGroupEntry(swingPath, kFourFour, "old");
  const std::string other = MakeGroupEntry("/s/other.vxs", kFourFour, "");
  const std::string added = MakeGroupEntry(swingPath, kFourFour, "new");
  const std::string edit = "Edit the description of \"Swing.vxs\" (loaded style) ?";
  const std::string add = "Add \"Swing.vxs\" to group \"Swing\" ?";
  struct Row {
    const char* What;
    int Group;
    std::string Current;
    std::vector<std::string> Before;
    int Selected;
    std::vector<bool> Answers;
    std::vector<std::string> Asked, Told, After;
  };
  const Row rows[] = {
      {"added at the selection", 39, swingPath, {other, other}, 1, {true}, {add}, {}, {other, added, other}},
      {"not added on No", 39, swingPath, {other}, 0, {false}, {add}, {}, {other}},
      {"edited in place", 39, swingPath, {other, swing}, 0, {true}, {edit}, {}, {other, added}},
      {"already there, No adds nothing", 39, swingPath, {swing}, 0, {false}, {edit}, {}, {swing}},
      {"the second copy offered after No",
       39,
       swingPath,
       {swing, swing},
       0,
       {false, true},
       {edit, edit},
       {},
       {swing, added}},
      {"no style loaded", 39, "", {other}, 0, {}, {}, {"No style loaded !"}, {other}},
      {"a group with sub-groups", 36, swingPath, {}, -1, {}, {}, {}, {}},
  };
  for (const Row& row : rows) {
    ListBench bench(row.Group, row.Before, row.Answers);
    bench.List.Select(row.Selected);
    bench.List.AddOrEditCurrentStyle(row.Current, kFourFour, "new");
    EXPECT_EQ(bench.Dialogs.Questions(), row.Asked) << row.What;
    EXPECT_EQ(bench.Dialogs.Messages(), row.Told) << row.What;
    EXPECT_EQ(bench.List.Entries(), row.After) << row.What;
    EXPECT_EQ(bench.File.Entries(row.Group), row.After) << row.What;
    EXPECT_EQ(StyleGroupFile::Open({bench.Path, bench.Path}).Entries(row.Group), row.After) << row.What;
    EXPECT_EQ(bench.List.Selected(), row.After.empty() ? -1 : std::max(row.Selected, 0)) << row.What;
  }
}

TEST(StyleGroupList, RemoveAndRemoveAllAskAndSaveAsAnswered) {
  struct Row {
    const char* What;
    bool All;
    int Selected;
    bool Answer;
    std::vector<std::string> Asked, After;
    int SelectedAfter;
  };
  const std::vector<std::string> abc = {"alpha-style-one.vxs", "b", "c"};
  const Row rows[] = {
      {"remove the first", false, 0, true, {"Remove alpha-style-... ?"}, {"b", "c"}, 0},
      {"remove the last", false, 2, true, {"Remove c... ?"}, {"alpha-style-one.vxs", "b"}, 1},
      {"remove, No", false, 1, false, {"Remove b... ?"}, abc, 1},
      {"remove all", true, 1, true, {"Remove all styles ?"}, {}, -1},
      {"remove all, No", true, 1, false, {"Remove all styles ?"}, abc, 1},
  };
  for (const Row& row : rows) {
    ListBench bench(41, abc, {row.Answer});
    bench.List.Select(row.Selected);
    row.All ? bench.List.RemoveAll() : bench.List.Remove();
    EXPECT_EQ(bench.Dialogs.Questions(), row.Asked) << row.What;
    EXPECT_EQ(bench.List.Entries(), row.After) << row.What;
    EXPECT_EQ(StyleGroupFile::Open({bench.Path, bench.Path}).Entries(41), row.After) << row.What;
    EXPECT_EQ(bench.List.Selected(), row.SelectedAfter) << row.What;
  }
}

TEST(StyleGroupList, RemoveAnsweredNoStillRewritesTheGroupInListOrder) {
  TempFolder temp;
  const auto path = temp.Write("kalo.VXG", "[Group41]\n1=b\n0=a\n5=stale\n");
  StyleGroupFile file = StyleGroupFile::Open({path, path});
  host::RecordingDialogs dialogs;
  dialogs.QueueAnswer(false);
  StyleGroupList list(file, dialogs);
  list.ShowGroup(41);
  list.Remove();
  EXPECT_EQ(ReadText(path), "[Group41]\n0=a\n1=b\n");
}

TEST(StyleSummary, GivesTheMetreCaptionTempoAndUsedChannelsFromTheHeader) {
  struct Row {
    int16_t MeasureLength;
    bool VersionWord;
    std::string Metre;
  };
  const Row rows[] = {
      {16, true, "4/4"}, {12, false, "3/4"}, {-12, true, "6/8"}, {0, true, "4/4"}, {8, true, "2/4"}};
  for (const Row& row : rows) {
    TStyleHeader header;
    header.Tempo = 96;
    header.MeasureLength = row.MeasureLength;
    header.ChannelUsed[1] = header.ChannelUsed[9] = header.ChannelUsed[15] = 1;
    std::vector<uint8_t> bytes = SerializeStyleFile(header, {}, {});
    if (!row.VersionWord) bytes.erase(bytes.begin(), bytes.begin() + 4);
    EXPECT_EQ(SummarizeStyle(bytes), (StyleSummary{row.Metre, 96, 3})) << row.MeasureLength;
  }
  EXPECT_EQ(SummaryText({"6/8", 84, 5}), "6/8, 84 bpm, 5 tracks");
}

}  // namespace
}  // namespace kalo::styles
