#include "gui/part_buttons.h"

#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>

#include "styles/style_records.h"

namespace kalo::gui {

namespace {

int ButtonOfPart(int part) {
  switch (part) {
    case styles::kIntro:
      return static_cast<int>(PartButtonId::Intro);
    case styles::kBasic:
    case styles::kToBasic:
      return static_cast<int>(PartButtonId::Basic);
    case styles::kExtended:
    case styles::kToExtended:
      return static_cast<int>(PartButtonId::Extended);
    case styles::kEnding:
      return static_cast<int>(PartButtonId::Ending);
    case styles::kFillInBasic:
    case styles::kFillInExtended:
      return static_cast<int>(PartButtonId::FillIn);
    default:
      return kNoPartButton;
  }
}

int ButtonOfKey(int key, const config::ControlKeyNotes& keys) {
  if (key == 0) return kNoPartButton;
  if (key == keys.FillIn) return static_cast<int>(PartButtonId::FillIn);
  if (key == keys.ToExtended) return static_cast<int>(PartButtonId::Extended);
  if (key == keys.ToBasic) return static_cast<int>(PartButtonId::Basic);
  if (key == keys.Ending) return static_cast<int>(PartButtonId::Ending);
  if (key == keys.Intro) return static_cast<int>(PartButtonId::Intro);
  return kNoPartButton;  // a tempo or another function
}

}  // namespace

PartButtonState ShownParts(const PartRun& run, const config::ControlKeyNotes& keys) {
  PartButtonState state;
  if (!run.Playing) {
    state.Coming = run.StartPart >= 0 ? ButtonOfPart(run.StartPart) : kNoPartButton;
    return state;
  }
  state.Running = ButtonOfPart(run.RunningPart);
  int coming = ButtonOfKey(run.PendingKey, keys);
  if (coming == kNoPartButton && run.RequestedPart >= 0) coming = ButtonOfPart(run.RequestedPart);
  if (coming == kNoPartButton && run.Successor == styles::kEnding) coming = ButtonOfPart(styles::kEnding);
  if (coming != state.Running) state.Coming = coming;
  return state;
}

PartButton::PartButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

void PartButton::Show(bool running, bool coming) {
  if (running == running_ && coming == coming_) return;
  running_ = running;
  coming_ = coming;
  update();
}

void PartButton::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  const QColor highlight = palette().color(QPalette::Highlight);
  if (running_) {
    // Filled: the part that plays.
    option.palette.setColor(QPalette::Button, highlight);
    option.palette.setColor(QPalette::ButtonText, palette().color(QPalette::HighlightedText));
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    painter.fillRect(rect().adjusted(2, 2, -2, -2), highlight);
    painter.drawControl(QStyle::CE_PushButtonLabel, option);
    return;
  }
  painter.drawControl(QStyle::CE_PushButton, option);
  if (coming_) {
    // Outlined: the part that comes next.
    const int width = std::max(2, fontMetrics().height() / 8);
    painter.setPen(QPen(highlight, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(
        rect().adjusted(width / 2 + 1, width / 2 + 1, -(width + 1) / 2 - 1, -(width + 1) / 2 - 1));
  }
}

}  // namespace kalo::gui
