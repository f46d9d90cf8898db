#pragma once
// Where the floating tool windows go, as plain geometry: all rectangles are window frames in screen
// pixels, `screen` is the screen's available area.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <vector>

namespace kalo::gui {

// Offsets of a panel from the main window's left edge larger than this are not carried over.
inline constexpr int kMaxToolEdgeOffset = 12;

// A new tool window of `size`: directly below the main window, at its left edge moved by
// `edgeOffset` (the panel's offset from that edge; an offset above kMaxToolEdgeOffset counts as 0).
// Where the window would not fit on the screen there, it is centred on the screen.
QPoint ToolWindowPosition(const QRect& mainFrame, const QSize& size, const QRect& screen, int edgeOffset = 0);

// "Arrange all": the windows side by side below the main window from its left edge, a new row below
// the tallest window of a row that is full; a window that fits nowhere there is centred.
std::vector<QPoint> ArrangedPositions(const QRect& mainFrame, const std::vector<QSize>& sizes,
                                      const QRect& screen);

}  // namespace kalo::gui
