#pragma once
// The floating tool windows of the main window: one small window per tool panel, created hidden with
// the panel at its position 0,0, captioned with the panel's title and kept above the main window.
// The first time a window is shown it is placed below the main window (tool_window_placement.h), or
// at the first free place when another tool window is already there; after that it stays where the
// player moved it. Main thread.

#include <QObject>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "gui/tool_panel.h"

namespace kalo::gui {

class ToolWindows final : public QObject {
 public:
  // How long the main window must keep still after it was shown or moved before it counts as
  // placed: the window manager moves and frames it shortly after it appears.
  static constexpr int kSettleMs = 150;

  // `mainWindow` must outlive this object.
  explicit ToolWindows(QWidget& mainWindow);

  // Makes the panel's tool window (hidden). The window belongs to the main window and is destroyed
  // with it. Every other panel refreshes when this one reports a change.
  void Add(ToolPanel* panel);

  // Shows (and raises) the panel's window, placing it on its first showing.
  void Show(ToolPanel* panel);
  // Shows it as Show does, but only once the main window has been placed on the screen, so that the
  // window goes below where the main window really is.
  void ShowWhenPlaced(ToolPanel* panel);
  bool MainPlaced() const { return mainPlaced_; }
  // The panel with this title or object name, or null.
  ToolPanel* Find(const QString& name) const;
  const std::vector<ToolPanel*>& Panels() const { return panels_; }
  static QWidget* WindowOf(ToolPanel* panel) { return panel->window(); }

  // "Arrange all" places every shown window again; "Close all" hides them all.
  void ArrangeAll();
  void CloseAll();
  void RefreshAll();

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;
  QRect MainFrame() const;
  QRect Screen() const;
  // The frame size of a window that is not shown yet: its size plus the main window's decoration.
  QSize FrameSize(QWidget* window) const;
  // Where a window shown for the first time goes.
  QPoint FirstPlace(QWidget* window) const;

  QWidget& main_;
  std::vector<ToolPanel*> panels_;
  std::vector<QWidget*> placed_;
  std::vector<ToolPanel*> waiting_;
  QTimer settle_;
  bool mainPlaced_ = false;
};

}  // namespace kalo::gui
