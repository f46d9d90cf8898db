// The style preview: what it plays of a style, and the real-time player that sends it.

#include "app/style_preview.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "app/engine_rig.h"
#include "host/file_store.h"
#include "styles/style_file.h"
#include "styles/style_groups.h"

namespace kalo::app {
namespace {

TEST(StylePreview, PlaysEightBarsOfBasicThenTheFillAndLeavesNothingSounding) {
  struct Row {
    const char* Style;
    int BeatsPerMeasure;
  };
  for (const Row& row : {Row{"swing", 4}, Row{"jazzwaltz", 3}, Row{"polka", 2}, Row{"slowrock", 3}}) {
    const auto path = std::filesystem::path(KALO_SHIPPED_STYLES_DIR) / (std::string(row.Style) + ".vxs");
    const auto bytes = host::ReadFilePrefix(path, styles::kMaxStyleFileBytes);
    ASSERT_TRUE(bytes) << row.Style;
    const StylePreview preview =
        RenderStylePreview({}, host::ProgramFolder("/nonexistent"), path.string(), *bytes);
    ASSERT_TRUE(preview.Ok) << row.Style << ": " << preview.Error;
    const int64_t measure = int64_t{24} * row.BeatsPerMeasure;
    EXPECT_EQ(preview.Capture.Parts, (std::vector<std::pair<int64_t, int>>{
                                         {0, styles::kBasic}, {8 * measure, styles::kFillInBasic}}))
        << row.Style;
    EXPECT_FALSE(preview.Capture.Cut) << row.Style;
    EXPECT_LE(preview.Capture.Ticks, 9 * measure + 24) << row.Style;
    EXPECT_EQ(testing::StillSounding(preview.Capture.Midiout()), "") << row.Style;
  }
  const std::vector<uint8_t> notAStyle(10, 0);
  EXPECT_FALSE(RenderStylePreview({}, host::ProgramFolder("/nonexistent"), "x.vxs", notAStyle).Ok);
}

// Every shipped style stands in at least one group that takes styles; each entry names a style
// file that exists and shows that file's own metre, tempo and tracks.
TEST(ShippedGroupFile, HoldsEveryShippedStyleWithItsOwnSummary) {
  const styles::StyleGroupFile file = styles::StyleGroupFile::Open({KALO_SHIPPED_GROUP_FILE, {}});
  ASSERT_EQ(file.Problem(), "");
  std::set<std::string> grouped;
  for (int group = 1; group <= styles::kStyleGroupCount; ++group) {
    const std::vector<std::string> entries = file.Entries(group);
    EXPECT_TRUE(entries.empty() || !styles::HasSubGroups(group)) << group;
    for (const std::string& entry : entries) {
      const styles::GroupEntryText text = styles::ReadGroupEntry(entry);
      const auto summary = styles::ReadStyleSummary(text.Path);
      ASSERT_TRUE(summary) << entry;
      EXPECT_EQ(entry, styles::MakeGroupEntry(text.Path, *summary, text.Description));
      EXPECT_FALSE(text.Description.empty()) << entry;
      grouped.insert(std::filesystem::path(text.Path).stem().string());
    }
  }
  std::set<std::string> shipped;
  for (const auto& style : std::filesystem::directory_iterator(KALO_SHIPPED_STYLES_DIR))
    shipped.insert(style.path().stem().string());
  EXPECT_EQ(grouped, shipped);
}

TEST(PreviewPlayer, SendsEachMessageWhenItIsDueAndStopSilencesWhatSounds) {
  std::vector<std::vector<uint8_t>> sent;
  // At 120 bpm a beat is half a second; from tick 48 on, at 60 bpm, a whole second.
  PreviewPlayer player({{0, {0x90, 60, 100}},
                        {0, {0x91, 40, 90}},
                        {24, {0x90, 60, 0}},
                        {48, {0x92, 50, 80}},
                        {72, {0x80, 40, 0}}},
                       {{0, 120}, {48, 60}}, [&](const std::vector<uint8_t>& m) { sent.push_back(m); });
  EXPECT_DOUBLE_EQ(player.Seconds(), 2.0);
  struct Step {
    double Seconds;
    size_t Sent;
    bool More;
  };
  for (const Step& step : {Step{0.0, 2, true}, Step{0.49, 2, true}, Step{0.5, 3, true}, Step{1.2, 4, true}}) {
    EXPECT_EQ(player.Advance(step.Seconds), step.More) << step.Seconds;
    EXPECT_EQ(sent.size(), step.Sent) << step.Seconds;
  }
  player.Stop();
  const std::vector<std::vector<uint8_t>> silence = {
      {0x91, 40, 0}, {0x92, 50, 0}, {0xB0, 123, 0}, {0xB1, 123, 0}, {0xB2, 123, 0}};
  EXPECT_EQ(std::vector(sent.begin() + 4, sent.end()), silence);
  player.Stop();
  EXPECT_FALSE(player.Advance(5.0));
  EXPECT_EQ(sent.size(), 4 + silence.size());
}

}  // namespace
}  // namespace kalo::app
