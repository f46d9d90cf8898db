#include "gui/configuration_window.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <tuple>

#include "config/settings_keys.h"
#include "gui/session_rig.h"

namespace kalo::gui {
namespace {

using testing::SessionRig;

// Settings that differ from the defaults in every key the window shows.
config::Settings Unusual() {
  config::Settings s;
  s.FillIn = 5, s.Ending = 7, s.ToAdv = 9, s.ToBasic = 11, s.FirstKey = 1, s.LastKey = 10;
  s.OctFillin = 1, s.OctEnding = 2, s.OctToAdv = 4, s.OctToBasic = 5, s.OctFirstKey = 2, s.OctLastKey = 9;
  s.Quantize = 7, s.Metrum = 8, s.KLayout = 1, s.AccChannel = 16, s.Redirect = true, s.KSmart = true;
  s.PName = "seq --live", s.Connection = "port 2", s.AutoConnect = false, s.PatchMode = 2;
  s.StyleDir = "/styles", s.Tempo1 = 25, s.Tempo2 = 250, s.Tempo3 = 111, s.Tempo4 = 99, s.VolOffset = 0;
  s.MuteHarmonic = false, s.Pad = false, s.PadItemIndex = 3, s.PlayIntro = false, s.PlayEnding = false;
  s.VelOffset = -20, s.Buttons = false, s.TabSet = false, s.BackGrd = false, s.Color = 0x00336699;
  s.Picture = "/pictures/wood.bmp", s.PicVis = false, s.Sync = 10, s.SChange = 2, s.AdLib = true;
  s.TwoFingerChords = true, s.Adjust = true, s.NVDef = true, s.Reverb = true, s.RevDef = true, s.RevV = 127;
  s.Rev10V = 1, s.ChordTypes = "01020304050607080910", s.SCG = false, s.MPU = false, s.Autoload = false;
  s.SoundFont = "/sf2/piano.sf2", s.SynthDriver = 3, s.SynthLatency = 40;
  return s;
}

TEST(ConfigurationWindow, OkWritesBackExactlyWhatItShows) {
  SessionRig rig;
  ConfigurationWindow& window = rig.Session->Configuration();
  config::Settings shown = Unusual();
  // An XG list keeps the patch mode that loading the list sets again.
  shown.Patch = rig.Folder
                    .Write("xg.vxi",
                           "001 000 000 Piano\n002 000 000 Bright\n003 000 000 E.Grand\n"
                           "004 000 000 Honky\n 2\n")
                    .string();
  rig.Arranger().Settings() = shown;
  window.Refresh();
  config::Settings blank;
  blank.Patch = shown.Patch;
  rig.Arranger().Settings() = blank;
  window.Accept();
  const config::Settings& taken = rig.Arranger().Settings();
  for (const ConfigurationField& field : ConfigurationFields()) {
    for (const char* name : {field.Key, field.SecondKey}) {
      if (name == nullptr) continue;
      const config::SettingsKey& key = *config::FindSettingsKey(name);
      EXPECT_EQ(config::FormatSettingsValue(taken, key), config::FormatSettingsValue(shown, key)) << name;
    }
  }
  EXPECT_EQ(std::tie(taken.SoundFont, taken.SynthDriver, taken.SynthLatency),
            std::tie(shown.SoundFont, shown.SynthDriver, shown.SynthLatency));
  EXPECT_TRUE(rig.Arranger().Options().MelodyAdLib);  // the options that mirror a setting follow it
}

TEST(ConfigurationWindow, WhatThePlayerChangesIsTakenOnOkAndDroppedOnCancel) {
  SessionRig rig;
  auto& window = rig.Show<ConfigurationWindow>("Configuration");
  auto* tempo = qobject_cast<QSpinBox*>(window.Field("Tempo3"));
  auto* metrum = qobject_cast<QComboBox*>(window.Field("Metrum"));
  auto* autoSave = qobject_cast<QCheckBox*>(window.Field("Autoload"));
  auto* picture = qobject_cast<QLineEdit*>(window.Field("Picture"));
  ASSERT_TRUE(tempo && metrum && autoSave && picture);
  tempo->setValue(132);
  metrum->setCurrentText("3/4");
  picture->setText("/tmp/backdrop.png");
  QTest::mouseClick(window.findChild<QWidget*>("Cancel"), Qt::LeftButton);
  EXPECT_EQ(rig.Arranger().Settings().Tempo3, 120);
  EXPECT_EQ(tempo->value(), 120);

  rig.Main().ShowPanel("Configuration");
  tempo->setValue(132);
  metrum->setCurrentText("3/4");
  autoSave->setChecked(false);
  picture->setText("/tmp/backdrop.png");
  QTest::mouseClick(window.findChild<QWidget*>("OK"), Qt::LeftButton);
  const config::Settings& settings = rig.Arranger().Settings();
  EXPECT_EQ(settings.Tempo3, 132);
  EXPECT_EQ(settings.Metrum, 3);
  EXPECT_FALSE(settings.Autoload);
  EXPECT_EQ(settings.Picture, "/tmp/backdrop.png");
  EXPECT_FALSE(ToolWindows::WindowOf(&window)->isVisible());
}

TEST(ConfigurationWindow, TheDeviceListsEndInNoneAndAChoiceActsAtOnce) {
  SessionRig rig;
  auto& window = rig.Show<ConfigurationWindow>("Configuration");
  const std::pair<const char*, QStringList> lists[] = {
      {"MIDI out", {"Synth A", "Synth B", "<None>"}},
      {"MIDI in", {"Keys", "<None>"}},
      {"2nd MIDI out", {"Synth A", "Synth B", "<None>"}},
      {"Ext. MIDI in", {"Keys", "<None>"}},
  };
  for (const auto& [name, entries] : lists) {
    auto* box = qobject_cast<QComboBox*>(window.Field(name));
    ASSERT_NE(box, nullptr) << name;
    QStringList shown;
    for (int i = 0; i < box->count(); ++i) shown << box->itemText(i);
    EXPECT_EQ(shown, entries) << name;
  }
  qobject_cast<QComboBox*>(window.Field("MIDI out"))->activated(1);
  EXPECT_TRUE(rig.Ports->OutputOpen(1));
  EXPECT_FALSE(rig.Ports->OutputOpen(0));
}

TEST(ConfigurationWindow, AChosenInstrumentListIsLoadedOnOk) {
  SessionRig rig;
  rig.Folder.Write("mine.vxi", "Warm Pad\nBright Lead\n 0\n");
  auto& window = rig.Show<ConfigurationWindow>("Configuration");
  auto* patches = window.findChild<QListWidget*>("Patches");
  ASSERT_EQ(patches->count(), 2);
  EXPECT_EQ(patches->item(0)->text(), "GM.VXI");
  QTest::mouseClick(patches->viewport(), Qt::LeftButton, {},
                    patches->visualItemRect(patches->item(1)).center());
  EXPECT_EQ(rig.Arranger().Mixer().InstrumentEntries().size(), 128u);  // not before "OK"
  window.Accept();
  EXPECT_EQ(rig.Arranger().Instruments().DisplayName(), "MINE.VXI");
  EXPECT_EQ(rig.Arranger().Mixer().InstrumentEntries().front(), "Warm Pad");
}

}  // namespace
}  // namespace kalo::gui
