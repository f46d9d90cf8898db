// The main window's ways to a style: "Load Style ..." and "Style-Manager ..." in the File menu and on
// the tool bar, and the last-used styles below them, so that a style is two clicks away.

#include <QDir>
#include <QFileInfo>
#include <QToolBar>

#include "app/style_manager_side.h"
#include "config/recent_styles.h"
#include "gui/guarded.h"
#include "gui/main_window.h"
#include "gui/style_manager_panel.h"

namespace kalo::gui {

void MainWindow::MakeStyleMenus(QMenu* file) {
  QAction* load = AddCommand(file, "Load Style ...", [this] { arranger_.StyleManager().LoadByDialog(); });
  load->setObjectName("LoadStyle");
  load->setToolTip("Open a style file");
  QAction* manager = file->addAction("Style-Manager ...");
  manager->setObjectName("StyleManager");
  manager->setToolTip("Browse, hear and load styles, and keep them in groups");
  connect(manager, &QAction::triggered, this, [this] { ShowPanel(kStyleManagerTitle); });
  file->addSeparator();  // collapses into the next one while no style is listed
  recentEnd_ = file->addSeparator();
  connect(file, &QMenu::aboutToShow, this, &MainWindow::ShowRecentStyles);

  QToolBar* bar = addToolBar("Styles");
  bar->setObjectName("StyleToolBar");
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  bar->addAction(load);
  bar->addAction(manager);
}

void MainWindow::ShowRecentStyles() {
  QMenu* file = qobject_cast<QMenu*>(recentEnd_->parent());
  for (QAction* action : recent_) {
    file->removeAction(action);
    action->setObjectName(QString());
    action->deleteLater();  // it may be the entry being triggered
  }
  recent_.clear();
  const std::vector<std::string> paths = config::RecentStyles(arranger_.Settings());
  for (size_t i = 0; i < paths.size(); ++i) {
    const QString path = QString::fromStdString(paths[i]);
    QString name = QFileInfo(path).fileName();
    name.replace("&", "&&");
    auto* action = new QAction(QString("&%1  %2").arg(i + 1).arg(name), file);
    action->setObjectName(QString("LastStyle%1").arg(i + 1));
    action->setToolTip(QDir::toNativeSeparators(path));
    action->setStatusTip(action->toolTip());
    connect(action, &QAction::triggered, this, [this, path = paths[i]] {
      Guarded(arranger_.Dialogs(), [&] { arranger_.StyleManager().LoadRecent(path); });
      Refresh();
      tools_.RefreshAll();
    });
    file->insertAction(recentEnd_, action);
    recent_.push_back(action);
  }
}

}  // namespace kalo::gui
