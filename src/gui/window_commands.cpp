#include "gui/window_commands.h"

#include <QApplication>
#include <QKeyEvent>
#include <cctype>
#include <filesystem>

#include "gui/guarded.h"
#include "gui/tool_windows.h"

namespace kalo::gui {

namespace {

constexpr uint8_t kMetronomeStatus = 0x99;  // note-on, channel 10; drums need no note-off
constexpr uint8_t kAccentVelocity = 120;
constexpr uint8_t kTapVelocity = 107;

bool Playing(app::Arranger& arranger) {
  return arranger.Engine().StylePlaying() || arranger.Engine().SongState != 0;
}

bool IsArrangementName(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".vxa";
}

}  // namespace

WindowCommands::WindowCommands(app::Arranger& arranger, MainWindow& main, GuidePanel& guide, Clock clock)
    : arranger_(arranger), main_(main), guide_(guide), clock_(std::move(clock)) {
  steady_.start();
  if (!clock_) clock_ = [this] { return static_cast<int64_t>(steady_.elapsed()); };
}

void WindowCommands::ShowHelp() {
  if (guide_.Text().isEmpty()) {
    arranger_.Dialogs().Inform(kHelpNotAvailable);
    return;
  }
  ShowGuide();
}

void WindowCommands::ShowGuide() { main_.Tools().Show(&guide_); }

void WindowCommands::TapTempo() {
  const int taps = gui::TapTempo::TapsPerMeasure(arranger_.Settings().Metrum);
  const auto bpm = taps_.Tap(clock_(), taps);
  // Each counted tap clicks the metronome, the first of a measure count accented.
  midi::TMidiOutput& midiout = arranger_.Devices().Midiout();
  if (taps_.LastTap() > 0 && midiout.IsOpen()) {
    const uint8_t velocity = taps_.LastTap() == 1 ? kAccentVelocity : kTapVelocity;
    Guarded(arranger_.Dialogs(),
            [&] { midiout.PutShort(kMetronomeStatus, arranger_.Engine().MetronomeNotes[1], velocity); });
  }
  if (bpm) {
    arranger_.SetTempo(*bpm);
    Refresh();
  }
}

void WindowCommands::OpenArrangement() {
  arranger_.Stop();
  const auto chosen = arranger_.Dialogs().AskOpenFile(
      {"Open arrangement ...", "Arrangements (*.vxa)|*.vxa", "VXA", "*.VXA", arranger_.Settings().Dir});
  if (!chosen || !IsArrangementName(*chosen)) return;
  if (!LoadArrangement) {
    arranger_.Dialogs().Inform("Arrangements cannot be opened in this version.");
    return;
  }
  Guarded(arranger_.Dialogs(), [&] { LoadArrangement(*chosen); });
  Refresh();
}

void WindowCommands::ToggleHarmonicPad() {
  bool& pad = arranger_.Settings().Pad;
  pad = !pad;
  // The pad's notes would otherwise sound on until the next chord, which no longer switches them.
  if (!pad) arranger_.Engine().SilenceChannel((arranger_.PadChannel - 1) & 0x0F);
  Refresh();
}

void WindowCommands::FocusNextControl() {
  QWidget* from = QApplication::focusWidget();
  if (from == nullptr) from = QApplication::activeWindow();
  if (from == nullptr) from = &main_;
  QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
  QApplication::sendEvent(from, &tab);
}

void WindowCommands::Pause() {
  if (Playing(arranger_)) arranger_.Stop();
  Refresh();
}

void WindowCommands::ClearCountIn() {
  arranger_.SetCountIn(false);
  Refresh();
}

void WindowCommands::Refresh() {
  main_.Refresh();
  main_.Tools().RefreshAll();
}

}  // namespace kalo::gui
