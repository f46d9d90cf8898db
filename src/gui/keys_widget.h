#pragma once
// The on-screen piano: perform::TKeys drawn and played with the mouse. The widget's size is the
// control's Width and Height; the note events go to whoever sets OnNoteOn and OnNoteOff of Keys().
// Main thread.

#include <QWidget>

#include "perform/on_screen_keyboard.h"

namespace kalo::gui {

class KeysWidget final : public QWidget {
 public:
  // `octaves` whole octaves from the control's BaseOctave, `noteWidth` pixels per white key.
  explicit KeysWidget(int octaves = 5, int noteWidth = 16, int height = 80, QWidget* parent = nullptr);

  perform::TKeys& Keys() { return keys_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  perform::TKeys keys_;
  int octaves_;
};

}  // namespace kalo::gui
