#include "gui/mixer_panel.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kalo::gui {

namespace {

using app::MixerSlider;

constexpr std::array<const char*, app::kMixerSliderCount> kSliderCaptions = {
    "Volume", "Pan", "Reverb", "Chorus", "Modulation", "Expression", "Sustain", "Aftertouch"};
// The value display of the selected row, in the order of app::ChannelValueTexts.
constexpr std::array<const char*, 8> kValueCaptions = {"MSB",  "LSB",  "Vol.",  "Pan",
                                                       "Rev.", "Cho.", "Expr.", "Prog."};

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

MixerPanel::MixerPanel(app::Arranger& arranger, QWidget* parent)
    : ToolPanel("Mixer", parent), arranger_(arranger), mixer_(arranger.Mixer()) {
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(MakeChannelColumn());
  auto* right = new QVBoxLayout;
  right->addWidget(MakeSliders());
  right->addWidget(MakeOutputVolume());
  layout->addLayout(right);

  rowTimer_.setInterval(kRowRefreshMs);
  connect(&rowTimer_, &QTimer::timeout, this, [this] { RefreshRows(); });
  Refresh();
}

QWidget* MixerPanel::MakeChannelColumn() {
  auto* column = new QWidget;
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);

  channelList_ = new QListWidget;
  channelList_->setObjectName("ChannelList");
  channelList_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  for (int row = 0; row < 16; ++row) channelList_->addItem(QString());
  channelList_->setMinimumWidth(channelList_->fontMetrics().horizontalAdvance(QString(34, 'M')));
  channelList_->setMinimumHeight(16 * channelList_->sizeHintForRow(0) + 2 * channelList_->frameWidth());
  channelList_->setToolTip("Each channel with its instrument; a click chooses the channel the controls set");
  connect(channelList_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { SelectChannel(channelList_->row(item)); });
  layout->addWidget(channelList_);

  auto* values = new QGridLayout;
  for (size_t i = 0; i < kValueCaptions.size(); ++i) {
    values_[i] = new QLabel;
    values_[i]->setMinimumWidth(values_[i]->fontMetrics().horizontalAdvance("000"));
    values->addWidget(new QLabel(kValueCaptions[i]), 0, static_cast<int>(i));
    values->addWidget(values_[i], 1, static_cast<int>(i));
  }
  layout->addLayout(values);

  auto* channelRow = new QHBoxLayout;
  channelRow->addWidget(new QLabel("Channel"));
  channelBox_ = new QComboBox;
  channelBox_->setObjectName("ChannelBox");
  channelBox_->setToolTip("The channel the controls set: the keyboard's channel");
  for (int channel = 1; channel <= 16; ++channel) channelBox_->addItem(QString::number(channel));
  connect(channelBox_, &QComboBox::activated, this, &MixerPanel::SelectChannel);
  channelRow->addWidget(channelBox_);
  solo_ = new QCheckBox("SOLO");
  solo_->setToolTip("Only the chosen channel sounds");
  connect(solo_, &QCheckBox::clicked, this, [this](bool on) {
    const int row = channelList_->currentRow() < 0 ? mixer_.KeyboardChannel() : channelList_->currentRow();
    mixer_.SetSolo(on ? static_cast<uint8_t>(row + 1) : uint8_t{0});
    Changed();
  });
  channelRow->addWidget(solo_);
  layout->addLayout(channelRow);

  instrumentBox_ = new QComboBox;
  instrumentBox_->setObjectName("InstrumentBox");
  instrumentBox_->setToolTip("The channel's instrument, from the instrument list in use");
  connect(instrumentBox_, &QComboBox::activated, this, [this](int index) {
    mixer_.ChooseInstrument(index, true);
    Changed();
  });
  layout->addWidget(instrumentBox_);
  shownInstrument_ = new QLabel;
  layout->addWidget(shownInstrument_);

