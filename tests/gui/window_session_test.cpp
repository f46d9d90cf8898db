#include "gui/window_session.h"

#include <gtest/gtest.h>

#include <QImage>

#include "config/settings_keys.h"
#include "gui/session_rig.h"

namespace kalo::gui {
namespace {

using testing::SessionRig;

std::string IniValue(const std::string& ini, const std::string& key) {
  const std::string prefix = "\n" + key + "=";
  const size_t at = ini.find(prefix);
  if (at == std::string::npos) return "<missing>";
  const size_t start = at + prefix.size();
  return ini.substr(start, ini.find_first_of("\r\n", start) - start);
}

TEST(WindowSession, StartReadsTheSettingsBeforeOpeningTheStoredDevices) {
  SessionRig rig("[Options]\nMIDI-OUT=1\nTempo3=100\n");
  EXPECT_FALSE(rig.Session->FirstStart());
  EXPECT_TRUE(rig.Ports->OutputOpen(1));
  EXPECT_FALSE(rig.Ports->OutputOpen(0));
  EXPECT_EQ(rig.Arranger().Settings().Tempo3, 100);
  EXPECT_TRUE(rig.Main().isVisible());
  EXPECT_FALSE(ToolWindows::WindowOf(&rig.Session->Configuration())->isVisible());
}

TEST(WindowSession, AFirstStartOpensTheConfigurationWindow) {
  SessionRig rig(std::nullopt);
  EXPECT_TRUE(rig.Session->FirstStart());
  QTRY_VERIFY(ToolWindows::WindowOf(&rig.Session->Configuration())->isVisible());
}

TEST(WindowSession, ExitStopsWritesTheSettingsClosesTheWindowsAndStopsTheClock) {
  SessionRig rig;
  rig.Show<ToolPanel>("Mixer");
  rig.Arranger().Settings().Tempo2 = 97;
  ASSERT_TRUE(rig.Timer.IsOpen());
  rig.Main().Action("E&xit")->trigger();
  EXPECT_FALSE(rig.Timer.IsOpen());  // the clock is stopped
  EXPECT_EQ(rig.Session->SettingsWritten(), config::SettingsWriteResult::Written);
  const std::string ini = config::testing::ReadText(rig.Folder.Path() / "kalo.ini");
  EXPECT_EQ(IniValue(ini, "Tempo2"), "97");
  EXPECT_EQ(IniValue(ini, "MIDI-OUT"), "0");  // the device keys are always written
  EXPECT_EQ(IniValue(ini, "MIDISUB-OUT"), "-2") << "no second output, not the place of \"<None>\"";
  EXPECT_FALSE(rig.Main().isVisible());
  EXPECT_FALSE(ToolWindows::WindowOf(rig.Main().Tools().Find("Mixer"))->isVisible());
}

TEST(WindowSession, ClosingTheMainWindowRunsTheSameShutdownOnce) {
  SessionRig rig("[Options]\nAutoload=0\n");
  rig.Main().close();
  rig.Main().Action("E&xit")->trigger();
  EXPECT_EQ(rig.Session->SettingsWritten(), config::SettingsWriteResult::AutoSaveOff);
  EXPECT_EQ(config::testing::ReadText(rig.Folder.Path() / "kalo.ini"), "[Options]\nAutoload=0\n");
}

}  // namespace
}  // namespace kalo::gui

namespace kalo::gui {
namespace {

TEST(MainWindow, TheBackgroundShowsTheColourAndTheTiledPictureOfTheSettings) {
  testing::SessionRig rig;
  QImage tile(4, 4, QImage::Format_RGB32);
  tile.fill(QColor(200, 10, 10));
  const std::string picture = (rig.Folder.Path() / "tile.png").string();
  ASSERT_TRUE(tile.save(QString::fromStdString(picture)));
  const struct {
    const char* Name;
    bool PicVis;
    QColor Expected;
  } rows[] = {{"picture shown", true, QColor(200, 10, 10)},
              {"picture hidden: the colour", false, QColor(0, 128, 255)}};
  for (const auto& row : rows) {
    config::Settings& settings = rig.Arranger().Settings();
    settings.Picture = picture;
    settings.PicVis = row.PicVis;
    settings.Color = 0x00FF8000;  // 0x00BBGGRR
    rig.Main().Refresh();
    const QImage shown = rig.Main().centralWidget()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(1, 1), row.Expected) << row.Name;
    EXPECT_EQ(shown.pixelColor(shown.width() - 2, shown.height() - 2), row.Expected) << row.Name;
  }
}

}  // namespace
}  // namespace kalo::gui
