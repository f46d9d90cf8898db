#include "gui/main_controls.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "engine/sequencer_clock.h"
#include "gui/guarded.h"
#include "perform/input_dispatch.h"

namespace kalo::gui {

BeatLamp::BeatLamp(QWidget* parent) : QWidget(parent) {
  setObjectName("BeatIndicator");
  setFixedSize(sizeHint());
  setCursor(Qt::PointingHandCursor);
}

void BeatLamp::Show(const QColor& colour, const QString& text) {
  if (colour == colour_ && text == text_) return;
  colour_ = colour;
  text_ = text;
  update();
}

void BeatLamp::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(colour_);
  painter.setPen(QPen(palette().color(QPalette::Mid), 1));
  painter.drawEllipse(rect().adjusted(1, 1, -1, -1));
  // Light text on dark lamps, dark text on light ones.
  painter.setPen(colour_.lightness() < 128 ? Qt::white : Qt::black);
  painter.drawText(rect(), Qt::AlignCenter, text_);
}

void BeatLamp::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Q_EMIT Clicked();
}

namespace {

QPushButton* MakeButton(const QString& text) {
  auto* button = new QPushButton(text);
  button->setObjectName(text);
  button->setFocusPolicy(Qt::NoFocus);  // the computer keys stay with the play keys
  return button;
}

}  // namespace

QPushButton* MainControls::AddButton(QLayout* layout, const QString& text, std::function<void()> command) {
  QPushButton* button = MakeButton(text);
  connect(button, &QPushButton::clicked, this, [this, command = std::move(command)] {
    Guarded(arranger_.Dialogs(), command);
    Refresh();
    Q_EMIT SessionChanged();
  });
  layout->addWidget(button);
  return button;
}

MainControls::MainControls(app::Arranger& arranger, WindowDisplay& display, QWidget* parent)
    : QWidget(parent), arranger_(arranger) {
  setObjectName("MainControls");
  auto* rows = new QVBoxLayout(this);
  rows->setContentsMargins(0, 0, 0, 0);

  auto* transport = new QHBoxLayout;
  AddButton(transport, "Play", [this] { arranger_.Play(); });
  AddButton(transport, "Record", [this] { arranger_.Record(); });
  AddButton(transport, "Stop", [this] { arranger_.Stop(); });
  AddButton(transport, "Clock", [this] { arranger_.ToggleClock(); })->setToolTip("Clock on/off");

  beat_ = new BeatLamp;
  beat_->Show(display.BeatIndicator().Colour, display.BeatIndicator().Text);
  connect(&display, &WindowDisplay::BeatIndicatorChanged, beat_, &BeatLamp::Show);
  connect(beat_, &BeatLamp::Clicked, this, [this] {
    if (arranger_.Options().SlaveMode) arranger_.Engine().ToggleSyncStart();
  });
  transport->addSpacing(8);
  transport->addWidget(beat_);
  measure_ = new QLabel(display.MeasureText().isEmpty() ? QString("1") : display.MeasureText());
  measure_->setObjectName("Measure");
  measure_->setMinimumWidth(36);
  measure_->setAlignment(Qt::AlignCenter);
  measure_->setFrameShape(QFrame::Panel);
  measure_->setFrameShadow(QFrame::Sunken);
  measure_->setToolTip("Measure");
  connect(&display, &WindowDisplay::MeasureTextChanged, measure_, &QLabel::setText);
  transport->addWidget(measure_);
  AddButton(transport, "Editor", [this] {
    Q_EMIT EditorRequested();
  })->setToolTip("The Chord & Style Editor at this measure");

  transport->addSpacing(8);
  transport->addWidget(new QLabel("Tempo"));
  tempo_ = new QSpinBox;
  tempo_->setObjectName("Tempo");
  tempo_->setRange(engine::kMinFieldTempo, engine::kMaxFieldTempo);
  tempo_->setKeyboardTracking(false);  // the clock follows whole values, not each digit typed
  // The fields take the keys only when clicked: at start the computer keys play.
  tempo_->setFocusPolicy(Qt::ClickFocus);
  connect(tempo_, &QSpinBox::valueChanged, this, [this](int bpm) { arranger_.SetTempo(bpm); });
  transport->addWidget(tempo_);

  transport->addWidget(new QLabel("Transpose"));
  transposition_ = new QSpinBox;
  transposition_->setObjectName("Transpose");
  transposition_->setRange(-24, 24);
  transposition_->setToolTip("Semitones added to the style's notes (not the drums)");
  transposition_->setFocusPolicy(Qt::ClickFocus);
  connect(transposition_, &QSpinBox::valueChanged, this,
          [this](int semitones) { arranger_.SetTransposition(semitones); });
  transport->addWidget(transposition_);

  // The play range; each field clamps to 1..500 and the range's positions follow it.
  auto rangeField = [&](const char* caption, void (song::PlayRange::*set)(int)) {
    transport->addWidget(new QLabel(caption));
    auto* field = new QSpinBox;
    field->setObjectName(caption);
    field->setRange(1, song::kMaxMeasure);
    field->setKeyboardTracking(false);
    field->setFocusPolicy(Qt::ClickFocus);
    connect(field, &QSpinBox::valueChanged, this,
            [this, set](int measure) { (arranger_.Song().Range.*set)(measure); });
    transport->addWidget(field);
    return field;
  };
  from_ = rangeField("From", &song::PlayRange::SetFromMeasure);
  to_ = rangeField("To", &song::PlayRange::SetToMeasure);

  transport->addWidget(new QLabel("Rec. start"));
  recordStart_ = new QSpinBox;
  recordStart_->setObjectName("RecordStart");
  recordStart_->setRange(-500, 500);
  recordStart_->setToolTip("Record start measure");
  recordStart_->setFocusPolicy(Qt::ClickFocus);
  connect(recordStart_, &QSpinBox::valueChanged, this,
          [this](int measure) { arranger_.Song().Range.SetRecordStartMeasure(measure); });
  transport->addWidget(recordStart_);
  transport->addStretch();
  rows->addLayout(transport);

  // The style-part buttons give the part keys of the settings, as the keyboard's control keys do.
  auto* parts = new QHBoxLayout;
  auto partKey = [this](int config::ControlKeyNotes::*key) {
    return [this, key] {
      const int note = config::ComputeControlKeyNotes(arranger_.Settings()).*key;
      if (note >= 0) arranger_.ControlKey(note, perform::kControlKeyValue);
    };
  };
  AddButton(parts, "Intro", partKey(&config::ControlKeyNotes::Intro));
  AddButton(parts, "Fill in - F1", partKey(&config::ControlKeyNotes::FillIn));
  AddButton(parts, "Ext. - F2", partKey(&config::ControlKeyNotes::ToExtended));
  AddButton(parts, "Basic - F3", partKey(&config::ControlKeyNotes::ToBasic));
  AddButton(parts, "Ending - F4", partKey(&config::ControlKeyNotes::Ending));
  parts->addSpacing(8);
  playChords_ =
      AddButton(parts, "C", [this] { arranger_.Engine().SetPlayChords(!arranger_.Options().PlayChords); });
  playChords_->setObjectName("PlayChordsButton");
  parts->addStretch();
  rows->addLayout(parts);

  auto* boxes = new QHBoxLayout;
  boxes->setSpacing(2);
  for (int channel = 0; channel < 16; ++channel) {
    auto* box = new QCheckBox(QString::number(channel + 1));
    box->setObjectName(QString("cb%1").arg(channel));
    box->setFocusPolicy(Qt::NoFocus);
    box->setToolTip(QString("Mute channel %1").arg(channel + 1));
    connect(box, &QCheckBox::toggled, this,
            [this, channel](bool muted) { arranger_.SetChannelMute(channel, muted); });
    channels_[static_cast<size_t>(channel)] = box;
    boxes->addWidget(box);
  }
  boxes->addStretch();
  rows->addLayout(boxes);

  // The engine changes the tempo (a song's tempo function) and the channels' activity while playing,
  // without a message of its own: the fields look again ten times a second.
  follow_.setInterval(100);
  connect(&follow_, &QTimer::timeout, this, &MainControls::FollowEngine);
  follow_.start();
  Refresh();
}

