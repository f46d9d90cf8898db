#include "gui/mixer_panel.h"

#include <gtest/gtest.h>

#include <QRadioButton>
#include <algorithm>

#include "gui/session_rig.h"
#include "midi/reset_messages.h"

namespace kalo::gui {
namespace {

using app::MixerSlider;
using testing::Bytes;
using testing::SessionRig;

TEST(MixerPanel, EachSliderSendsItsMessageOnTheKeyboardChannel) {
  struct Row {
    MixerSlider Slider;
    Bytes Expected;  // on channel 3, after the channel box chose "3"
  };
  const Row rows[] = {
      {MixerSlider::Volume, {0xB2, 7, 90}},     {MixerSlider::Pan, {0xB2, 10, 90}},
      {MixerSlider::Reverb, {0xB2, 91, 90}},    {MixerSlider::Chorus, {0xB2, 93, 90}},
      {MixerSlider::Modulation, {0xB2, 1, 90}}, {MixerSlider::Expression, {0xB2, 11, 90}},
      {MixerSlider::Sustain, {0xB2, 64, 90}},   {MixerSlider::Aftertouch, {0xD2, 90}},
  };
  SessionRig rig;
  auto& mixer = rig.Show<MixerPanel>("Mixer");
  mixer.ChannelBox()->activated(2);
  for (const Row& row : rows) {
    rig.Ports->ClearSent();
    mixer.Slider(row.Slider)->setValue(90);
    EXPECT_EQ(rig.Sent(), std::vector<Bytes>{row.Expected})
        << mixer.Slider(row.Slider)->objectName().toStdString();
  }
  EXPECT_EQ(rig.Arranger().Mixer().Voice(2).Volume, 90);
}

TEST(MixerPanel, ChoosingAChannelLoadsItsStoredValuesIntoTheSliders) {
  SessionRig rig;
  auto& mixer = rig.Show<MixerPanel>("Mixer");
  mixer.Slider(MixerSlider::Volume)->setValue(40);  // channel 1
  QTest::mouseClick(mixer.ChannelList()->viewport(), Qt::LeftButton, {},
                    mixer.ChannelList()->visualItemRect(mixer.ChannelList()->item(4)).center());
  EXPECT_EQ(mixer.ChannelBox()->currentText(), "5");
  EXPECT_EQ(mixer.Slider(MixerSlider::Volume)->value(), 105);
  mixer.ChannelBox()->activated(0);
  EXPECT_EQ(mixer.Slider(MixerSlider::Volume)->value(), 40);
}

TEST(MixerPanel, TheRowTextFollowsAProgramChangeWhereverItCameFrom) {
  SessionRig rig;
  auto& mixer = rig.Show<MixerPanel>("Mixer");
  rig.Arranger().SendGenerated(0xC5, 40, 0);  // not through the mixer
  QTRY_COMPARE(mixer.ChannelList()->item(5)->text(), QString(" Ch. 06 : Violin"));
  EXPECT_EQ(mixer.ChannelList()->item(9)->text(), QString(" Ch. 10 : Drums"));

  mixer.ChannelBox()->activated(1);
  rig.Ports->ClearSent();
  mixer.InstrumentBox()->activated(0);
  EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0xC1, 0}}));
  EXPECT_EQ(mixer.ChannelList()->item(1)->text(), QString(" Ch. 02 : Acoustic Grand Piano"));
}

}  // namespace
}  // namespace kalo::gui

namespace kalo::gui {
namespace {

TEST(SoloMutePanel, ASoloChannelBecomesTheMixersChannelUntilTheSoloEnds) {
  testing::SessionRig rig;
  auto& mixer = rig.Show<MixerPanel>("Mixer");
  mixer.ChannelBox()->activated(3);
  auto& solo = rig.Show<ToolPanel>("Solo-Mute");
  const QList<QRadioButton*> choices = solo.findChildren<QRadioButton*>();
  ASSERT_EQ(choices.size(), 17);
  QTest::mouseClick(choices[10], Qt::LeftButton);  // channel 10
  EXPECT_EQ(rig.Arranger().SoloChannel, 10);
  EXPECT_EQ(mixer.ChannelBox()->currentText(), "10");
  QTest::mouseClick(choices[0], Qt::LeftButton);  // "Off"
  EXPECT_EQ(rig.Arranger().SoloChannel, 0);
  EXPECT_EQ(mixer.ChannelBox()->currentText(), "4");
}

}  // namespace
}  // namespace kalo::gui

namespace kalo::gui {
namespace {

const std::filesystem::path kRock = std::filesystem::path(KALO_SHIPPED_STYLES_DIR) / "rock1.vxs";

using testing::Bytes;

TEST(MixerPanel, TheStartStylesVoicesAreSentAfterTheResetAndStayNamed) {
  testing::SessionRig rig("[Options]\nAutoload=1\n", kRock, true);
  const std::vector<Bytes> sent = rig.Sent(0);
  const auto reset = std::find(sent.begin(), sent.end(), Bytes(midi::kGmReset.begin(), midi::kGmReset.end()));
  ASSERT_NE(reset, sent.end());
  EXPECT_NE(std::find(reset, sent.end(), Bytes{0xC1, 34}), sent.end()) << "the bass again after the reset";

  auto& mixer = rig.Show<MixerPanel>("Mixer");
  const QStringList styleRows = {" Ch. 02 : Electric Bass (pick)", " Ch. 03 : Overdriven Guitar",
                                 " Ch. 04 : Drawbar Organ"};
  auto rowsOfStyle = [&] {
    QStringList rows;
    for (int row = 1; row <= 3; ++row) rows << mixer.ChannelList()->item(row)->text();
    return rows;
  };
  EXPECT_EQ(rowsOfStyle(), styleRows);
  EXPECT_EQ(mixer.ChannelList()->item(15)->text(), " Ch. 16 : Pad 2 (warm)");

  // Choosing an instrument for channel 1, and resetting the controllers, keep the other rows.
  mixer.ChannelBox()->activated(0);
  mixer.InstrumentBox()->activated(40);
  EXPECT_EQ(mixer.ChannelList()->item(0)->text(), " Ch. 01 : Violin");
  rig.Main().Action("Reset Controllers")->trigger();
  mixer.Refresh();
  EXPECT_EQ(rowsOfStyle(), styleRows);
  // A channel whose instrument came from the style shows it in the box; the numbers follow the channel.
  mixer.ChannelBox()->activated(2);
  EXPECT_EQ(mixer.InstrumentBox()->currentText(), "Overdriven Guitar");
  EXPECT_FALSE(rig.Arranger().Mixer().ShownInstrument().has_value());
}

}  // namespace
}  // namespace kalo::gui
