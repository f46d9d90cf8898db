#pragma once
// The "Instruments" panel: the instrument list in use, its entries to choose the keyboard channel's
// instrument from, and the "Instrument Pad" box with the pad's instrument. Main thread.

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>

#include "app/arranger.h"
#include "gui/tool_panel.h"

namespace kalo::gui {

class InstrumentsPanel final : public ToolPanel {
  Q_OBJECT

 public:
  explicit InstrumentsPanel(app::Arranger& arranger, QWidget* parent = nullptr);
  void Refresh() override;

  QListWidget* Entries() const { return entries_; }

 private:
  app::Arranger& arranger_;
  QLabel* listName_ = nullptr;
  QListWidget* entries_ = nullptr;
  QCheckBox* pad_ = nullptr;
  QLabel* padName_ = nullptr;
};

}  // namespace kalo::gui