QPushButton* MainControls::Button(const QString& text) const {
  for (QPushButton* button : findChildren<QPushButton*>())
    if (button->text() == text || button->objectName() == text) return button;
  return nullptr;
}

void MainControls::Refresh() {
  {
    const QSignalBlocker block(recordStart_);
    recordStart_->setValue(arranger_.Song().Range.RecordStartMeasure());
  }
  {
    const QSignalBlocker block(transposition_);
    transposition_->setValue(arranger_.Engine().GlobalTranspose);
  }
  const perform::PlayChordsButton face = perform::PlayChordsButtonFor(arranger_.Options().PlayChords);
  playChords_->setText(face.Caption);
  playChords_->setToolTip(face.Hint);
  for (size_t channel = 0; channel < channels_.size(); ++channel) {
    const QSignalBlocker block(channels_[channel]);
    channels_[channel]->setChecked(arranger_.HandMuted[channel]);
  }
  FollowEngine();
}

void MainControls::FollowEngine() {
  // A song loaded, cleared or a metrum changed moves the play range.
  const song::PlayRange& range = arranger_.Song().Range;
  for (auto [field, measure] : {std::pair{from_, range.FromMeasure()}, std::pair{to_, range.ToMeasure()}}) {
    if (field->value() == measure || field->hasFocus()) continue;
    const QSignalBlocker block(field);
    field->setValue(measure);
  }
  if (tempo_->value() != arranger_.Tempo() && !tempo_->hasFocus()) {
    const QSignalBlocker block(tempo_);
    tempo_->setValue(arranger_.Tempo());
  }
  // An unticked box of a channel that played is shown greyed.
  for (size_t channel = 0; channel < channels_.size(); ++channel) {
    QCheckBox* box = channels_[channel];
    const bool greyed = !box->isChecked() && arranger_.ChannelActive[channel];
    if (box->property("active").toBool() == greyed) continue;
    box->setProperty("active", greyed);
    QPalette palette = box->palette();
    palette.setColor(QPalette::WindowText,
                     greyed ? QColor(Qt::gray) : QPalette().color(QPalette::WindowText));
    box->setPalette(palette);
  }
}

}  // namespace kalo::gui
