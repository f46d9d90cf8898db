#include "gui/tool_window_placement.h"

#include <algorithm>

namespace kalo::gui {

namespace {

// The step of the last search over the whole screen, and of the overflow cascade.
constexpr int kSearchStep = 16;
constexpr int kCascadeStep = 24;

QPoint Centred(const QSize& size, const QRect& screen) {
  return {screen.left() + (screen.width() - size.width()) / 2,
          screen.top() + (screen.height() - size.height()) / 2};
}

bool Free(const QRect& place, const QRect& mainFrame, const std::vector<QRect>& taken, const QRect& screen) {
  if (!screen.contains(place) || place.intersects(mainFrame)) return false;
  return std::none_of(taken.begin(), taken.end(),
                      [&](const QRect& other) { return place.intersects(other); });
}

}  // namespace

QPoint ToolWindowPosition(const QRect& mainFrame, const QSize& size, const QRect& screen, int edgeOffset) {
  if (edgeOffset > kMaxToolEdgeOffset) edgeOffset = 0;
  const QRect placed(QPoint(mainFrame.left() + edgeOffset, mainFrame.bottom() + 1), size);
  return screen.contains(placed) ? placed.topLeft() : Centred(size, screen);
}

std::optional<QPoint> FreePlace(const QRect& mainFrame, const QSize& size, const std::vector<QRect>& taken,
                                const QRect& screen) {
  std::vector<QPoint> candidates{{mainFrame.left(), mainFrame.bottom() + 1}};
  for (const QRect& other : taken) {
    candidates.emplace_back(other.right() + 1, other.top());
    candidates.emplace_back(mainFrame.left(), other.bottom() + 1);
    candidates.emplace_back(other.left(), other.bottom() + 1);
  }
  candidates.emplace_back(mainFrame.right() + 1, mainFrame.top());
  for (const QPoint& corner : candidates)
    if (Free(QRect(corner, size), mainFrame, taken, screen)) return corner;
  for (int y = screen.top(); y + size.height() <= screen.bottom() + 1; y += kSearchStep)
    for (int x = screen.left(); x + size.width() <= screen.right() + 1; x += kSearchStep)
      if (Free(QRect(QPoint(x, y), size), mainFrame, taken, screen)) return QPoint(x, y);
  return std::nullopt;
}

std::optional<QPoint> LeastCovering(const QRect& mainFrame, const QSize& size,
                                    const std::vector<QRect>& taken, const QRect& screen) {
  auto covered = [](const QRect& a, const QRect& b) {
    const QRect both = a.intersected(b);
    return both.isEmpty() ? qint64{0} : qint64{both.width()} * both.height();
  };
  std::optional<QPoint> best;
  qint64 least = 0;
  for (int y = screen.top(); y + size.height() <= screen.bottom() + 1; y += kSearchStep) {
    for (int x = screen.left(); x + size.width() <= screen.right() + 1; x += kSearchStep) {
      const QRect place(QPoint(x, y), size);
      // Covering the main window counts double: its controls are the ones played.
      qint64 area = 2 * covered(place, mainFrame);
      for (const QRect& other : taken) area += covered(place, other);
      if (!best || area < least) {
        best = place.topLeft();
        least = area;
      }
    }
  }
  return best;
}

std::vector<QPoint> ArrangedPositions(const QRect& mainFrame, const std::vector<QSize>& sizes,
                                      const QRect& screen) {
  // The largest first, as small windows fit into what the large ones leave; windows larger than the
  // screen last, as they cover the others in any case.
  std::vector<size_t> order(sizes.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  auto area = [&](size_t i) { return qint64{sizes[i].width()} * sizes[i].height(); };
  auto fits = [&](size_t i) {
    return sizes[i].width() <= screen.width() && sizes[i].height() <= screen.height();
  };
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return fits(a) != fits(b) ? fits(a) : area(a) > area(b); });

  std::vector<QPoint> positions(sizes.size());
  std::vector<QRect> taken;
  for (size_t i : order) {
    const QSize& size = sizes[i];
    std::optional<QPoint> place = FreePlace(mainFrame, size, taken, screen);
    if (!place) place = LeastCovering(mainFrame, size, taken, screen);
    // Larger than the screen: centred, each one a step further, so that every caption stays in sight.
    if (!place)
      place = Centred(size, screen) + QPoint(kCascadeStep, kCascadeStep) * static_cast<int>(taken.size());
    positions[i] = *place;
    taken.emplace_back(*place, size);
  }
  return positions;
}

}  // namespace kalo::gui
