#include "gui/tool_panel.h"

namespace kalo::gui {

ToolPanel::ToolPanel(const QString& title, QWidget* parent) : QWidget(parent), title_(title) {
  setObjectName(title);
}

void ToolPanel::SetTitle(const QString& title) {
  if (title == title_) return;
  title_ = title;
  Q_EMIT TitleChanged(title_);
}

}  // namespace kalo::gui
