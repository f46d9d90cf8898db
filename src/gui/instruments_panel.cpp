#include "gui/instruments_panel.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kalo::gui {

InstrumentsPanel::InstrumentsPanel(app::Arranger& arranger, QWidget* parent)
    : ToolPanel("Instruments", parent), arranger_(arranger) {
  auto* layout = new QVBoxLayout(this);
  listName_ = new QLabel;
  layout->addWidget(listName_);
  entries_ = new QListWidget;
  entries_->setMinimumSize(260, 300);
  connect(entries_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    arranger_.Mixer().ChooseInstrument(entries_->row(item), true);
    Refresh();
    Q_EMIT SessionChanged();
  });
  layout->addWidget(entries_);
  auto* padRow = new QHBoxLayout;
  pad_ = new QCheckBox("Instrument Pad");
  pad_->setToolTip("Play the Harmonic Pad with the instrument named beside");
  connect(pad_, &QCheckBox::clicked, this, [this](bool on) {
    arranger_.SetInstrumentPad(on);
    Q_EMIT SessionChanged();
  });
  padName_ = new QLabel;
  padRow->addWidget(pad_);
  padRow->addWidget(padName_, 1);
  layout->addLayout(padRow);
  Refresh();
}

void InstrumentsPanel::Refresh() {
  const config::InstrumentLists& lists = arranger_.Instruments();
  listName_->setText(QString::fromStdString(lists.DisplayName()));
  const std::vector<std::string>& entries = arranger_.Mixer().InstrumentEntries();
  const QSignalBlocker block(entries_);
  if (entries_->count() != static_cast<int>(entries.size())) {
    entries_->clear();
    for (const std::string& entry : entries) entries_->addItem(QString::fromStdString(entry));
  } else {
    for (int i = 0; i < entries_->count(); ++i)
      entries_->item(i)->setText(QString::fromStdString(entries[static_cast<size_t>(i)]));
  }
  entries_->setCurrentRow(arranger_.Mixer().InstrumentBoxIndex());
  pad_->setChecked(arranger_.Options().InstrumentPad);
  const int padIndex = lists.PadSelected();
  padName_->setText(padIndex >= 0 && padIndex < static_cast<int>(lists.PadEntries().size())
                        ? QString::fromStdString(lists.PadEntries()[static_cast<size_t>(padIndex)])
                        : QString());
}

}  // namespace kalo::gui
