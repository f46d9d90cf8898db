#include "gui/solo_mute_panel.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kalo::gui {

SoloMutePanel::SoloMutePanel(app::Arranger& arranger, QWidget* parent)
    : ToolPanel("Solo-Mute", parent), arranger_(arranger) {
  auto* layout = new QVBoxLayout(this);
  auto* box = new QGroupBox("Solo");
  auto* grid = new QGridLayout(box);
  for (int choice = 0; choice <= 16; ++choice) {
    auto* button = new QRadioButton(choice == 0 ? QString("Off") : QString::number(choice));
    button->setToolTip(choice == 0 ? QString("Every channel plays")
                                   : QString("Only channel %1 plays; the others are silent").arg(choice));
    solo_.addButton(button, choice);
    // "Off" on a row of its own, the channels in two rows of eight.
    if (choice == 0) {
      grid->addWidget(button, 0, 0);
    } else {
      grid->addWidget(button, 1 + (choice - 1) / 8, (choice - 1) % 8);
    }
  }
  connect(&solo_, &QButtonGroup::idClicked, this, [this](int choice) {
    arranger_.Mixer().SetSolo(static_cast<uint8_t>(choice));
    Q_EMIT SessionChanged();
  });
  layout->addWidget(box);
  Refresh();
}

void SoloMutePanel::Refresh() {
  if (QAbstractButton* button = solo_.button(arranger_.Mixer().Solo())) button->setChecked(true);
}

}  // namespace kalo::gui
