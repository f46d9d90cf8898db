// The Style-Manager window and the main window's ways to a style, driven as a player drives them:
// each control reaches its command, the questions and messages come with their texts, and what plays
// is silenced by Stop.

#include "gui/style_manager_panel.h"

#include <gtest/gtest.h>

#include <QMimeData>
#include <QUrl>

#include "app/engine_rig.h"
#include "gui/session_rig.h"
#include "styles/style_groups.h"

namespace kalo::gui {
namespace {

using testing::SessionRig;

const std::filesystem::path kShipped = KALO_SHIPPED_STYLES_DIR;

struct ManagerRig : SessionRig {
  // With computerKeys the keys go through the computer keys first, as in the program.
  explicit ManagerRig(std::optional<std::string> ini = "[Options]\nAutoload=1\n", bool computerKeys = false)
      : SessionRig(std::move(ini), {}, false, computerKeys) {
    std::filesystem::create_directories(Styles);
    for (const char* name : {"bossa", "funk", "samba", "swing", "waltz"})
      std::filesystem::copy_file(kShipped / (std::string(name) + ".vxs"),
                                 Styles / (std::string(name) + ".vxs"));
  }
  std::string Style(const char* name) const { return (Styles / (std::string(name) + ".vxs")).string(); }
  // Group n of the group file beside the program holds these styles, each described by its name.
  void WriteGroup(int group, std::initializer_list<const char*> names) {
    styles::StyleGroupFile file({Folder.Path() / "kalo.VXG", Folder.Path() / "kalo.VXG"});
    std::vector<std::string> entries;
    for (const char* name : names)
      entries.push_back(styles::MakeGroupEntry(Style(name), *styles::ReadStyleSummary(Style(name)), name));
    file.SaveGroup(group, entries);
  }
  StyleManagerPanel& Open() {
    Main().Action("StyleManager")->trigger();
    return *dynamic_cast<StyleManagerPanel*>(Main().Tools().Find(kStyleManagerTitle));
  }
  std::vector<std::string> Asked() const {
    std::vector<std::string> asked;
    for (const auto& entry : Dialogs.Entries())
      if (entry.Kind == host::RecordingDialogs::Entry::Kind::Ask) asked.push_back(entry.Text);
    return asked;
  }
  const std::string& Current() { return Arranger().Gen().CurrentStylePath; }
  std::string StillSounding() {
    std::vector<midi::CapturedMessage> heard;
    for (auto& bytes : Sent(0)) heard.push_back({0, bytes});
    return app::testing::StillSounding(heard);
  }

  std::filesystem::path Styles = Folder.Path() / "STYLES";
};

// The list has the keyboard in its active window, as after the player clicked into it.
void Focus(QListWidget* list) {
  list->window()->activateWindow();
  QApplication::setActiveWindow(list->window());
  list->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == list; }));
}

void Click(QListWidget* list, int row, Qt::MouseButton button = Qt::LeftButton) {
  QTest::mouseClick(list->viewport(), button, {}, list->visualItemRect(list->item(row)).center());
}

