#pragma once
// Computer-keyboard play in every window of the program: key presses and releases go to the computer
// keys (perform::ComputerKeys) before any control sees them, as the main window's key preview did.
// The platform's auto-repeat is dropped here, releases included: a held key gives one press and one
// release however long it repeats. Keys typed into a text or number field stay that field's. Main
// thread.

#include <QObject>

#include "gui/live_controls.h"

namespace kalo::gui {

class ComputerKeyFilter final : public QObject {
 public:
  // Installed on the application; `live` must outlive this object.
  explicit ComputerKeyFilter(LiveControls& live, QObject* parent = nullptr) : QObject(parent), live_(live) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  LiveControls& live_;
};

}  // namespace kalo::gui
