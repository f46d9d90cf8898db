#include "gui/tool_windows.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>

#include "gui/session_rig.h"
#include "gui/tool_window_placement.h"

namespace kalo::gui {
namespace {

using testing::SessionRig;

TEST(ToolWindowPlacement, ANewWindowGoesBelowTheMainWindowOrToTheScreensCentre) {
  const QRect screen(0, 0, 1000, 800);
  struct Row {
    const char* Name;
    QRect Main;
    QSize Size;
    int EdgeOffset;
    QPoint Expected;
  };
  const Row rows[] = {
      {"below, at the left edge", {100, 50, 600, 300}, {400, 200}, 0, {100, 350}},
      {"a small edge offset is kept", {100, 50, 600, 300}, {400, 200}, 12, {112, 350}},
      {"a larger one counts as 0", {100, 50, 600, 300}, {400, 200}, 13, {100, 350}},
      {"exactly fitting at the bottom", {0, 0, 600, 600}, {400, 200}, 0, {0, 600}},
      {"one pixel too low: centred", {0, 0, 600, 601}, {400, 200}, 0, {300, 300}},
      {"too wide to the right: centred", {700, 0, 200, 100}, {400, 200}, 0, {300, 300}},
      {"main window off the left edge: centred", {-8, 0, 600, 100}, {400, 200}, 0, {300, 300}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ToolWindowPosition(row.Main, row.Size, screen, row.EdgeOffset), row.Expected) << row.Name;
  }
}

TEST(ToolWindowPlacement, ArrangeAllPutsTheLargestBelowTheMainWindowAndTheOthersBesideAndBelow) {
  const QRect screen(0, 0, 1000, 800);
  const QRect main(50, 0, 600, 100);
  const std::vector<QSize> sizes = {{400, 150}, {500, 300}, {300, 100}, {200, 900}};
  // The one taller than the screen is centred, a cascade step for each window placed before it.
  const std::vector<QPoint> expected = {{550, 100}, {50, 100}, {50, 400}, {400 + 3 * 24, -50 + 3 * 24}};
  EXPECT_EQ(ArrangedPositions(main, sizes, screen), expected);
}

TEST(ToolWindowPlacement, WithoutRoomAWindowCoversAToolWindowRatherThanTheMainWindow) {
  const QRect screen(0, 0, 800, 800);
  const QRect main(0, 0, 800, 400);
  const std::vector<QRect> taken = {{0, 400, 800, 400}};
  EXPECT_FALSE(FreePlace(main, {800, 400}, taken, screen).has_value());
  EXPECT_EQ(LeastCovering(main, {800, 400}, taken, screen), QPoint(0, 400));
  EXPECT_FALSE(LeastCovering(main, {900, 100}, taken, screen).has_value()) << "wider than the screen";
}

TEST(ToolWindowPlacement, ArrangeAllTilesTheWindowsWithoutOverlapWhereTheScreenHasRoom) {
  const QRect screen(0, 0, 1920, 1050);
  const QRect main(400, 0, 980, 330);
  // The frames of the tool windows a player opens most.
  const std::vector<QSize> sizes = {{620, 380}, {720, 230}, {560, 300}, {460, 420}, {540, 260}, {300, 220}};
  const std::vector<QPoint> positions = ArrangedPositions(main, sizes, screen);
  for (size_t i = 0; i < sizes.size(); ++i) {
    const QRect placed(positions[i], sizes[i]);
    EXPECT_TRUE(screen.contains(placed)) << i;
    EXPECT_FALSE(placed.intersects(main)) << i;
    for (size_t j = 0; j < i; ++j)
      EXPECT_FALSE(placed.intersects(QRect(positions[j], sizes[j]))) << i << " " << j;
  }
}

TEST(ToolWindows, AToolWindowIsCaptionedWithItsPanelAndShownBelowTheMainWindow) {
  SessionRig rig;
  const QRect available = rig.Main().screen()->availableGeometry();
  rig.Main().move(available.topLeft() + QPoint(40, 20));
  ASSERT_TRUE(rig.Main().ShowPanel("Solo-Mute"));
  QWidget* window = ToolWindows::WindowOf(rig.Main().Tools().Find("Solo-Mute"));
  EXPECT_EQ(window->windowTitle(), "Solo-Mute");
  EXPECT_EQ(window->frameGeometry().topLeft(),
            QPoint(rig.Main().frameGeometry().left(), rig.Main().frameGeometry().bottom() + 1));

  // Shown again, it stays where it was moved; a window new to a main window near the bottom is centred.
  window->move(available.topLeft() + QPoint(5, 5));
  rig.Main().Tools().CloseAll();
  rig.Main().ShowPanel("Solo-Mute");
  EXPECT_EQ(window->frameGeometry().topLeft(), available.topLeft() + QPoint(5, 5));
  rig.Main().move(available.left(), available.bottom() - rig.Main().frameGeometry().height());
  ASSERT_TRUE(rig.Main().ShowPanel("Mixer"));
  QWidget* mixer = ToolWindows::WindowOf(rig.Main().Tools().Find("Mixer"));
  const QPoint offCentre = mixer->frameGeometry().center() - available.center();
  EXPECT_LE(offCentre.manhattanLength(), 2) << "centred within the rounding of halves";
}

// What a control does is one hover away in every window: each button, box, field and slider a player
// can reach carries a tooltip (a field inside a spin box or combo box is part of its box).
TEST(ToolWindows, EveryControlOfEveryWindowHasATooltip) {
  SessionRig rig;
  std::vector<QWidget*> windows = {&rig.Main()};
  for (ToolPanel* panel : rig.Main().Tools().Panels()) windows.push_back(panel);
  for (QWidget* window : windows) {
    for (QWidget* control : window->findChildren<QWidget*>()) {
      const bool part = qobject_cast<QAbstractSpinBox*>(control->parentWidget()) != nullptr ||
                        qobject_cast<QComboBox*>(control->parentWidget()) != nullptr;
      const bool kind = qobject_cast<QAbstractButton*>(control) || qobject_cast<QComboBox*>(control) ||
                        qobject_cast<QAbstractSpinBox*>(control) || qobject_cast<QLineEdit*>(control) ||
                        (qobject_cast<QAbstractSlider*>(control) && !qobject_cast<QScrollBar*>(control));
      // Qt's own parts of a menu bar, tab bar and table, and the controls of another window.
      const bool qts = control->objectName().startsWith("qt_") ||
                       control->objectName().startsWith("Scroll") ||
                       QByteArray(control->metaObject()->className()) == "QTableCornerButton";
      if (!kind || part || qts || control->window() != window->window()) continue;
      EXPECT_FALSE(control->toolTip().isEmpty())
          << window->objectName().toStdString() << " / " << window->windowTitle().toStdString() << ": "
          << control->metaObject()->className() << " \"" << control->objectName().toStdString() << "\"";
    }
  }
}

}  // namespace
}  // namespace kalo::gui
