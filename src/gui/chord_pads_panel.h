#pragma once
// The "Chordpads" panel: the chord buttons A00 .. K11 (rows of chord types maj .. 6th, columns of
// roots E .. D#) and the style-part buttons L00 .. L04. A press gives the chord or the part command, a
// release ends a chord that "Play Chords" sounds. Main thread.

#include <QPushButton>

#include "gui/live_controls.h"
#include "gui/tool_panel.h"

namespace kalo::gui {

class ChordPadsPanel final : public ToolPanel {
  Q_OBJECT

 public:
  explicit ChordPadsPanel(LiveControls& live, QWidget* parent = nullptr);

  // The button named "C05" and so on, or null.
  QPushButton* Pad(const QString& name) const;

 private:
  QPushButton* AddPad(const QString& name, const QString& caption);

  LiveControls& live_;
};

}  // namespace kalo::gui
