// The Style-Manager's session work: preview through the session or rendered, the keys and the mouse
// of its lists, dropping a file on a group, and the last-used styles.

#include "app/style_manager_side.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/arranger_rig.h"
#include "app/engine_rig.h"
#include "config/recent_styles.h"
#include "config/temp_folder.h"

namespace kalo::app {
namespace {

const std::filesystem::path kStyles = KALO_SHIPPED_STYLES_DIR;

struct ManagerRig : testing::ArrangerRig {
  ManagerRig() {
    StartAndSettle();
    side.SetGroupFileLocation({Folder.Path() / "kalo.VXG", Folder.Path() / "kalo.VXG"});
    side.UseClock(clock);
    side.Browser().SetFolder(kStyles);
  }
  // What output 0 received, as captured messages for the sounding-notes check.
  std::vector<midi::CapturedMessage> Heard() {
    std::vector<midi::CapturedMessage> heard;
    for (auto& bytes : Sent(0)) heard.push_back({0, bytes});
    return heard;
  }
  int NotesHeard() {
    int notes = 0;
    for (const auto& m : Sent(0)) notes += (m[0] & 0xF0) == 0x90 && m[2] > 0 ? 1 : 0;
    return notes;
  }
  void Tick(int ticks) {
    for (int i = 0; i < ticks; ++i) arranger->Clock().OnTick();
  }

