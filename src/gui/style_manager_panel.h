#pragma once
// The Style-Manager window: the group tree, the group list with its info panel and description box
// and its buttons, the file browser (places, folders, mask box, files with their count), "Load",
// "Play" and "Stop"; Enter, Space, double click and the right mouse button in the lists, and dragging
// a style file onto the group list. It shows the arranger's StyleManagerSide and forwards every
// control to it. A floating tool window of its own, so that the main window and, later, the
// Style-Creator window can both open it. Main thread.

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "app/arranger.h"
#include "app/style_manager_side.h"
#include "gui/tool_panel.h"
#include "gui/window_display.h"

namespace kalo::gui {

inline constexpr const char* kStyleManagerTitle = "Style-Manager";

class StyleManagerPanel final : public ToolPanel {
  Q_OBJECT

 public:
  StyleManagerPanel(app::Arranger& arranger, WindowDisplay& display, QWidget* parent = nullptr);

  // The play buttons follow the session's state.
  void Refresh() override;

  QTreeWidget* Tree() const { return tree_; }
  QListWidget* GroupList() const { return groupList_; }
  QListWidget* FileList() const { return fileList_; }
  QListWidget* FolderList() const { return folderList_; }
  QComboBox* MaskBox() const { return mask_; }
  QComboBox* Places() const { return places_; }
  QLabel* Info() const { return info_; }
  QLabel* FileCount() const { return count_; }
  QLineEdit* Description() const { return description_; }
  QPushButton* Button(const QString& name) const { return findChild<QPushButton*>(name); }
  // Selects group n in the tree, as a click does.
  void ChooseGroup(int group);
  // The file list's row of a file name, -1 when it is not listed.
  int FileRow(const QString& name) const;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPushButton* AddButton(QBoxLayout* layout, const QString& caption, const QString& name,
                         std::function<void()> command);
  // Runs a command of the side; afterwards the lists show its state and the other windows refresh.
  void Run(const std::function<void()>& command);
  // The groups and the browser are read when the window is first shown.
  void FirstShow();
  void ShowEntries();
  void ShowEntryDetails();
  void ShowFolder();
  void ApplyMask(const QString& typed);
  bool ListKey(app::ManagerList list, class QKeyEvent* key);
  bool RightClick(app::ManagerList list, const QPoint& position);
  bool Drop(QEvent* event);

  app::Arranger& arranger_;
  app::StyleManagerSide& side_;
  QTreeWidget* tree_ = nullptr;
  QListWidget* groupList_ = nullptr;
  QLabel* info_ = nullptr;
  QLineEdit* description_ = nullptr;
  QComboBox* places_ = nullptr;
  QListWidget* folderList_ = nullptr;
  QComboBox* mask_ = nullptr;
  QListWidget* fileList_ = nullptr;
  QLabel* count_ = nullptr;
  QTimer pump_;
  bool shown_ = false;
};

}  // namespace kalo::gui
