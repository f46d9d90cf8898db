#pragma once
// The window's playing controls over the live input dispatch: the chord pads and the on-screen piano
// (perform::OnScreenControls) and the computer keys (perform::ComputerKeys). They keep what the
// window's keys and buttons hold down, so the window owns them; the dispatch belongs to the session.

#include "perform/computer_keys.h"
#include "perform/input_dispatch.h"
#include "perform/on_screen_controls.h"

namespace kalo::gui {

struct LiveControls {
  // `dispatch` must outlive this object.
  explicit LiveControls(perform::InputDispatch& dispatch)
      : Dispatch(dispatch), Pads(dispatch), Keys(dispatch) {}

  perform::InputDispatch& Dispatch;
  perform::OnScreenControls Pads;
  perform::ComputerKeys Keys;
};

}  // namespace kalo::gui
