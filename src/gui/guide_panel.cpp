#include "gui/guide_panel.h"

#include <QVBoxLayout>

namespace kalo::gui {

GuidePanel::GuidePanel(QWidget* parent) : ToolPanel("Guide", parent) {
  auto* layout = new QVBoxLayout(this);
  text_ = new QPlainTextEdit;
  text_->setReadOnly(true);
  text_->setMinimumSize(420, 160);
  layout->addWidget(text_);
}

}  // namespace kalo::gui
