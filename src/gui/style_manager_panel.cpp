#include "gui/style_manager_panel.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/computer_key_filter.h"
#include "gui/guarded.h"
#include "styles/style_groups.h"

namespace kalo::gui {

namespace {

// The file list hands the dragged style files on as file addresses, as a file manager does, so that
// the group list takes styles dragged from either.
class StyleFileList final : public QListWidget {
 public:
  QStringList mimeTypes() const override { return {"text/uri-list"}; }

 protected:
  QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override {
    QList<QUrl> urls;
    for (const QListWidgetItem* item : items)
      urls.push_back(QUrl::fromLocalFile(item->data(Qt::UserRole + 1).toString()));
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
  }
};

QString Text(const std::string& text) { return QString::fromStdString(text); }

// What the group list shows of an entry: its name, metre, tempo and tracks, then its description.
QString EntryLine(const std::string& entry) {
  const styles::GroupEntryText text = styles::ReadGroupEntry(entry);
  const size_t info = entry.find("{1}");
  return Text(entry.substr(0, info)) + "  " + Text(text.Description);
}

}  // namespace

StyleManagerPanel::StyleManagerPanel(app::Arranger& arranger, WindowDisplay& display, QWidget* parent)
    : ToolPanel(kStyleManagerTitle, parent), arranger_(arranger), side_(arranger.StyleManager()) {
  setObjectName(kStyleManagerTitle);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  auto* columns = new QHBoxLayout(this);

  tree_ = new QTreeWidget;
  tree_->setObjectName("Groups");
  tree_->setHeaderHidden(true);
  tree_->setFixedWidth(140);
  QTreeWidgetItem* parentItem = nullptr;
  for (int group = 1; group <= styles::kStyleGroupCount; ++group) {
    const styles::StyleGroup& g = styles::kStyleGroups[static_cast<size_t>(group - 1)];
    auto* item = g.SubGroup && parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(tree_);
    item->setText(0, QString::fromUtf8(g.Name.data(), static_cast<qsizetype>(g.Name.size())));
    item->setData(0, Qt::UserRole, group);
    if (!g.SubGroup) parentItem = item;
  }
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item == nullptr || !shown_) return;
    Run([&] { side_.ShowGroup(item->data(0, Qt::UserRole).toInt()); });
  });
  columns->addWidget(tree_);

  auto* groupColumn = new QVBoxLayout;
  groupList_ = new QListWidget;
  groupList_->setObjectName("GroupList");
  groupList_->setFont(fixed);
  groupList_->setMinimumSize(600, 300);
  groupList_->setAcceptDrops(true);
  groupList_->viewport()->setAcceptDrops(true);
  groupList_->installEventFilter(this);
  ComputerKeyFilter::KeepKeys(groupList_, {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space});
  groupList_->viewport()->installEventFilter(this);
  connect(groupList_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0) return;
    side_.ClickEntry(row);
    ShowEntryDetails();
  });
  connect(groupList_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    Run([&] {
      side_.ClickEntry(groupList_->row(item));
      side_.LoadEntry();
    });
  });
  groupColumn->addWidget(groupList_, 1);
  info_ = new QLabel;
  info_->setObjectName("Info");
  info_->setFont(fixed);
  info_->setFrameShape(QFrame::Panel);
  info_->setFrameShadow(QFrame::Sunken);
  groupColumn->addWidget(info_);
  description_ = new QLineEdit;
  description_->setObjectName("Description");
  description_->setPlaceholderText("Description");
  description_->setToolTip(
      "The style's one-line description in the group; \" Add or Edit current Style \" keeps it");
  groupColumn->addWidget(description_);
  auto* groupButtons = new QHBoxLayout;
  AddButton(groupButtons, " Add or Edit current Style ", "AddOrEdit", [this] {
    side_.AddOrEditCurrentStyle(description_->text().toStdString());
  })->setToolTip("Add the loaded style to this group with the description, or give it the description");
  AddButton(groupButtons, " Remove        ", "Remove", [this] {
    side_.Remove();
  })->setToolTip("Take the selected style out of this group (the file stays)");
  AddButton(groupButtons, "  Remove all ", "RemoveAll", [this] {
    side_.RemoveAll();
  })->setToolTip("Empty this group (the files stay)");
  AddButton(groupButtons, "Load", "LoadEntry", [this] {
    side_.LoadEntry();
  })->setToolTip("Load the selected style of the group (also double click or Enter)");
  groupColumn->addLayout(groupButtons);
  columns->addLayout(groupColumn, 3);

  auto* fileColumn = new QVBoxLayout;
  places_ = new QComboBox;
  places_->setObjectName("Places");
  places_->addItem("Styles", QString::fromStdString(arranger_.Folder().Styles().string()));
  places_->addItem("Home", QDir::homePath());
  places_->addItem("/", QDir::rootPath());
  places_->setToolTip("Go to the program's styles, your home folder or the root");
  connect(places_, &QComboBox::activated, this, [this](int index) {
    side_.Browser().SetFolder(places_->itemData(index).toString().toStdString());
    ShowFolder();
  });
  fileColumn->addWidget(places_);
  folderList_ = new QListWidget;
  folderList_->setObjectName("Folders");
  folderList_->setFixedHeight(90);
  connect(folderList_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    side_.Browser().Enter(item->text().toStdString());
    ShowFolder();
  });
  fileColumn->addWidget(folderList_);
  mask_ = new QComboBox;
  mask_->setObjectName("Mask");
  mask_->setToolTip(Text(styles::MaskHint(0)));
  mask_->setEditable(true);
  mask_->setInsertPolicy(QComboBox::NoInsert);
  // The digit masks are long: the box keeps the width of the list, its drop-down shows them whole.
  mask_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  mask_->setMinimumContentsLength(16);
  for (const std::string& mask : styles::ReadyMasks()) mask_->addItem(Text(mask));
  mask_->setEditText(styles::kStyleFileMask);
  connect(mask_->lineEdit(), &QLineEdit::returnPressed, this, [this] { ApplyMask(mask_->currentText()); });
  connect(mask_, &QComboBox::textActivated, this, &StyleManagerPanel::ApplyMask);
  fileColumn->addWidget(mask_);
  fileList_ = new StyleFileList;
  fileList_->setObjectName("FileList");
  fileList_->setFont(fixed);
  fileList_->setMinimumWidth(380);
  fileList_->setDragEnabled(true);
  fileList_->setDragDropMode(QAbstractItemView::DragOnly);
  fileList_->installEventFilter(this);
  ComputerKeyFilter::KeepKeys(fileList_, {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space});
  fileList_->viewport()->installEventFilter(this);
  connect(fileList_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) side_.ClickFile(fileList_->item(row)->data(Qt::UserRole).toString().toStdString());
  });
  connect(fileList_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    Run([&] {
      side_.ClickFile(item->data(Qt::UserRole).toString().toStdString());
      side_.LoadFile();
    });
  });
  fileColumn->addWidget(fileList_, 1);
  auto* fileButtons = new QHBoxLayout;
  count_ = new QLabel;
  count_->setObjectName("FileCount");
  fileButtons->addWidget(count_, 1);
  AddButton(fileButtons, "Load", "LoadFile", [this] {
    side_.LoadFile();
  })->setToolTip("Load the selected file (also double click or Enter)");
  AddButton(fileButtons, "Play", "Play", [this] {
    side_.Play();
  })->setToolTip("Hear the Basic of the style chosen last in either list (also Space or the right button)");
  AddButton(fileButtons, "Stop", "Stop", [this] { side_.Stop(); })->setToolTip("Stop what plays");
  fileColumn->addLayout(fileButtons);
  columns->addLayout(fileColumn, 2);

  // A rendered preview is sent in real time from the main loop.
  pump_.setTimerType(Qt::PreciseTimer);
  pump_.setInterval(2);
  connect(&pump_, &QTimer::timeout, this, [this] {
    Guarded(arranger_.Dialogs(), [this] { side_.Pump(); });
    if (!side_.PreviewRunning()) {
      pump_.stop();
      Refresh();
    }
  });
  // The caption names the loaded style: "ROCK1  -  Style-Manager".
  connect(&display, &WindowDisplay::StyleManagerCaptionChanged, this,
          [this](const QString& caption) { SetTitle(caption.isEmpty() ? kStyleManagerTitle : caption); });
  if (!display.StyleManagerCaption().isEmpty()) SetTitle(display.StyleManagerCaption());
}