  auto* suppressRow = new QHBoxLayout;
  suppress_ = new QCheckBox("Suppress Controllers");
  suppress_->setToolTip("The style's controller and program messages do not reach this channel");
  connect(suppress_, &QCheckBox::clicked, this, [this](bool on) { mixer_.SetKeyboardSuppress(on); });
  suppressRow->addWidget(suppress_);
  for (bool on : {true, false}) {
    auto* button = new QPushButton(on ? "All" : "None");
    button->setToolTip(on ? "Suppress the controllers of every channel"
                          : "Suppress no channel's controllers");
    connect(button, &QPushButton::clicked, this, [this, on] {
      mixer_.SetSuppressAll(on);
      Refresh();
    });
    suppressRow->addWidget(button);
  }
  layout->addLayout(suppressRow);
  auto* send = new QPushButton("Send Values");
  send->setToolTip("Send the channel's voice again: instrument, volume, pan, reverb, chorus and the rest");
  connect(send, &QPushButton::clicked, this, [this] {
    arranger_.SendVoiceMessages();
    Changed();
  });
  layout->addWidget(send);
  return column;
}

QWidget* MixerPanel::MakeSliders() {
  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  for (size_t i = 0; i < app::kMixerSliderCount; ++i) {
    SliderControls& controls = sliders_[i];
    controls.Slider = new QSlider(Qt::Vertical);
    controls.Slider->setObjectName(kSliderCaptions[i]);
    controls.Slider->setRange(0, 127);
    controls.Slider->setMinimumHeight(127);
    controls.Slider->setToolTip(QString("%1 of the channel chosen (0 to 127)").arg(kSliderCaptions[i]));
    controls.Value = new QLabel;
    controls.Value->setAlignment(Qt::AlignCenter);
    const auto slider = static_cast<MixerSlider>(i);
    // Refresh blocks the sliders' signals, so every change seen here is the player's.
    connect(controls.Slider, &QSlider::valueChanged, this, [this, slider](int value) {
      mixer_.SetSlider(slider, value, true);
      sliders_[static_cast<size_t>(slider)].Value->setNum(mixer_.Slider(slider));
      RefreshValueDisplay();
    });
    auto* caption = new QLabel(kSliderCaptions[i]);
    caption->setAlignment(Qt::AlignCenter);
    const int column = static_cast<int>(i);
    grid->addWidget(caption, 0, column);
    grid->addWidget(controls.Slider, 1, column, Qt::AlignHCenter);
    grid->addWidget(controls.Value, 2, column);
  }
  return box;
}

QWidget* MixerPanel::MakeOutputVolume() {
  auto* box = new QGroupBox("Output volume");
  auto* grid = new QGridLayout(box);
  auto makeSide = [&](const char* caption, int row, QSlider*& slider, QLineEdit*& text) {
    slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(caption);
    slider->setRange(0, 100);
    slider->setToolTip(QString("%1 volume of the output device (0 to 100)").arg(caption));
    text = new QLineEdit;
    text->setReadOnly(true);
    text->setToolTip(QString("The %1 volume as a number").arg(QString(caption).toLower()));
    text->setMaximumWidth(text->fontMetrics().horizontalAdvance("00000"));
    grid->addWidget(new QLabel(caption), row, 0);
    grid->addWidget(slider, row, 1);
    grid->addWidget(text, row, 2);
  };
  makeSide("Left", 0, left_, leftText_);
  makeSide("Right", 1, right_, rightText_);
  lock_ = new QCheckBox("Lock");
  lock_->setToolTip("Left and Right move together");
  grid->addWidget(lock_, 0, 3, 2, 1);
  connect(left_, &QSlider::valueChanged, this, [this](int value) {
    mixer_.SetLeftVolume(value);
    RefreshOutputVolume();
  });
  connect(right_, &QSlider::valueChanged, this, [this](int value) {
    mixer_.SetRightVolume(value);
    RefreshOutputVolume();
  });
  connect(lock_, &QCheckBox::clicked, this, [this](bool on) { mixer_.SetLock(on); });
  return box;
}

void MixerPanel::SelectChannel(int channel) {
  // Refused while the "Midiout" output is closed; the controls then show the channel still in use.
  mixer_.SetKeyboardChannel(static_cast<uint8_t>(channel));
  Changed();
}

