#pragma once
// The "Keyboard-Split" panel: four zones of the player's keyboard, each with its upper key (note name
// and octave), channel, octave shift and enabled box, and the buttons "Set values and activate Split"
// and "Deactivate Keyboard Split". Main thread.

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <array>

#include "gui/live_controls.h"
#include "gui/tool_panel.h"

namespace kalo::gui {

class KeyboardSplitPanel final : public ToolPanel {
  Q_OBJECT

 public:
  explicit KeyboardSplitPanel(LiveControls& live, QWidget* parent = nullptr);
  void Refresh() override;

 private:
  struct ZoneControls {
    QCheckBox* Enabled = nullptr;
    QComboBox* NoteName = nullptr;
    QSpinBox* Octave = nullptr;
    QSpinBox* Channel = nullptr;
    QSpinBox* OctaveShift = nullptr;
  };

  // The dialog's values into the dispatch's split choices.
  void StoreChoices();

  LiveControls& live_;
  std::array<ZoneControls, perform::kSplitZones> zones_{};
  QCheckBox* active_ = nullptr;
};

}  // namespace kalo::gui
