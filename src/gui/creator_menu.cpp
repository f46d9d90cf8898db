// The main window's side of the Style-Creator: recording into it, its mode, playing the parts it cut
// and restoring them.

#include <QMenuBar>

#include "app/style_creator_side.h"
#include "gui/main_window.h"
#include "gui/style_creator_panel.h"

namespace kalo::gui {

void MainWindow::MakeCreatorMenu() {
  QMenu* menu = menuBar()->addMenu("Style-&Creator");
  AddCommand(menu, "&Record ...", [this] {
    ShowPanel("Style-Creator");
    arranger_.Creator().RecordFromMainWindow();
  });
  // Reads what a click switches to: "Song-&Mode" while the Style-Mode is on.
  QAction* mode = AddCommand(menu, "Style-&Mode", [this] {
    arranger_.Stop();
    arranger_.Gen().SwitchStyleMode(!arranger_.Gen().StyleMode);
  });
  mode->setObjectName("Mode");
  QMenu* parts = menu->addMenu("Play Parts");
  parts->setObjectName("Play Parts");
  for (int p = 0; p < styles::kPartCount; ++p) {
    const std::string_view name = styles::kPartNames[static_cast<size_t>(p)];
    const QString caption = QString::fromUtf8(name.data(), static_cast<int>(name.size()));
    QAction* entry = AddCommand(parts, caption, [this, p] {
      styles::TGen& gen = arranger_.Gen();
      if (!gen.StyleMode || !gen.CurrentStyle().Parts[static_cast<size_t>(p)].Exists()) return;
      gen.RunningPart = p;
      arranger_.Creator().PlayButton();
    });
    // Named apart from the "Parts" menu's entries of the same captions.
    entry->setObjectName("Play Parts " + caption);
  }
  QAction* restore = AddCommand(menu, "R&estore", [this] { arranger_.Creator().Restore(); });
  restore->setToolTip(" Restore last style parts");
  restore->setStatusTip(" Restore last style parts");
  menu->setToolTipsVisible(true);
  QAction* restoreAll =
      AddCommand(menu, "Restore all", [this] { arranger_.Creator().RestoreOriginal(false); });
  refreshers_.push_back([this, mode, parts, restoreAll] {
    const bool styleMode = arranger_.Gen().StyleMode;
    mode->setText(styleMode ? "Song-&Mode" : "Style-&Mode");
    parts->menuAction()->setEnabled(styleMode);
    restoreAll->setEnabled(arranger_.StyleControls.RestoreOriginal && !arranger_.Creator().Recording());
  });
}

}  // namespace kalo::gui