void MixerPanel::Changed() {
  Refresh();
  Q_EMIT SessionChanged();
}

void MixerPanel::Refresh() {
  const uint8_t channel = mixer_.KeyboardChannel();
  {
    const QSignalBlocker blockBox(channelBox_);
    channelBox_->setCurrentIndex(channel);
  }
  for (size_t i = 0; i < app::kMixerSliderCount; ++i) {
    const uint8_t value = mixer_.Slider(static_cast<MixerSlider>(i));
    const QSignalBlocker block(sliders_[i].Slider);
    sliders_[i].Slider->setValue(value);
    sliders_[i].Value->setNum(value);
  }
  solo_->setChecked(mixer_.Solo() != 0);
  suppress_->setChecked(mixer_.SuppressControllers(channel));
  lock_->setChecked(mixer_.Lock());
  RefreshRows();
  RefreshInstrumentBox();
  RefreshOutputVolume();
  {
    const QSignalBlocker blockList(channelList_);
    channelList_->setCurrentRow(channel);
  }
  RefreshValueDisplay();
}

void MixerPanel::RefreshInstrumentBox() {
  const QSignalBlocker block(instrumentBox_);
  const std::vector<std::string>& entries = mixer_.InstrumentEntries();
  bool same = instrumentBox_->count() == static_cast<int>(entries.size());
  for (int i = 0; same && i < instrumentBox_->count(); ++i)
    same = instrumentBox_->itemText(i) == Text(entries[static_cast<size_t>(i)]);
  if (!same) {
    instrumentBox_->clear();
    for (const std::string& entry : entries) instrumentBox_->addItem(Text(entry));
  }
  // A channel with no entry chosen shows the instrument it plays, from the style or elsewhere.
  int index = mixer_.InstrumentBoxIndex();
  const uint8_t channel = mixer_.KeyboardChannel();
  if (index < 0) {
    index = mixer_.ShownEntry(channel, mixer_.KnownProgram(channel));
  }
  instrumentBox_->setCurrentIndex(index);
  const auto shown = mixer_.ShownInstrument();
  shownInstrument_->setText(shown ? QString("%1  %2  %3").arg((*shown)[0]).arg((*shown)[1]).arg((*shown)[2])
                                  : QString());
}

void MixerPanel::RefreshOutputVolume() {
  const QSignalBlocker blockLeft(left_);
  const QSignalBlocker blockRight(right_);
  left_->setValue(mixer_.LeftVolume());
  right_->setValue(mixer_.RightVolume());
  leftText_->setText(QString::number(mixer_.LeftVolume()));
  rightText_->setText(QString::number(mixer_.RightVolume()));
}

void MixerPanel::RefreshRows() {
  const bool rebuilt = mixer_.UpdateRows(arranger_.Midi().Controllers());
  if (rebuilt || channelList_->item(0)->text().isEmpty()) {
    for (int row = 0; row < 16; ++row) channelList_->item(row)->setText(Text(mixer_.Rows()[row]));
    RefreshInstrumentBox();
  }
  RefreshValueDisplay();
}

void MixerPanel::RefreshValueDisplay() {
  const int row = channelList_->currentRow() < 0 ? mixer_.KeyboardChannel() : channelList_->currentRow();
  const app::ChannelValueTexts texts =
      app::Mixer::ValueTexts(arranger_.Midi().Controllers(), static_cast<uint8_t>(row));
  const std::array<const std::string*, 8> shown = {&texts.BankMsb,    &texts.BankLsb, &texts.Volume,
                                                   &texts.Pan,        &texts.Reverb,  &texts.Chorus,
                                                   &texts.Expression, &texts.Program};
  for (size_t i = 0; i < shown.size(); ++i) values_[i]->setText(Text(*shown[i]));
}

void MixerPanel::showEvent(QShowEvent* event) {
  rowTimer_.start();
  ToolPanel::showEvent(event);
}

void MixerPanel::hideEvent(QHideEvent* event) {
  rowTimer_.stop();
  ToolPanel::hideEvent(event);
}

}  // namespace kalo::gui
