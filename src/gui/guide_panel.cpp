#include "gui/guide_panel.h"

#include <QVBoxLayout>

namespace kalo::gui {

const char* const kGuideText =
    "PLAYING FROM THE COMPUTER KEYBOARD\n"
    "Chords: the bottom row of letters (Y or Z, X, C, V, B, N, M, comma, period) and the keys A, S, F, G, "
    "J, K, L, quote above it are a keyboard of chord roots, C being C. Hold a key as long as its chord "
    "shall sound; the first chord starts the style. Hold Shift for a minor chord, Ctrl for a seventh, or "
    "a digit key for the other chord types.\n"
    "Melody: the top row of letters (Q, W, E, R, T, Z or Y, U, I, O, P) plays notes on the keyboard "
    "channel, with D and H as black keys; Page Up and Page Down move it by an octave.\n\n"
    "THE KEYS OF THE STYLE\n"
    "Escape: Intro    F1: Fill in (while playing; stopped, this guide)    F2: Extended    F3: Basic    "
    "F4: Ending (twice: stop at once)\n"
    "F5, F6, F7: the tempo presets    F8: tap the tempo    F9: Record    F10: Play / Stop    "
    "F11: open a song    F12: this guide (while playing)\n"
    "Backspace: Harmonic Pad on/off    Home: count the beats from here    End: no count-in    "
    "Pause: stop\n\n"
    "THE FIELDS\n"
    "A click in Tempo, Transpose, From, To or Rec. start lets you type a number there; the field shows it "
    "has the keyboard. Return takes the number, Escape gives it up, a click beside the field takes it: "
    "then the keys play again. The function keys and the letter keys play even while you type a number.\n\n"
    "THE WINDOW\n"
    "The part buttons show the part that plays, filled, and the part that comes next, outlined; the large "
    "panel shows the chord that sounds. The Windows menu opens the Mixer, the Keyboard, the Chordpads and "
    "the other tool windows; \"Arrange all\" lays them out below the main window.";

GuidePanel::GuidePanel(QWidget* parent) : ToolPanel("Guide", parent) {
  auto* layout = new QVBoxLayout(this);
  text_ = new QPlainTextEdit;
  text_->setReadOnly(true);
  text_->setPlainText(kGuideText);
  text_->setMinimumSize(text_->fontMetrics().horizontalAdvance(QString(64, 'n')),
                        text_->fontMetrics().lineSpacing() * 16);
  layout->addWidget(text_);
}

}  // namespace kalo::gui
