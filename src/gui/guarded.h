#pragma once
// A command of a button or menu entry runs through this: a device error it raises (a driver's text in
// EMidiInputError or EmidioutputError) is shown to the player instead of ending the program.

#include <functional>
#include <stdexcept>

#include "host/dialogs.h"

namespace kalo::gui {

inline void Guarded(host::Dialogs& dialogs, const std::function<void()>& command) {
  try {
    command();
  } catch (const std::runtime_error& error) {
    dialogs.Inform(error.what());
  }
}

}  // namespace kalo::gui
