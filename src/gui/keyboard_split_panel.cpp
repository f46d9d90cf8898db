#include "gui/keyboard_split_panel.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "perform/chord.h"

namespace kalo::gui {

KeyboardSplitPanel::KeyboardSplitPanel(LiveControls& live, QWidget* parent)
    : ToolPanel("Keyboard-Split", parent), live_(live) {
  auto* grid = new QGridLayout(this);
  const char* headings[] = {"Zone", "Upper key", "Octave", "Channel", "Octave shift"};
  for (int column = 0; column < 5; ++column) grid->addWidget(new QLabel(headings[column]), 0, column);
  for (int zone = 0; zone < perform::kSplitZones; ++zone) {
    ZoneControls& controls = zones_[static_cast<size_t>(zone)];
    const int row = zone + 1;
    controls.Enabled = new QCheckBox(QString::number(zone + 1));
    controls.Enabled->setObjectName(QString::number(zone + 1));
    controls.NoteName = new QComboBox;
    for (const char* name : perform::kNoteNames) controls.NoteName->addItem(name);
    controls.Octave = new QSpinBox;
    controls.Octave->setRange(1, 8);
    controls.Channel = new QSpinBox;
    controls.Channel->setRange(1, 16);
    controls.OctaveShift = new QSpinBox;
    controls.OctaveShift->setRange(-8, 8);
    controls.Enabled->setToolTip("Use this zone of the keyboard");
    controls.NoteName->setToolTip("The highest key of the zone");
    controls.Octave->setToolTip("The octave of the zone's highest key");
    controls.Channel->setToolTip("The MIDI channel the zone plays on");
    controls.OctaveShift->setToolTip("Octaves the zone's notes are moved by");
    grid->addWidget(controls.Enabled, row, 0);
    grid->addWidget(controls.NoteName, row, 1);
    grid->addWidget(controls.Octave, row, 2);
    grid->addWidget(controls.Channel, row, 3);
    grid->addWidget(controls.OctaveShift, row, 4);
  }
  active_ = new QCheckBox("Keyboard Split");
  active_->setEnabled(false);  // shows the state; the buttons below switch it
  active_->setToolTip("Whether the keyboard is split now");
  auto* activate = new QPushButton("Set values and activate Split");
  activate->setObjectName(activate->text());
  activate->setToolTip("Take the zones as set above and split the keyboard");
  connect(activate, &QPushButton::clicked, this, [this] {
    StoreChoices();
    live_.Dispatch.SetValuesAndActivateSplit();
    Refresh();
    Q_EMIT SessionChanged();
  });
  auto* deactivate = new QPushButton("Deactivate Keyboard Split");
  deactivate->setObjectName(deactivate->text());
  deactivate->setToolTip("Play the whole keyboard on the keyboard channel again");
  connect(deactivate, &QPushButton::clicked, this, [this] {
    live_.Dispatch.DeactivateKeyboardSplit();
    Refresh();
    Q_EMIT SessionChanged();
  });
  const int last = perform::kSplitZones + 1;
  grid->addWidget(active_, last, 0, 1, 2);
  grid->addWidget(activate, last, 2, 1, 2);
  grid->addWidget(deactivate, last, 4);
  Refresh();
}

void KeyboardSplitPanel::StoreChoices() {
  for (size_t zone = 0; zone < zones_.size(); ++zone) {
    const ZoneControls& controls = zones_[zone];
    live_.Dispatch.SplitChoices[zone] = {controls.NoteName->currentIndex(), controls.Octave->value(),
                                         controls.Channel->value(), controls.OctaveShift->value(),
                                         controls.Enabled->isChecked()};
  }
}

void KeyboardSplitPanel::Refresh() {
  for (size_t zone = 0; zone < zones_.size(); ++zone) {
    const perform::SplitZoneChoice& choice = live_.Dispatch.SplitChoices[zone];
    const ZoneControls& controls = zones_[zone];
    controls.Enabled->setChecked(choice.Enabled);
    controls.NoteName->setCurrentIndex(choice.NoteName);
    controls.Octave->setValue(choice.Octave);
    controls.Channel->setValue(choice.Channel);
    controls.OctaveShift->setValue(choice.OctaveShift);
  }
  active_->setChecked(live_.Dispatch.Options().KeyboardSplit);
}

}  // namespace kalo::gui
