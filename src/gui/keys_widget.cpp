#include "gui/keys_widget.h"

#include <QMouseEvent>
#include <QPainter>

#include "gui/window_display.h"

namespace kalo::gui {

namespace {

// A pressed key is drawn in this colour, whatever its brush.
const QColor kPressedColour(0x4F, 0x9D, 0xE8);

}  // namespace

KeysWidget::KeysWidget(int octaves, int noteWidth, int height, QWidget* parent)
    : QWidget(parent), octaves_(octaves) {
  setObjectName("Keys");
  keys_.NoteWidth = noteWidth;
  keys_.Width = octaves * 7 * noteWidth;
  keys_.Height = height;
  setFixedSize(keys_.Width, keys_.Height);
  setMouseTracking(false);
}

QSize KeysWidget::sizeHint() const { return {keys_.Width, keys_.Height}; }

void KeysWidget::resizeEvent(QResizeEvent* event) {
  keys_.Width = width();
  keys_.Height = height();
  QWidget::resizeEvent(event);
}

void KeysWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(Qt::black);
  const int first = keys_.BaseOctave * 12;
  const int last = std::min(127, first + octaves_ * 12 - 1);
  // White keys first, then the black keys over them.
  for (const bool black : {false, true}) {
    for (int note = first; note <= last; ++note) {
      if (perform::TKeys::NotePlace(note).Black != black) continue;
      const std::optional<perform::KeyRect> rect = keys_.KeyRectOf(note);
      if (!rect) continue;
      const QColor fill =
          keys_.Pressed(note) ? kPressedColour : ColourOf(black ? keys_.BlackBrush : keys_.WhiteBrush);
      painter.fillRect(rect->X, rect->Y, rect->Width, rect->Height, fill);
      painter.drawRect(rect->X, rect->Y, rect->Width - 1, rect->Height - 1);
    }
  }
}

void KeysWidget::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  keys_.MouseDown(at.x(), at.y(), event->button() == Qt::LeftButton);
  update();
}

void KeysWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  keys_.MouseMove(at.x(), at.y(), (event->buttons() & Qt::LeftButton) != 0);
  update();
}

void KeysWidget::mouseReleaseEvent(QMouseEvent* event) {
  keys_.MouseUp(event->button() == Qt::LeftButton);
  update();
}

}  // namespace kalo::gui