  config::testing::TempFolder Folder;
  StyleManagerSide& side = arranger->StyleManager();
  styles::TGen& gen = arranger->Gen();
};

TEST(StyleManagerSide, PreviewThroughTheSessionRepeatsBasicAndStopLeavesNothingSounding) {
  ManagerRig rig;
  rig.side.ClickFile("swing.vxs");
  rig.side.Play();
  EXPECT_EQ(rig.gen.CurrentStylePath, (kStyles / "swing.vxs").string());
  EXPECT_TRUE(rig.side.Playing());
  EXPECT_FALSE(rig.side.PreviewRunning());
  EXPECT_EQ(rig.gen.RunningPart, styles::kBasic);
  EXPECT_EQ(rig.gen.Successor, styles::kSuccessorRepeat);
  rig.Tick(24 * 4 * 10);  // past the end of the part: it repeats
  EXPECT_TRUE(rig.side.Playing());
  EXPECT_GT(rig.NotesHeard(), 20);
  rig.side.Stop();
  EXPECT_FALSE(rig.side.Playing());
  EXPECT_EQ(testing::StillSounding(rig.Heard()), "");
  EXPECT_EQ(config::RecentStyles(rig.arranger->Settings()),
            std::vector<std::string>{(kStyles / "swing.vxs").string()});
}

TEST(StyleManagerSide, WithoutMidioutTheRenderedPreviewPlaysOnTheDefaultOutputInRealTime) {
  for (const bool stopEarly : {true, false}) {
    ManagerRig rig;
    rig.arranger->Devices().Midiout().Close();
    rig.side.ClickFile("bossa.vxs");
    rig.side.Play();
    ASSERT_TRUE(rig.side.PreviewRunning()) << rig.dialogs.Messages().size();
    EXPECT_TRUE(rig.virtualPorts->OutputOpen(0));
    rig.clock.Advance(1'000'000);
    rig.side.Pump();
    const int afterOneSecond = rig.NotesHeard();
    EXPECT_GT(afterOneSecond, 2);
    rig.clock.Advance(1'000'000);
    rig.side.Pump();
    EXPECT_GT(rig.NotesHeard(), afterOneSecond) << "the notes come as their time comes";
    if (stopEarly) {
      rig.side.Stop();  // as the main window's Stop
    } else {
      rig.clock.Advance(60'000'000);
      rig.side.Pump();
    }
    EXPECT_FALSE(rig.side.PreviewRunning());
    EXPECT_FALSE(rig.side.Playing());
    EXPECT_FALSE(rig.virtualPorts->OutputOpen(0));
    EXPECT_EQ(testing::StillSounding(rig.Heard()), "") << stopEarly;
  }
}

TEST(StyleManagerSide, SpaceAndTheRightButtonStopWhatPlaysElseLoadOrPreview) {
  ManagerRig rig;
  const std::string waltz = (kStyles / "waltz.vxs").string();
  const std::string funk = (kStyles / "funk.vxs").string();
  styles::StyleGroupFile file({rig.Folder.Path() / "kalo.VXG", rig.Folder.Path() / "kalo.VXG"});
  file.SaveGroup(44, {styles::MakeGroupEntry(funk, *styles::ReadStyleSummary(funk), "Funk")});
  rig.side.ShowGroup(44);

  struct Step {
    const char* What;
    std::function<void()> Do;
    bool Playing;
    std::string Current;
  };
  const Step steps[] = {
      {"space in the group list loads", [&] { rig.side.Space(ManagerList::Group); }, false, funk},
      {"right button on another file previews it", [&] { rig.side.RightClickFile("waltz.vxs"); }, true,
       waltz},
      {"space stops", [&] { rig.side.Space(ManagerList::Files); }, false, waltz},
      {"space in the file list previews", [&] { rig.side.Space(ManagerList::Files); }, true, waltz},
      {"right button on the selected file stops", [&] { rig.side.RightClickFile("waltz.vxs"); }, false,
       waltz},
      {"right button on the selected file plays", [&] { rig.side.RightClickFile("waltz.vxs"); }, true, waltz},
      {"right button on the entry previews it", [&] { rig.side.RightClickEntry(0); }, true, funk},
      {"space in the group list stops", [&] { rig.side.Space(ManagerList::Group); }, false, funk},
  };
  for (const Step& step : steps) {
    step.Do();
    EXPECT_EQ(rig.side.Playing(), step.Playing) << step.What;
    EXPECT_EQ(rig.gen.CurrentStylePath, step.Current) << step.What;
  }
  EXPECT_EQ(testing::StillSounding(rig.Heard()), "");
}

TEST(StyleManagerSide, ADroppedFileIsLoadedAndAddedOrItsDescriptionEdited) {
  ManagerRig rig;
  const std::string samba = (kStyles / "samba.vxs").string();
  rig.side.ShowGroup(33);
  rig.dialogs.SetDefaultAnswer(true);
  rig.side.DropFile(samba, "Batucada");
  EXPECT_EQ(rig.gen.CurrentStylePath, samba);
  rig.side.DropFile(samba, "Samba school");
  rig.side.DropFile((kStyles / "want more !!! .vxs").string(), "never");
  std::vector<std::string> asked;
  for (const auto& entry : rig.dialogs.Entries()) asked.push_back(entry.Text);
  EXPECT_EQ(asked, (std::vector<std::string>{"Add \"samba.vxs\" to group \"Samba\" ?",
                                             "Edit the description of \"samba.vxs\" (loaded style) ?"}));
  // Read back from the file, as the next run reads it.
  const auto saved = styles::StyleGroupFile::Open({rig.Folder.Path() / "kalo.VXG", {}}).Entries(33);
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(styles::ReadGroupEntry(saved[0]).Description, "Samba school");
  EXPECT_EQ(styles::ReadGroupEntry(saved[0]).Info, "Met: 4/4  Beat: 100  Tracks: 5");
}

TEST(StyleManagerSide, ALastUsedStyleThatIsGoneLeavesTheListAfterItsMessage) {
  ManagerRig rig;
  config::Settings& settings = rig.arranger->Settings();
  const std::string gone = (rig.Folder.Path() / "gone.vxs").string();
  config::RememberRecentStyle(settings, gone);
  EXPECT_EQ(rig.side.LoadRecent(gone), styles::LoadOutcome::NotFound);
  EXPECT_EQ(rig.dialogs.Messages(), std::vector<std::string>{"Style not found !"});
  EXPECT_TRUE(config::RecentStyles(settings).empty());
  rig.dialogs.QueueFile((kStyles / "tango.vxs").string());
  EXPECT_EQ(rig.side.LoadByDialog(), styles::LoadOutcome::Loaded);
  EXPECT_EQ(config::RecentStyles(settings), std::vector<std::string>{(kStyles / "tango.vxs").string()});
}

}  // namespace
}  // namespace kalo::app
