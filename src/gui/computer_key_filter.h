#pragma once
// Computer-keyboard play in every window of the program: key presses and releases go to the computer
// keys (perform::ComputerKeys) before any control sees them, as the main window's key preview did.
//
// Auto-repeat: a held key gives one press and one release however long it repeats. Qt flags most
// repeats itself; the X server also sends them as a release followed at once by a press of the same
// key with the same time stamp, which Qt does not always flag. So a release of a played key is held
// back for a few milliseconds: a press of the same key within that time, stamped with the release's
// time (or unstamped), makes the pair a repeat and both are dropped; any other key first sends the
// held-back release.
//
// Fields: a text or number field keeps the keys it types while it has the keyboard, and shows that
// it has it (its background takes the highlight's tint). A number field types only digits, signs and
// editing keys: letters, punctuation and the function keys still play. In every field the function
// keys play. Return (in a one-line field) takes the value, Escape gives up what was typed since the
// field was entered, and a click anywhere outside the field takes the value: each hands the keyboard
// back to playing. Keys held down when the program loses the keyboard to another program are
// released. Main thread.

#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <bitset>
#include <initializer_list>
#include <optional>

#include "gui/live_controls.h"

namespace kalo::gui {

class ComputerKeyFilter final : public QObject {
 public:
  // How long a release waits for the press that would make it an auto-repeat.
  static constexpr int kRepeatWindowMs = 12;

  // Installed on the application; `live` must outlive this object.
  explicit ComputerKeyFilter(LiveControls& live, QObject* parent = nullptr);

  // Sends the release still held back, if any.
  void FlushRelease();
  // Whether `widget` is a field that types text or numbers.
  static bool TakesText(const QWidget* widget);
  // A control that answers these keys itself (a list that loads its item with Return) gets them
  // while it has the keyboard; every other key still plays. A key pressed elsewhere is still
  // released to the computer keys.
  static void KeepKeys(QWidget* widget, std::initializer_list<int> keys);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct HeldRelease {
    int Code = 0;
    unsigned Modifiers = 0;
    quint64 Timestamp = 0;  // the window system's, in milliseconds; 0 where it gives none
  };

  bool KeyEvent(class QKeyEvent* key);
  // Whether the field with the keyboard types this key itself.
  static bool FieldTypes(const QWidget* field, const QKeyEvent* key);
  // Return and Escape in a field; true when the key handed the keyboard back.
  bool FieldCommand(QWidget* field, QKeyEvent* key);
  // The field gives up the keyboard; a number field takes what was typed, or with `revert` shows
  // again the value it had when it was entered.
  void HandBack(QWidget* field, bool revert);
  void FocusChanged(QWidget* now);
  void ReleaseAll();

  LiveControls& live_;
  QTimer releaseTimer_;
  std::optional<HeldRelease> held_;
  // The keys whose press the computer keys took: their releases go there too, wherever the
  // keyboard is by then.
  std::bitset<256> played_;
  QPointer<QWidget> tinted_;
  QPalette untinted_;
  bool delivering_ = false;
};

}  // namespace kalo::gui
