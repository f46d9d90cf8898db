#pragma once
// The "Mixer" panel: the channel list with each channel's instrument, the keyboard channel's sliders
// and instrument box, the value display of the selected row, "Suppress Controllers", "SOLO" and the
// output volume with "Lock". A view of app::Mixer: every control calls the mixer and shows what it
// holds afterwards. Main thread.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QTimer>
#include <array>

#include "app/arranger.h"
#include "gui/tool_panel.h"

namespace kalo::gui {

class MixerPanel final : public ToolPanel {
  Q_OBJECT

 public:
  // How often the channel list looks for programs that changed elsewhere (played styles, MIDI in)
  // while the panel is shown; only rows whose program changed are rebuilt.
  static constexpr int kRowRefreshMs = 200;

  explicit MixerPanel(app::Arranger& arranger, QWidget* parent = nullptr);
  void Refresh() override;

  QSlider* Slider(app::MixerSlider slider) const { return sliders_[static_cast<size_t>(slider)].Slider; }
  QListWidget* ChannelList() const { return channelList_; }
  QComboBox* ChannelBox() const { return channelBox_; }
  QComboBox* InstrumentBox() const { return instrumentBox_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  struct SliderControls {
    QSlider* Slider = nullptr;
    QLabel* Value = nullptr;
  };

  QWidget* MakeChannelColumn();
  QWidget* MakeSliders();
  QWidget* MakeOutputVolume();
  void SelectChannel(int channel);
  void RefreshRows();
  void RefreshValueDisplay();
  void RefreshInstrumentBox();
  void RefreshOutputVolume();
  void Changed();

  app::Arranger& arranger_;
  app::Mixer& mixer_;
  QListWidget* channelList_ = nullptr;
  QComboBox* channelBox_ = nullptr;
  QComboBox* instrumentBox_ = nullptr;
  QLabel* shownInstrument_ = nullptr;
  QCheckBox* solo_ = nullptr;
  QCheckBox* suppress_ = nullptr;
  std::array<SliderControls, app::kMixerSliderCount> sliders_{};
  std::array<QLabel*, 8> values_{};
  QSlider* left_ = nullptr;
  QSlider* right_ = nullptr;
  QLineEdit* leftText_ = nullptr;
  QLineEdit* rightText_ = nullptr;
  QCheckBox* lock_ = nullptr;
  QTimer rowTimer_;
};

}  // namespace kalo::gui
