#pragma once
// Where the floating tool windows go, as plain geometry: all rectangles are window frames in screen
// pixels, `screen` is the screen's available area.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>
#include <vector>

namespace kalo::gui {

// Offsets of a panel from the main window's left edge larger than this are not carried over.
inline constexpr int kMaxToolEdgeOffset = 12;

// A new tool window of `size`: directly below the main window, at its left edge moved by
// `edgeOffset` (the panel's offset from that edge; an offset above kMaxToolEdgeOffset counts as 0).
// Where the window would not fit on the screen there, it is centred on the screen.
QPoint ToolWindowPosition(const QRect& mainFrame, const QSize& size, const QRect& screen, int edgeOffset = 0);

// The first place on the screen where a window of `size` covers neither the main window nor any of
// `taken`: below the main window at its left edge, else beside or below a window already there,
// beside the main window, and last the first free place from the screen's top left. None when the
// screen has no such place.
std::optional<QPoint> FreePlace(const QRect& mainFrame, const QSize& size, const std::vector<QRect>& taken,
                                const QRect& screen);

// Where the screen has no free place: the place that covers least of the other windows, the main
// window counting double. None when the window is larger than the screen.
std::optional<QPoint> LeastCovering(const QRect& mainFrame, const QSize& size,
                                    const std::vector<QRect>& taken, const QRect& screen);

// "Arrange all": the windows from the largest to the smallest, each at the first free place
// (FreePlace) beside the ones placed before it, else where it covers least; a window larger than the
// screen is centred, a step further than the one before, so that every caption stays in sight.
std::vector<QPoint> ArrangedPositions(const QRect& mainFrame, const std::vector<QSize>& sizes,
                                      const QRect& screen);

}  // namespace kalo::gui
