#include "gui/tool_windows.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/tool_window_placement.h"

namespace kalo::gui {

ToolWindows::ToolWindows(QWidget& mainWindow) : main_(mainWindow) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&settle_, &QTimer::timeout, this, [this] {
    mainPlaced_ = true;
    const std::vector<ToolPanel*> waiting = std::move(waiting_);
    waiting_.clear();
    for (ToolPanel* panel : waiting) Show(panel);
    // The windows opened for the player do not take the computer keys from the main window.
    if (!waiting.empty()) main_.activateWindow();
  });
  main_.installEventFilter(this);
}

bool ToolWindows::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &main_ && !mainPlaced_ && (event->type() == QEvent::Show || event->type() == QEvent::Move))
    settle_.start();
  return false;
}

void ToolWindows::ShowWhenPlaced(ToolPanel* panel) {
  if (mainPlaced_) {
    Show(panel);
  } else if (std::find(waiting_.begin(), waiting_.end(), panel) == waiting_.end()) {
    waiting_.push_back(panel);
  }
}

void ToolWindows::Add(ToolPanel* panel) {
  auto* window = new QWidget(&main_, Qt::Tool);
  window->setObjectName(panel->objectName() + "Window");
  window->setWindowTitle(panel->Title());
  auto* layout = new QVBoxLayout(window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addWidget(panel);
  QObject::connect(panel, &ToolPanel::TitleChanged, window, &QWidget::setWindowTitle);
  QObject::connect(panel, &ToolPanel::SessionChanged, window, [this, panel] {
    for (ToolPanel* other : panels_)
      if (other != panel) other->Refresh();
  });
  panels_.push_back(panel);
}

QRect ToolWindows::MainFrame() const { return main_.frameGeometry(); }

QRect ToolWindows::Screen() const {
  const QScreen* screen = main_.screen() != nullptr ? main_.screen() : QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QSize ToolWindows::FrameSize(QWidget* window) const {
  if (window->isVisible()) return window->frameGeometry().size();
  const QSize decoration = main_.frameGeometry().size() - main_.geometry().size();
  window->adjustSize();
  return window->size() + decoration;
}

void ToolWindows::Show(ToolPanel* panel) {
  QWidget* window = WindowOf(panel);
  panel->Refresh();
  if (std::find(placed_.begin(), placed_.end(), window) == placed_.end()) {
    window->move(FirstPlace(window));
    placed_.push_back(window);
  }
  window->show();
  window->raise();
}

QPoint ToolWindows::FirstPlace(QWidget* window) const {
  const QSize size = FrameSize(window);
  const QPoint below = ToolWindowPosition(MainFrame(), size, Screen());
  std::vector<QRect> taken;
  for (ToolPanel* panel : panels_) {
    QWidget* other = WindowOf(panel);
    if (other != window && other->isVisible()) taken.push_back(other->frameGeometry());
  }
  // Below the main window, unless another tool window is already there.
  const QRect there(below, size);
  if (std::none_of(taken.begin(), taken.end(), [&](const QRect& other) { return other.intersects(there); }))
    return below;
  if (auto free = FreePlace(MainFrame(), size, taken, Screen())) return *free;
  return LeastCovering(MainFrame(), size, taken, Screen()).value_or(below);
}

ToolPanel* ToolWindows::Find(const QString& name) const {
  for (ToolPanel* panel : panels_)
    if (panel->Title() == name || panel->objectName() == name) return panel;
  return nullptr;
}

void ToolWindows::ArrangeAll() {
  std::vector<QWidget*> shown;
  std::vector<QSize> sizes;
  for (ToolPanel* panel : panels_) {
    QWidget* window = WindowOf(panel);
    if (!window->isVisible()) continue;
    shown.push_back(window);
    sizes.push_back(FrameSize(window));
  }
  const std::vector<QPoint> positions = ArrangedPositions(MainFrame(), sizes, Screen());
  for (size_t i = 0; i < shown.size(); ++i) {
    shown[i]->move(positions[i]);
    shown[i]->raise();
  }
}

void ToolWindows::CloseAll() {
  for (ToolPanel* panel : panels_) WindowOf(panel)->hide();
}

void ToolWindows::RefreshAll() {
  for (ToolPanel* panel : panels_) panel->Refresh();
}

}  // namespace kalo::gui
