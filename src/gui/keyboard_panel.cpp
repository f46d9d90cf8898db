#include "gui/keyboard_panel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kalo::gui {

KeyboardPanel::KeyboardPanel(LiveControls& live, app::Arranger& arranger, WindowDisplay& display,
                             QWidget* parent)
    : ToolPanel("Keyboard", parent), live_(live), arranger_(arranger) {
  setObjectName("Keyboard");
  if (!display.KeyboardCaption().isEmpty()) SetTitle(display.KeyboardCaption());
  connect(&display, &WindowDisplay::KeyboardCaptionChanged, this, &KeyboardPanel::SetTitle);

  auto* layout = new QVBoxLayout(this);
  keys_ = new KeysWidget;
  perform::TKeys& keys = keys_->Keys();
  keys.OnNoteOn = [this](perform::TKeys&, int note, int velocity) { live_.Pads.KeysNoteOn(note, velocity); };
  keys.OnNoteOff = [this](perform::TKeys&, int note, int velocity) {
    live_.Pads.KeysNoteOff(note, velocity);
  };
  layout->addWidget(keys_);

  auto* row = new QHBoxLayout;
  mode_ = new QPushButton;
  mode_->setObjectName("AccompanimentButton");
  mode_->setFixedWidth(mode_->fontMetrics().horizontalAdvance("MMM"));
  connect(mode_, &QPushButton::clicked, this, [this] {
    live_.Dispatch.SetChords(!live_.Dispatch.Options().Chords);
    Refresh();
    Q_EMIT SessionChanged();
  });
  row->addWidget(mode_);

  auto addSpin = [&](const char* caption, int low, int high, QSpinBox*& box) {
    box = new QSpinBox;
    box->setObjectName(caption);
    box->setRange(low, high);
    row->addWidget(new QLabel(caption));
    row->addWidget(box);
  };
  addSpin("Octave", -3, 4, octave_);
  octave_->setToolTip("Octave of the melody keys (Page Up, Page Down)");
  connect(octave_, &QSpinBox::valueChanged, this,
          [this](int octave) { live_.Dispatch.SetKeyboardOctave(octave); });
  addSpin("Transpose", -11, 11, transpose_);
  transpose_->setToolTip("Semitones added to the chords and notes of the keyboard");
  connect(transpose_, &QSpinBox::valueChanged, this,
          [this](int transpose) { live_.Dispatch.SetKeyboardTranspose(transpose); });

  fingered_ = new QRadioButton("Fingered");
  fingered_->setToolTip("Normal (fingered) mode");
  twoFinger_ = new QRadioButton("2-Finger");
  twoFinger_->setToolTip("Special (2-finger) mode");
  connect(twoFinger_, &QRadioButton::toggled, this, [this](bool on) {
    arranger_.Options().TwoFingerChords = on;
    arranger_.Settings().TwoFingerChords = on;
    Q_EMIT SessionChanged();
  });
  row->addStretch();
  row->addWidget(fingered_);
  row->addWidget(twoFinger_);
  layout->addLayout(row);
  follow_.setInterval(100);
  connect(&follow_, &QTimer::timeout, this, [this] {
    if (octave_->value() != live_.Dispatch.KeyboardOctave() ||
        transpose_->value() != live_.Dispatch.KeyboardTranspose())
      Refresh();
  });
  Refresh();
}

void KeyboardPanel::showEvent(QShowEvent* event) {
  follow_.start();
  ToolPanel::showEvent(event);
}

void KeyboardPanel::hideEvent(QHideEvent* event) {
  follow_.stop();
  ToolPanel::hideEvent(event);
}

void KeyboardPanel::Refresh() {
  const perform::AccompanimentButton button =
      perform::AccompanimentButtonFor(live_.Dispatch.Options().Chords);
  mode_->setText(button.Caption);
  mode_->setToolTip(button.Hint);
  const QSignalBlocker blockOctave(octave_);
  const QSignalBlocker blockTranspose(transpose_);
  const QSignalBlocker blockTwoFinger(twoFinger_);
  octave_->setValue(live_.Dispatch.KeyboardOctave());
  transpose_->setValue(live_.Dispatch.KeyboardTranspose());
  (arranger_.Options().TwoFingerChords ? twoFinger_ : fingered_)->setChecked(true);
}

}  // namespace kalo::gui
