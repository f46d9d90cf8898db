// The Style-Manager's session work where the window cannot show it: the preview rendered and sent in
// real time when no MIDI output is open, and the last-used styles.

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

  config::testing::TempFolder Folder;
  StyleManagerSide& side = arranger->StyleManager();
};

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