TEST(StyleManagerWindow, OpensOnTheFirstFilledGroupAndTheStylesFolderWhoseMaskAndFoldersChooseTheFiles) {
  ManagerRig rig;
  rig.WriteGroup(39, {"swing", "funk"});
  StyleManagerPanel& panel = rig.Open();
  EXPECT_TRUE(ToolWindows::WindowOf(&panel)->isVisible());
  EXPECT_EQ(panel.Tree()->currentItem()->text(0), "Swing");
  ASSERT_EQ(panel.GroupList()->count(), 2);
  EXPECT_TRUE(panel.GroupList()->item(1)->text().startsWith("funk.vxs                 Met: 4/4  Beat: 100"));
  Click(panel.GroupList(), 1);
  EXPECT_EQ(panel.Info()->text(), "Met: 4/4  Beat: 100  Tracks: 5");
  EXPECT_EQ(panel.Description()->text(), "funk");

  EXPECT_EQ(panel.FileCount()->text(), "5 files");
  EXPECT_EQ(panel.MaskBox()->toolTip(), "Currently listed: 5 files; Press \"Enter\" (you may use * and ?)");
  panel.MaskBox()->lineEdit()->clear();
  QTest::keyClicks(panel.MaskBox()->lineEdit(), "s");
  QTest::keyClick(panel.MaskBox()->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(panel.MaskBox()->currentText(), "s*");
  EXPECT_EQ(panel.FileCount()->text(), "2 files");
  EXPECT_EQ(
      panel.FileList()->item(1)->text().toStdString(),
      "swing.vxs                 " + styles::SummaryText(*styles::ReadStyleSummary(rig.Style("swing"))));
  Q_EMIT panel.MaskBox()->textActivated("*waltz*");
  EXPECT_EQ(panel.FileCount()->text(), "1 files");

  ASSERT_EQ(panel.FolderList()->item(0)->text(), "..");
  Q_EMIT panel.FolderList()->itemActivated(panel.FolderList()->item(0));
  EXPECT_EQ(panel.FileCount()->text(), "0 files");
  EXPECT_EQ(panel.FolderList()->findItems("STYLES", Qt::MatchExactly).size(), 1);
  Q_EMIT panel.Places()->activated(0);
  EXPECT_EQ(panel.FileCount()->text(), "1 files");
}

TEST(StyleManagerWindow, TheGroupButtonsAskTheirQuestionsAndReachTheGroupFile) {
  ManagerRig rig;
  StyleManagerPanel& panel = rig.Open();
  panel.ChooseGroup(2);  // Pop / Ballad
  QTest::mouseClick(panel.Button("AddOrEdit"), Qt::LeftButton);
  EXPECT_EQ(rig.Dialogs.Messages().back(), "No style loaded !");

  Click(panel.FileList(), panel.FileRow("swing.vxs"));
  QTest::mouseClick(panel.Button("LoadFile"), Qt::LeftButton);
  ASSERT_EQ(rig.Current(), rig.Style("swing"));
  panel.Description()->setText("Late night");
  rig.Dialogs.QueueAnswer(true);
  QTest::mouseClick(panel.Button("AddOrEdit"), Qt::LeftButton);
  panel.Description()->setText("Later");
  rig.Dialogs.QueueAnswer(true);
  QTest::mouseClick(panel.Button("AddOrEdit"), Qt::LeftButton);
  ASSERT_EQ(panel.GroupList()->count(), 1);
  EXPECT_TRUE(panel.GroupList()->item(0)->text().endsWith("  Later"));
  const auto saved = [&] {
    return styles::StyleGroupFile::Open({rig.Folder.Path() / "kalo.VXG", {}}).Entries(2);
  };
  ASSERT_EQ(saved().size(), 1u);

  rig.Dialogs.QueueAnswer(false);
  QTest::mouseClick(panel.Button("Remove"), Qt::LeftButton);
  EXPECT_EQ(panel.GroupList()->count(), 1);
  rig.Dialogs.QueueAnswer(true);
  QTest::mouseClick(panel.Button("RemoveAll"), Qt::LeftButton);
  EXPECT_EQ(panel.GroupList()->count(), 0);
  EXPECT_TRUE(saved().empty());
  EXPECT_EQ(rig.Asked(), (std::vector<std::string>{"Add \"swing.vxs\" to group \"Ballad\" ?",
                                                   "Edit the description of \"swing.vxs\" (loaded style) ?",
                                                   "Remove swing.vxs   ... ?", "Remove all styles ?"}));
}

TEST(StyleManagerWindow, DoubleClickEnterAndLoadLoadTheEntryOrTheFileAndTheCaptionNamesIt) {
  // Return also moves the keyboard on among the controls: in the lists it loads.
  ManagerRig rig("[Options]\nAutoload=1\n", true);
  rig.WriteGroup(44, {"samba", "funk"});
  StyleManagerPanel& panel = rig.Open();
  // A double click as the list reports it (the test platform's clicks carry no double-click timing).
  Q_EMIT panel.GroupList()->itemDoubleClicked(panel.GroupList()->item(1));
  EXPECT_EQ(rig.Current(), rig.Style("funk"));
  EXPECT_EQ(panel.Title(), "FUNK  -  Style-Manager");
  Focus(panel.GroupList());
  QTest::keyClick(panel.GroupList(), Qt::Key_Up);
  QTest::keyClick(panel.GroupList(), Qt::Key_Return);
  EXPECT_EQ(rig.Current(), rig.Style("samba"));

  Click(panel.FileList(), panel.FileRow("waltz.vxs"));
  Focus(panel.FileList());
  QTest::keyClick(panel.FileList(), Qt::Key_Enter);
  EXPECT_EQ(rig.Current(), rig.Style("waltz"));
  Q_EMIT panel.FileList()->itemDoubleClicked(panel.FileList()->item(panel.FileRow("bossa.vxs")));
  EXPECT_EQ(rig.Current(), rig.Style("bossa"));
  Click(panel.GroupList(), 0);
  QTest::mouseClick(panel.Button("LoadEntry"), Qt::LeftButton);
  EXPECT_EQ(rig.Current(), rig.Style("samba"));
  EXPECT_EQ(rig.Dialogs.Messages().size(), 1u) << "no more than the start's reset";
}

TEST(StyleManagerWindow, PlayStopSpaceAndTheRightButtonPreviewAndLeaveNothingSounding) {
  ManagerRig rig;
  rig.WriteGroup(44, {"samba"});
  StyleManagerPanel& panel = rig.Open();
  QListWidget* files = panel.FileList();
  const auto tick = [&](int ticks) {
    for (int i = 0; i < ticks; ++i) rig.Arranger().Clock().OnTick();
  };
  Click(files, panel.FileRow("swing.vxs"));
  EXPECT_FALSE(panel.Button("Stop")->isEnabled());
  QTest::mouseClick(panel.Button("Play"), Qt::LeftButton);
  EXPECT_EQ(rig.Current(), rig.Style("swing"));
  EXPECT_TRUE(panel.Button("Stop")->isEnabled());
  tick(200);
  EXPECT_NE(rig.StillSounding(), "") << "it plays";
  const int row = files->currentRow();
  QTest::keyClick(files, Qt::Key_Down);
  EXPECT_EQ(files->currentRow(), row) << "keys are swallowed while playing";
  QTest::mouseClick(panel.Button("Stop"), Qt::LeftButton);
  EXPECT_EQ(rig.StillSounding(), "");

  Click(files, panel.FileRow("funk.vxs"), Qt::RightButton);
  EXPECT_EQ(rig.Current(), rig.Style("funk"));
  EXPECT_TRUE(rig.Arranger().StyleManager().Playing());
  tick(100);
  Click(files, panel.FileRow("funk.vxs"), Qt::RightButton);
  EXPECT_FALSE(rig.Arranger().StyleManager().Playing());
  EXPECT_EQ(rig.StillSounding(), "");
  QTest::keyClick(files, Qt::Key_Space);
  EXPECT_TRUE(rig.Arranger().StyleManager().Playing());
  tick(100);
  // Another style loaded from the File menu while this one plays silences it.
  rig.Main().Refresh();
  rig.Main().Action("LastStyle2")->trigger();
  EXPECT_EQ(rig.Current(), rig.Style("swing"));
  EXPECT_EQ(rig.StillSounding(), "");

  // In the group list Space loads, and the right button on the selected entry plays it.
  QTest::keyClick(panel.GroupList(), Qt::Key_Space);
  EXPECT_EQ(rig.Current(), rig.Style("samba"));
  EXPECT_FALSE(rig.Arranger().StyleManager().Playing());
  Click(panel.GroupList(), 0, Qt::RightButton);
  EXPECT_TRUE(rig.Arranger().StyleManager().Playing());
  QTest::keyClick(panel.GroupList(), Qt::Key_Space);
  EXPECT_FALSE(rig.Arranger().StyleManager().Playing());
}

TEST(StyleManagerWindow, AStyleFileDroppedOnTheGroupListIsLoadedAndAddedOrItsDescriptionEdited) {
  ManagerRig rig;
  StyleManagerPanel& panel = rig.Open();
  panel.ChooseGroup(33);  // Latin / Samba
  QWidget* target = panel.GroupList()->viewport();
  const auto drop = [&](const std::string& file, const char* description) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
    QDragEnterEvent enter(target->rect().center(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    panel.Description()->setText(description);
    rig.Dialogs.QueueAnswer(true);
    QDropEvent event(target->rect().center(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  };
  drop(rig.Style("samba"), "Carnival");
  EXPECT_EQ(rig.Current(), rig.Style("samba"));
  drop(rig.Style("samba"), "Batucada");
  drop((rig.Styles / "want more !!! .vxs").string(), "never taken");
  EXPECT_EQ(rig.Asked(),
            (std::vector<std::string>{"Add \"samba.vxs\" to group \"Samba\" ?",
                                      "Edit the description of \"samba.vxs\" (loaded style) ?"}));
  ASSERT_EQ(panel.GroupList()->count(), 1);
  EXPECT_TRUE(panel.GroupList()->item(0)->text().endsWith("Batucada"));
  // The file list hands its styles on as file addresses, which the group list takes.
  QAbstractItemModel* model = panel.FileList()->model();
  std::unique_ptr<QMimeData> dragged(model->mimeData({model->index(panel.FileRow("waltz.vxs"), 0)}));
  ASSERT_NE(dragged, nullptr);
  EXPECT_EQ(dragged->urls().value(0).toLocalFile().toStdString(), rig.Style("waltz"));
}

TEST(StyleManagerWindow, LoadStyleAndTheLastUsedStylesAreInTheFileMenuAfterARestartWithTheGroups) {
  std::string ini;
  std::string groups;
  {
    ManagerRig rig;
    rig.Dialogs.QueueFile(rig.Style("waltz"));
    rig.Main().Action("LoadStyle")->trigger();
    EXPECT_EQ(rig.Current(), rig.Style("waltz"));
    EXPECT_EQ(rig.Arranger().Settings().StyleDir, rig.Styles.string());
    StyleManagerPanel& panel = rig.Open();
    Click(panel.FileList(), panel.FileRow("funk.vxs"));
    QTest::keyClick(panel.FileList(), Qt::Key_Return);
    EXPECT_EQ(rig.Main().Action("LastStyle1")->text(), "&1  funk.vxs");
    rig.Main().Action("LastStyle2")->trigger();
    EXPECT_EQ(rig.Current(), rig.Style("waltz"));
    panel.ChooseGroup(43);  // Favorites
    rig.Dialogs.QueueAnswer(true);
    QTest::mouseClick(panel.Button("AddOrEdit"), Qt::LeftButton);
    rig.Session->Shutdown();
    ini = config::testing::ReadText(rig.Folder.Path() / "kalo.ini");
    groups = config::testing::ReadText(rig.Folder.Path() / "kalo.VXG");
  }
  ManagerRig rig(ini);
  rig.Folder.Write("kalo.VXG", groups);
  ASSERT_NE(rig.Main().Action("LastStyle2"), nullptr);
  EXPECT_EQ(rig.Main().Action("LastStyle2")->text(), "&2  funk.vxs");
  StyleManagerPanel& panel = rig.Open();
  EXPECT_EQ(panel.Tree()->currentItem()->text(0), "Favorites");
  ASSERT_EQ(panel.GroupList()->count(), 1);
  EXPECT_TRUE(panel.GroupList()->item(0)->text().startsWith("waltz.vxs"));
}

}  // namespace
}  // namespace kalo::gui