QPushButton* StyleManagerPanel::AddButton(QBoxLayout* layout, const QString& caption, const QString& name,
                                          std::function<void()> command) {
  auto* button = new QPushButton(caption);
  button->setObjectName(name);
  button->setAutoDefault(false);
  connect(button, &QPushButton::clicked, this, [this, command = std::move(command)] { Run(command); });
  layout->addWidget(button);
  return button;
}

void StyleManagerPanel::Run(const std::function<void()>& command) {
  Guarded(arranger_.Dialogs(), command);
  ShowEntries();
  if (side_.PreviewRunning() && !pump_.isActive()) pump_.start();
  Refresh();
  Q_EMIT SessionChanged();
}

void StyleManagerPanel::showEvent(QShowEvent* event) {
  ToolPanel::showEvent(event);
  if (!shown_) FirstShow();
}

void StyleManagerPanel::FirstShow() {
  shown_ = true;
  ShowFolder();
  ChooseGroup(side_.FirstFilledGroup());
}

void StyleManagerPanel::ChooseGroup(int group) {
  if (!shown_) FirstShow();
  for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it) {
    if ((*it)->data(0, Qt::UserRole).toInt() != group) continue;
    if (tree_->currentItem() == *it) {
      Run([&] { side_.ShowGroup(group); });
    } else {
      tree_->setCurrentItem(*it);  // shows the group through currentItemChanged
    }
    tree_->scrollToItem(*it);
    return;
  }
}

