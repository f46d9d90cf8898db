#pragma once
// The "Keyboard" panel: the on-screen piano with the keyboard's octave and transpose, the
// accompaniment/melody mode button and the fingered/two-finger choice. The piano plays chords, or
// melody notes on the keyboard channel while the mode is melody. While shown, the panel follows what
// the computer keys change (Page Up and Page Down move the octave). Main thread.

#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include "app/arranger.h"
#include "gui/keys_widget.h"
#include "gui/live_controls.h"
#include "gui/tool_panel.h"
#include "gui/window_display.h"

namespace kalo::gui {

class KeyboardPanel final : public ToolPanel {
  Q_OBJECT

 public:
  KeyboardPanel(LiveControls& live, app::Arranger& arranger, WindowDisplay& display,
                QWidget* parent = nullptr);
  void Refresh() override;

  KeysWidget* Piano() const { return keys_; }
  QPushButton* ModeButton() const { return mode_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  LiveControls& live_;
  QTimer follow_;
  app::Arranger& arranger_;
  KeysWidget* keys_ = nullptr;
  QSpinBox* octave_ = nullptr;
  QSpinBox* transpose_ = nullptr;
  QPushButton* mode_ = nullptr;
  QRadioButton* fingered_ = nullptr;
  QRadioButton* twoFinger_ = nullptr;
};

}  // namespace kalo::gui
