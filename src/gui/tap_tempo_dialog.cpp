#include "gui/tap_tempo_dialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "gui/guarded.h"

namespace kalo::gui {

namespace {

constexpr uint8_t kMetronomeStatus = 0x99;  // note-on, channel 10; drums need no note-off
constexpr uint8_t kAccentVelocity = 120;
constexpr uint8_t kTapVelocity = 107;
constexpr int kEighthItems = 5;  // the quantize list: five quarter-note items, then five eighth-note items

}  // namespace

TapTempoDialog::TapTempoDialog(app::Arranger& arranger, Clock clock, QWidget* parent)
    : QDialog(parent), arranger_(arranger), clock_(std::move(clock)) {
  setObjectName("TapTempo");
  setWindowTitle("Tap Tempo");
  setModal(true);
  auto* rows = new QVBoxLayout(this);
  tap_ = new QPushButton;
  tap_->setObjectName("Tap");
  tap_->setToolTip(kTapHint);
  tap_->setMinimumSize(180, 60);
  // The keys tap through the dialog itself; a focused button would take Space a second time.
  tap_->setFocusPolicy(Qt::NoFocus);
  tap_->setAutoDefault(false);
  connect(tap_, &QPushButton::pressed, this, &TapTempoDialog::Tap);
  rows->addWidget(tap_);
  auto* unit = new QHBoxLayout;
  unit->addWidget(new QLabel("Quantize"));
  quantize_ = new QComboBox;
  quantize_->setObjectName("Quantize");
  quantize_->addItems({"1/4 measure", "1/8 measure"});
  quantize_->setFocusPolicy(Qt::NoFocus);
  connect(quantize_, &QComboBox::activated, this, [this](int index) { ChooseUnit(index == 1); });
  unit->addWidget(quantize_);
  rows->addLayout(unit);
  auto* close = new QPushButton("Close");
  close->setObjectName("Close");
  close->setFocusPolicy(Qt::NoFocus);
  close->setAutoDefault(false);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  rows->addWidget(close);
}

void TapTempoDialog::Open() {
  taps_.Reset();
  tap_->setText(QString("Tap %1 times").arg(TapTempo::TapsPerMeasure(arranger_.Settings().Metrum)));
  const QSignalBlocker block(quantize_);
  quantize_->setCurrentIndex(config::QuantizeChoice(arranger_.Settings().Quantize).Mode ==
                             config::BeatMode::Eighth);
  show();
  raise();
  activateWindow();
}

void TapTempoDialog::Tap() {
  const auto bpm = taps_.Tap(clock_(), TapTempo::TapsPerMeasure(arranger_.Settings().Metrum));
  midi::TMidiOutput& midiout = arranger_.Devices().Midiout();
  if (taps_.LastTap() > 0 && midiout.IsOpen()) {
    const uint8_t velocity = taps_.LastTap() == 1 ? kAccentVelocity : kTapVelocity;
    Guarded(arranger_.Dialogs(),
            [&] { midiout.PutShort(kMetronomeStatus, arranger_.Engine().MetronomeNotes[1], velocity); });
  }
  if (!bpm) return;
  arranger_.SetTempo(*bpm);
  accept();
  Q_EMIT TempoSet(*bpm);
}

void TapTempoDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F8:
      if (!event->isAutoRepeat()) Tap();
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void TapTempoDialog::hideEvent(QHideEvent* event) {
  taps_.Reset();  // a new opening starts from the first tap
  QDialog::hideEvent(event);
}

void TapTempoDialog::ChooseUnit(bool eighths) {
  config::Settings& settings = arranger_.Settings();
  const config::BeatMode before = config::QuantizeChoice(settings.Quantize).Mode;
  int index = std::clamp(settings.Quantize, 0, config::kQuantizeCount - 1);
  if (eighths && index < kEighthItems) index += kEighthItems;
  if (!eighths && index >= kEighthItems) index -= kEighthItems;
  settings.Quantize = index;
  arranger_.Engine().ApplySettings();
  // A lead-in counted in beats keeps its length in the new unit.
  song::PlayRange& range = arranger_.Song().Range;
  range.SetRecordStartMeasure(config::RecordStartMeasureAfterModeChange(range.RecordStartMeasure(), before,
                                                                        config::QuantizeChoice(index).Mode));
}

}  // namespace kalo::gui
