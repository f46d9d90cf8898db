#pragma once
// The guide window: how to play from the computer keyboard, the function keys and the fields; on the
// very first start, the greeting before it. Main thread.

#include <QPlainTextEdit>

#include "gui/tool_panel.h"

namespace kalo::gui {

// What the guide shows on the very first start.
inline constexpr const char* kFirstStartGuide =
    "Hello, this is the first time that you have started KALO.\n\n"
    "Please listen to the song. Then close this window, stop playing and enter chords / styles, using the "
    "controls of the keyboard window below or an external MIDI controller.\n\n"
    "Have much fun !";

// What the guide shows at any time.
extern const char* const kGuideText;

class GuidePanel final : public ToolPanel {
  Q_OBJECT

 public:
  // Shows the guide's text.
  explicit GuidePanel(QWidget* parent = nullptr);
  // Shows `text` in front of the guide's text.
  void ShowText(const QString& text) { text_->setPlainText(text + "\n\n" + kGuideText); }
  QString Text() const { return text_->toPlainText(); }

 private:
  QPlainTextEdit* text_ = nullptr;
};

}  // namespace kalo::gui