void StyleManagerPanel::ShowEntries() {
  if (!shown_) return;
  const styles::StyleGroupList& groups = side_.Groups();
  const QSignalBlocker block(groupList_);
  groupList_->clear();
  for (const std::string& entry : groups.Entries()) {
    // A long description runs past the list's edge: the tooltip gives it whole, with the file.
    const styles::GroupEntryText text = styles::ReadGroupEntry(entry);
    auto* item = new QListWidgetItem(EntryLine(entry), groupList_);
    item->setToolTip(Text(text.Description) + "\n" + Text(text.Path));
  }
  groupList_->setCurrentRow(groups.Selected());
  ShowEntryDetails();
}

void StyleManagerPanel::ShowEntryDetails() {
  const styles::GroupEntryText text = side_.Groups().SelectedText();
  info_->setText(Text(text.Info));
  info_->setToolTip(Text(text.Path));
  description_->setText(Text(text.Description));
}

void StyleManagerPanel::ShowFolder() {
  const styles::StyleBrowser& browser = side_.Browser();
  folderList_->clear();
  for (const std::string& folder : browser.Folders()) folderList_->addItem(Text(folder));
  folderList_->setToolTip(Text(browser.Folder().string()));
  places_->setToolTip("Go to the program's styles, your home folder or the root; now in " +
                      Text(browser.Folder().string()));
  const QSignalBlocker block(fileList_);
  fileList_->clear();
  for (const styles::StyleFileEntry& file : browser.Files()) {
    auto* item = new QListWidgetItem(Text(styles::FileListText(file)), fileList_);
    item->setData(Qt::UserRole, Text(file.Name));
    item->setData(Qt::UserRole + 1, Text(browser.PathOf(file.Name).string()));
    if (!styles::IsDraggableStyle(file.Name)) item->setFlags(item->flags() & ~Qt::ItemIsDragEnabled);
  }
  const int row = FileRow(Text(side_.SelectedFile()));
  fileList_->setCurrentRow(row);
  const auto count = static_cast<int>(browser.Files().size());
  count_->setText(Text(styles::FileCountText(count)));
  count_->setToolTip(Text(browser.Problem()));
  mask_->setToolTip(Text(styles::MaskHint(count)));
  mask_->lineEdit()->setToolTip(mask_->toolTip());
}

int StyleManagerPanel::FileRow(const QString& name) const {
  for (int row = 0; row < fileList_->count(); ++row)
    if (fileList_->item(row)->data(Qt::UserRole).toString() == name) return row;
  return -1;
}

void StyleManagerPanel::ApplyMask(const QString& typed) {
  const std::string mask = styles::MaskFromEntry(typed.toStdString());
  mask_->setEditText(Text(mask));
  side_.Browser().SetMask(mask);
  ShowFolder();
}

void StyleManagerPanel::Refresh() {
  const bool playing = side_.Playing();
  Button("Stop")->setEnabled(playing);
}

bool StyleManagerPanel::eventFilter(QObject* watched, QEvent* event) {
  // Events arrive while the window is still being built.
  if (groupList_ == nullptr || fileList_ == nullptr || count_ == nullptr) return false;
  const bool group = watched == groupList_ || watched == groupList_->viewport();
  const bool files = watched == fileList_ || watched == fileList_->viewport();
  if (!group && !files) return ToolPanel::eventFilter(watched, event);
  const app::ManagerList list = group ? app::ManagerList::Group : app::ManagerList::Files;
  switch (event->type()) {
    case QEvent::KeyPress:
      return ListKey(list, static_cast<QKeyEvent*>(event));
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::RightButton || watched == groupList_ || watched == fileList_) return false;
      return RightClick(list, mouse->position().toPoint());
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      return group && watched == groupList_->viewport() && Drop(event);
    default:
      return false;
  }
}

bool StyleManagerPanel::ListKey(app::ManagerList list, QKeyEvent* key) {
  const bool group = list == app::ManagerList::Group;
  switch (key->key()) {
    case Qt::Key_Space:
      Run([&] { side_.Space(list); });
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Run([&] { group ? side_.LoadEntry() : side_.LoadFile(); });
      return true;
    default:
      // While a style plays, no other key moves the lists.
      return side_.Playing();
  }
}

bool StyleManagerPanel::RightClick(app::ManagerList list, const QPoint& position) {
  QListWidget* widget = list == app::ManagerList::Group ? groupList_ : fileList_;
  const int row = widget->indexAt(position).row();
  if (row < 0) return true;
  if (list == app::ManagerList::Group) {
    Run([&] { side_.RightClickEntry(row); });
  } else {
    const QSignalBlocker block(fileList_);
    fileList_->setCurrentRow(row);
    Run([&] { side_.RightClickFile(fileList_->item(row)->data(Qt::UserRole).toString().toStdString()); });
  }
  return true;
}

bool StyleManagerPanel::Drop(QEvent* event) {
  auto* drop = static_cast<QDropEvent*>(event);
  std::vector<std::string> files;
  for (const QUrl& url : drop->mimeData()->urls())
    if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
  if (files.empty()) return false;
  drop->setDropAction(Qt::CopyAction);
  drop->accept();
  if (event->type() == QEvent::Drop) {
    const std::string description = description_->text().toStdString();
    Run([&] {
      for (const std::string& file : files) side_.DropFile(file, description);
    });
  }
  return true;
}

}  // namespace kalo::gui
