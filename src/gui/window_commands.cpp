#include "gui/window_commands.h"

#include <QApplication>
#include <QKeyEvent>

#include "gui/guarded.h"
#include "gui/tool_windows.h"

namespace kalo::gui {

namespace {

bool Playing(app::Arranger& arranger) {
  return arranger.Engine().StylePlaying() || arranger.Engine().SongState != 0;
}

}  // namespace

WindowCommands::WindowCommands(app::Arranger& arranger, MainWindow& main, GuidePanel& guide, Clock clock)
    : arranger_(arranger), main_(main), guide_(guide), clock_(std::move(clock)) {
  steady_.start();
  if (!clock_) clock_ = [this] { return static_cast<int64_t>(steady_.elapsed()); };
  tapTempo_ = new TapTempoDialog(arranger_, clock_, &main_);
  QObject::connect(tapTempo_, &TapTempoDialog::TempoSet, &main_, [this] { Refresh(); });
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
  if (!tapTempo_->isVisible()) tapTempo_->Open();
  tapTempo_->Tap();
}

void WindowCommands::OpenTapTempo() { tapTempo_->Open(); }

void WindowCommands::OpenArrangement() {
  // The dialog without the replace question, as F11 opens it; with "Auto pop-up" the chord editor and
  // the memo follow.
  Guarded(arranger_.Dialogs(), [this] {
    if (arranger_.SongFiles().Open(true) != song::SongLoad::Loaded || !arranger_.Settings().MPU) return;
    Q_EMIT main_.EditorRequested(1);
    main_.ShowPanel("Memo");
  });
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
