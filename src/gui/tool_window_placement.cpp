#include "gui/tool_window_placement.h"

#include <algorithm>

namespace kalo::gui {

namespace {

QPoint Centred(const QSize& size, const QRect& screen) {
  return {screen.left() + (screen.width() - size.width()) / 2,
          screen.top() + (screen.height() - size.height()) / 2};
}

}  // namespace

QPoint ToolWindowPosition(const QRect& mainFrame, const QSize& size, const QRect& screen, int edgeOffset) {
  if (edgeOffset > kMaxToolEdgeOffset) edgeOffset = 0;
  const QRect placed(QPoint(mainFrame.left() + edgeOffset, mainFrame.bottom() + 1), size);
  return screen.contains(placed) ? placed.topLeft() : Centred(size, screen);
}

std::vector<QPoint> ArrangedPositions(const QRect& mainFrame, const std::vector<QSize>& sizes,
                                      const QRect& screen) {
  std::vector<QPoint> positions;
  QPoint next(mainFrame.left(), mainFrame.bottom() + 1);
  int rowHeight = 0;
  for (const QSize& size : sizes) {
    QRect placed(next, size);
    if (!screen.contains(placed) && next.x() != mainFrame.left()) {
      next = QPoint(mainFrame.left(), next.y() + rowHeight);
      rowHeight = 0;
      placed = QRect(next, size);
    }
    if (!screen.contains(placed)) {
      positions.push_back(Centred(size, screen));
      continue;
    }
    positions.push_back(placed.topLeft());
    next.rx() += size.width();
    rowHeight = std::max(rowHeight, size.height());
  }
  return positions;
}

}  // namespace kalo::gui
