#include "gui/computer_key_filter.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTextEdit>

#include "gui/virtual_keys.h"

namespace kalo::gui {

namespace {

// The value a number field had when it was entered, given back by Escape.
constexpr const char* kEnteredValue = "kaloEnteredValue";

bool OneLine(const QWidget* field) {
  return qobject_cast<const QTextEdit*>(field) == nullptr &&
         qobject_cast<const QPlainTextEdit*>(field) == nullptr;
}

// The keys a control keeps for itself (KeepKeys).
constexpr const char* kKeptKeys = "kaloKeptKeys";

bool KeepsKey(const QWidget* widget, int key) {
  return widget != nullptr && widget->property(kKeptKeys).toList().contains(key);
}

// A spin box's own line edit stands for the spin box.
QWidget* FieldOf(QWidget* widget) {
  if (widget == nullptr) return nullptr;
  if (auto* spin = qobject_cast<QAbstractSpinBox*>(widget->parentWidget())) return spin;
  return ComputerKeyFilter::TakesText(widget) ? widget : nullptr;
}

}  // namespace

ComputerKeyFilter::ComputerKeyFilter(LiveControls& live, QObject* parent) : QObject(parent), live_(live) {
  releaseTimer_.setSingleShot(true);
  releaseTimer_.setInterval(kRepeatWindowMs);
  connect(&releaseTimer_, &QTimer::timeout, this, &ComputerKeyFilter::FlushRelease);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { FocusChanged(now); });
}

bool ComputerKeyFilter::TakesText(const QWidget* widget) {
  if (widget == nullptr) return false;
  if (const auto* combo = qobject_cast<const QComboBox*>(widget)) return combo->isEditable();
  return qobject_cast<const QLineEdit*>(widget) != nullptr ||
         qobject_cast<const QAbstractSpinBox*>(widget) != nullptr ||
         qobject_cast<const QTextEdit*>(widget) != nullptr ||
         qobject_cast<const QPlainTextEdit*>(widget) != nullptr;
}

void ComputerKeyFilter::KeepKeys(QWidget* widget, std::initializer_list<int> keys) {
  QVariantList kept;
  for (int key : keys) kept.push_back(key);
  widget->setProperty(kKeptKeys, kept);
}

void ComputerKeyFilter::FlushRelease() {
  releaseTimer_.stop();
  if (!held_) return;
  const HeldRelease release = *held_;
  held_.reset();
  played_.reset(static_cast<size_t>(release.Code));
  live_.Keys.FormKeyUp(release.Code, release.Modifiers);
}

void ComputerKeyFilter::ReleaseAll() {
  FlushRelease();
  for (int code = 0; code < 256; ++code) {
    if (!played_.test(static_cast<size_t>(code))) continue;
    live_.Keys.FormKeyUp(code, 0);
  }
  played_.reset();
}

bool ComputerKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      // An application filter sees a key event once for every widget it is offered to; only the
      // first receiver (the focus widget, or the window without one) counts.
      QWidget* first = QApplication::focusWidget();
      if (first == nullptr) first = QApplication::activeWindow();
      if (watched != first || delivering_) return false;
      // Modal dialogs keep their keys.
      if (QApplication::activeModalWidget() != nullptr) return false;
      return KeyEvent(static_cast<QKeyEvent*>(event));
    }
    case QEvent::MouseButtonPress: {
      // A click outside the field with the keyboard takes its value and gives the keys back.
      QWidget* field = FieldOf(QApplication::focusWidget());
      auto* target = qobject_cast<QWidget*>(watched);
      if (field != nullptr && target != nullptr && target != field && !field->isAncestorOf(target) &&
          QApplication::activeModalWidget() == nullptr)
        HandBack(field, false);
      return false;
    }
    case QEvent::ApplicationDeactivate:
      // Another program has the keyboard now: its releases would never arrive here.
      ReleaseAll();
      return false;
    default:
      return false;
  }
}

