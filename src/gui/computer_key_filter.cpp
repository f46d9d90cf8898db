#include "gui/computer_key_filter.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include "gui/virtual_keys.h"

namespace kalo::gui {

namespace {

bool TakesText(const QWidget* widget) {
  if (widget == nullptr) return false;
  if (const auto* combo = qobject_cast<const QComboBox*>(widget)) return combo->isEditable();
  return qobject_cast<const QLineEdit*>(widget) != nullptr ||
         qobject_cast<const QAbstractSpinBox*>(widget) != nullptr ||
         qobject_cast<const QTextEdit*>(widget) != nullptr ||
         qobject_cast<const QPlainTextEdit*>(widget) != nullptr;
}

}  // namespace

bool ComputerKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
  // An application filter sees a key event once for every widget it is offered to; only the first
  // receiver (the focus widget, or the window without one) counts.
  QWidget* first = QApplication::focusWidget();
  if (first == nullptr) first = QApplication::activeWindow();
  if (watched != first || TakesText(first)) return false;
  // Modal dialogs keep their keys.
  if (QApplication::activeModalWidget() != nullptr) return false;

  auto* key = static_cast<QKeyEvent*>(event);
  const int code = VirtualKeyCode(key->key(), key->modifiers());
  if (code == 0) return false;
  if (key->isAutoRepeat()) return true;
  const unsigned modifiers = KeyModifiers(key->modifiers());
  if (event->type() == QEvent::KeyPress) return live_.Keys.FormKeyDown(code, modifiers);
  live_.Keys.FormKeyUp(code, modifiers);
  return false;
}

}  // namespace kalo::gui
