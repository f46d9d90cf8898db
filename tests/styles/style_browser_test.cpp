// The Style-Manager's file browser: masks, the listing of a folder with each style's summary, and
// where it starts.

#include "styles/style_browser.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "config/temp_folder.h"
#include "styles/style_file.h"

namespace kalo::styles {
namespace {

using config::testing::TempFolder;

TEST(StyleMask, MatchesNamesByAnyOfItsPatternsIgnoringCase) {
  struct Row {
    const char* Name;
    const char* Mask;
    bool Matches;
  };
  const Row rows[] = {
      {"Rock1.VXS", "*rock*", true},
      {"pop8.vxs", "*8beat*", false},
      {"rock1.vxs", "*.vxs", true},
      {"rock1.vxs", "rock?.vxs", true},
      {"rock12.vxs", "rock?.vxs", false},
      {"b1-funk.vxs", "*a1-*;*b1-*", true},
      {"c2-funk.vxs", "*a1-*;*b1-*", false},
      {"abcabd", "*abd", true},
      {"x", "", false},
      {"ballad.vxs", " *lad* ; *x*", true},
  };
  for (const Row& row : rows)
    EXPECT_EQ(MatchesMask(row.Name, row.Mask), row.Matches) << row.Name << " " << row.Mask;
}

TEST(StyleMask, EnterAddsTheMissingStarAndTheReadyMasksCoverTheNumberedNames) {
  const std::pair<const char*, const char*> typed[] = {
      {"rock", "rock*"}, {"*rock*", "*rock*"}, {"", "*"}, {" *8beat ", "*8beat*"}};
  for (const auto& [text, mask] : typed) EXPECT_EQ(MaskFromEntry(text), mask) << text;

  const std::vector<std::string>& masks = ReadyMasks();
  ASSERT_FALSE(masks.empty());
  EXPECT_EQ(masks.front(), "*");
  EXPECT_EQ(masks.back(), "*20-*");
  for (const char* mask : {"*12beat*", "*16beat*", "*8beat*", "*ballad*", "*rock*", "*waltz*"})
    EXPECT_NE(std::find(masks.begin(), masks.end(), mask), masks.end()) << mask;
  // One mask per digit takes every letter before it, and only that digit.
  int digitMasks = 0;
  for (const std::string& mask : masks) {
    if (!MatchesMask("q3-x.vxs", mask) || mask == "*") continue;
    ++digitMasks;
    EXPECT_TRUE(MatchesMask("A3-ROCK.VXS", mask)) << mask;
    EXPECT_FALSE(MatchesMask("q4-x.vxs", mask)) << mask;
  }
  EXPECT_EQ(digitMasks, 1);
  EXPECT_EQ(FileCountText(12), "12 files");
  EXPECT_EQ(MaskHint(3), "Currently listed: 3 files; Press \"Enter\" (you may use * and ?)");
}

TEST(StyleBrowser, ListsTheStyleFilesOfTheMaskWithTheirSummaryAndTheFoldersToGoTo) {
  TempFolder folder;
  TStyleHeader header;
  header.Tempo = 96;
  header.MeasureLength = 12;
  header.ChannelUsed[0] = header.ChannelUsed[9] = header.ChannelUsed[2] = 1;
  const std::vector<uint8_t> style = SerializeStyleFile(header, PartTable{}, {});
  folder.Write("waltz.vxs", std::string(style.begin(), style.end()));
  folder.Write("Ballad.VXS", "");
  folder.Write("notes.txt", "");
  folder.Write(".hidden.vxs", "");
  folder.Write("sub/rock.vxs", "");
  ASSERT_EQ(mkfifo((folder.Path() / "pipe.vxs").c_str(), 0600), 0);

  StyleBrowser browser(folder.Path() / "sub" / "..");
  EXPECT_EQ(browser.Folder(), folder.Path());
  EXPECT_EQ(browser.Folders(), (std::vector<std::string>{"..", "sub"}));
  ASSERT_EQ(browser.Files().size(), 2u);
  EXPECT_EQ(browser.Files()[0].Name, "Ballad.VXS");
  EXPECT_EQ(browser.Files()[1].Summary, (StyleSummary{"3/4", 96, 3}));
  EXPECT_EQ(FileListText(browser.Files()[1]), "waltz.vxs                 3/4, 96 bpm, 3 tracks");

  browser.SetMask("*wal*");
  ASSERT_EQ(browser.Files().size(), 1u);
  browser.Enter("sub");
  EXPECT_TRUE(browser.Files().empty()) << "the mask stays";
  browser.SetMask("*");
  EXPECT_EQ(browser.Files().size(), 1u);
  browser.Enter("..");
  EXPECT_EQ(browser.Folder(), folder.Path());
  browser.Enter("missing");
  EXPECT_NE(browser.Problem(), "");
  EXPECT_TRUE(browser.Files().empty());
}

TEST(StyleBrowser, StartsInTheRememberedFolderElseTheProgramsStylesElseTheProgramFolder) {
  TempFolder folder;
  const host::ProgramFolder program(folder.Path());
  EXPECT_EQ(StartFolder("", program), folder.Path());
  std::filesystem::create_directories(program.Styles());
  EXPECT_EQ(StartFolder((folder.Path() / "gone").string(), program), program.Styles());
  folder.Write("mine/x.vxs", "");
  EXPECT_EQ(StartFolder((folder.Path() / "mine").string(), program), folder.Path() / "mine");
  EXPECT_FALSE(IsDraggableStyle("/s/Want More !!! .VXS"));
  EXPECT_TRUE(IsDraggableStyle("/s/want more.vxs"));
}

}  // namespace
}  // namespace kalo::styles
