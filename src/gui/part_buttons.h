#pragma once
// The style-part buttons of the main window ("Intro", "Fill in - F1", "Ext. - F2", "Basic - F3",
// "Ending - F4") and what they show: the button of the part that plays is filled with the highlight
// colour, the button of the part asked for next is outlined in it. Main thread.

#include <QPushButton>

#include "config/settings.h"

namespace kalo::gui {

// The part buttons in the order the window shows them.
enum class PartButtonId : int { Intro, FillIn, Extended, Basic, Ending };
inline constexpr int kPartButtonCount = 5;
inline constexpr int kNoPartButton = -1;

// What the engine holds about the parts, as far as the buttons show it.
struct PartRun {
  bool Playing = false;
  int RunningPart = 1;     // styles::kIntro .. kToBasic
  int RequestedPart = -1;  // the part chosen for the next beat, -1 none
  int PendingKey = 0;      // a part key not yet taken up by the next tick, 0 none
  int Successor = 0;       // what follows the running part (styles::kEnding when the ending is asked for)
  int StartPart = -1;      // while stopped: the part a start plays first (-1 without a style)
};

struct PartButtonState {
  int Running = kNoPartButton;
  int Coming = kNoPartButton;
};

// The button of the running part (a fill is "Fill in", a "To" transition the part it leads to) and of
// the part asked for next, if it is another button; while stopped, the part a start plays first.
PartButtonState ShownParts(const PartRun& run, const config::ControlKeyNotes& keys);

class PartButton final : public QPushButton {
  Q_OBJECT

 public:
  explicit PartButton(const QString& text, QWidget* parent = nullptr);
  void Show(bool running, bool coming);
  bool Running() const { return running_; }
  bool Coming() const { return coming_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool running_ = false;
  bool coming_ = false;
};

}  // namespace kalo::gui
