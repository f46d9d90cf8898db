#pragma once
// The window's commands behind the function and special keys of the computer keyboard (F1, F8, F11,
// F12, Backspace, Enter, Pause, End), as the live input calls them through the arranger's keyboard
// hooks. The session sets this object as those hooks while its window exists. Main thread.

#include <QElapsedTimer>
#include <functional>
#include <string>

#include "app/arranger.h"
#include "gui/guide_panel.h"
#include "gui/main_window.h"
#include "gui/tap_tempo_dialog.h"
#include "perform/live_input_seams.h"

namespace kalo::gui {

inline constexpr const char* kHelpNotAvailable = "HELP is not available !";

class WindowCommands final : public perform::KeyboardCommands {
 public:
  // Monotonic milliseconds, for the tap tempo.
  using Clock = std::function<int64_t()>;

  // Everything given must outlive this object. Without a clock the tap tempo uses the steady clock.
  WindowCommands(app::Arranger& arranger, MainWindow& main, GuidePanel& guide, Clock clock = {});

  // The guide window, which holds the program's help; "HELP is not available !" were it empty.
  void ShowHelp() override;
  // The guide window, shown and raised.
  void ShowGuide() override;
  // F8: the "Tap Tempo" dialog comes up (when it is not up already) and takes one tap.
  void TapTempo() override;
  // The menu's "Tap Tempo": the dialog from its first tap.
  void OpenTapTempo();
  TapTempoDialog& TapTempoWindow() { return *tapTempo_; }
  // Stops the transport and opens an arrangement chosen in the file dialog.
  void OpenArrangement() override;
  // "Harmonic Pad" on or off; switched off, the pad's notes are released at once.
  void ToggleHarmonicPad() override;
  // The focus moves on as Tab moves it.
  void FocusNextControl() override;
  // Stops what plays; nothing else while stopped.
  void Pause() override;
  // "Count in" is unticked.
  void ClearCountIn() override;

 private:
  void Refresh();

  app::Arranger& arranger_;
  MainWindow& main_;
  GuidePanel& guide_;
  Clock clock_;
  QElapsedTimer steady_;
  TapTempoDialog* tapTempo_ = nullptr;  // a child of the main window
};

}  // namespace kalo::gui