bool ComputerKeyFilter::KeyEvent(QKeyEvent* key) {
  const int code = VirtualKeyCode(key->key(), key->modifiers());
  const bool press = key->type() == QEvent::KeyPress;
  QWidget* field = FieldOf(QApplication::focusWidget());
  const bool played = code != 0 && played_.test(static_cast<size_t>(code));
  if (KeepsKey(QApplication::focusWidget(), key->key()) && (press || !played)) return false;
  if (field != nullptr && (press || !played)) {
    if (press && FieldCommand(field, key)) return true;
    if (FieldTypes(field, key)) return false;
  }
  if (code == 0) return false;

  if (press) {
    if (held_ && held_->Code == code &&
        (key->timestamp() == held_->Timestamp || key->timestamp() == 0 || held_->Timestamp == 0)) {
      // The release just before belongs to an auto-repeat: neither is played. (A player's quick
      // second strike of the key comes with a later time stamp and plays.)
      held_.reset();
      releaseTimer_.stop();
      return true;
    }
    FlushRelease();
    if (key->isAutoRepeat()) return true;
    if (!live_.Keys.FormKeyDown(code, KeyModifiers(key->modifiers()))) return false;
    played_.set(static_cast<size_t>(code));
    return true;
  }
  if (key->isAutoRepeat()) return true;
  if (!played) {
    FlushRelease();
    live_.Keys.FormKeyUp(code, KeyModifiers(key->modifiers()));
    return false;
  }
  if (held_) FlushRelease();
  held_ = HeldRelease{code, KeyModifiers(key->modifiers()), key->timestamp()};
  releaseTimer_.start();
  return true;
}

bool ComputerKeyFilter::FieldTypes(const QWidget* field, const QKeyEvent* key) {
  const int qtKey = key->key();
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return false;
  if (qobject_cast<const QAbstractSpinBox*>(field) == nullptr) return true;
  if ((key->modifiers() & Qt::ControlModifier) != 0) return true;  // select all, copy, paste
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return true;
  switch (qtKey) {
    case Qt::Key_Minus:
    case Qt::Key_Plus:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return true;
    default:
      return false;
  }
}

bool ComputerKeyFilter::FieldCommand(QWidget* field, QKeyEvent* key) {
  if (key->key() == Qt::Key_Escape) {
    HandBack(field, true);
    return true;
  }
  if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && OneLine(field)) {
    // The field takes its value as Return makes it, then the keys play again.
    delivering_ = true;
    QApplication::sendEvent(QApplication::focusWidget(), key);
    delivering_ = false;
    HandBack(field, false);
    return true;
  }
  return false;
}

void ComputerKeyFilter::HandBack(QWidget* field, bool revert) {
  if (auto* spin = qobject_cast<QSpinBox*>(field); spin != nullptr && revert) {
    const QVariant entered = spin->property(kEnteredValue);
    if (entered.isValid()) spin->setValue(entered.toInt());
  }
  if (field->hasFocus() || field->isAncestorOf(QApplication::focusWidget())) field->clearFocus();
}

void ComputerKeyFilter::FocusChanged(QWidget* now) {
  QWidget* field = FieldOf(now);
  if (field == tinted_) return;
  if (tinted_ != nullptr) tinted_->setPalette(untinted_);
  tinted_ = field;
  if (field == nullptr) return;
  if (auto* spin = qobject_cast<QSpinBox*>(field)) spin->setProperty(kEnteredValue, spin->value());
  // The field's background takes a third of the highlight colour, in a light or a dark palette alike.
  untinted_ = field->palette();
  QPalette palette = untinted_;
  const QColor base = palette.color(QPalette::Base);
  const QColor highlight = palette.color(QPalette::Highlight);
  auto mix = [](int from, int to) { return from + (to - from) / 3; };
  palette.setColor(QPalette::Base,
                   QColor(mix(base.red(), highlight.red()), mix(base.green(), highlight.green()),
                          mix(base.blue(), highlight.blue())));
  field->setPalette(palette);
}

}  // namespace kalo::gui
