#pragma once
// The "Solo-Mute" panel: the solo choice ("Off" or a channel 1 .. 16). A solo channel becomes the
// keyboard channel; "Off" returns to the channel played before. Main thread.

#include <QButtonGroup>

#include "app/arranger.h"
#include "gui/tool_panel.h"

namespace kalo::gui {

class SoloMutePanel final : public ToolPanel {
  Q_OBJECT

 public:
  explicit SoloMutePanel(app::Arranger& arranger, QWidget* parent = nullptr);
  void Refresh() override;

 private:
  app::Arranger& arranger_;
  QButtonGroup solo_;
};

}  // namespace kalo::gui
