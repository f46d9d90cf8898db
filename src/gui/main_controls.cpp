#include "gui/main_controls.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/sequencer_clock.h"
#include "gui/guarded.h"
#include "perform/input_dispatch.h"

namespace kalo::gui {

BeatLamp::BeatLamp(QWidget* parent) : QWidget(parent) {
  setObjectName("BeatIndicator");
  setFixedSize(sizeHint());
  setCursor(Qt::PointingHandCursor);
  setToolTip(
      "Beat: red with the clock on, blue for the external clock, yellow in the intro; a click arms "
      "the synchronised start in Slave Mode");
}

QSize BeatLamp::sizeHint() const {
  const int side = fontMetrics().height() * 7 / 4;  // follows the font, and so the screen's scale
  return {side, side};
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

// The fields take the keys only when clicked: at start the computer keys play.
QSpinBox* MakeField(const QString& name, int low, int high, const QString& tip) {
  auto* field = new QSpinBox;
  field->setObjectName(name);
  field->setRange(low, high);
  field->setFocusPolicy(Qt::ClickFocus);
  field->setToolTip(tip + "<br>Return takes the value, Escape gives it up; then the keys play again.");
  return field;
}

}  // namespace

QPushButton* MainControls::AddButton(QLayout* layout, const QString& text, std::function<void()> command,
                                     const QString& tip) {
  QPushButton* button = MakeButton(text);
  button->setToolTip(tip);
  connect(button, &QPushButton::clicked, this, [this, command = std::move(command)] {
    Guarded(arranger_.Dialogs(), command);
    Refresh();
    Q_EMIT SessionChanged();
  });
  layout->addWidget(button);
  return button;
}

void MainControls::AddPartButton(QLayout* layout, PartButtonId id, const QString& text, const QString& tip,
                                 int config::ControlKeyNotes::*key) {
  auto* button = new PartButton(text);
  button->setObjectName(text);
  button->setFocusPolicy(Qt::NoFocus);
  button->setToolTip(tip);
  connect(button, &QPushButton::clicked, this, [this, key] {
    Guarded(arranger_.Dialogs(), [&] {
      const int note = config::ComputeControlKeyNotes(arranger_.Settings()).*key;
      if (note >= 0) arranger_.ControlKey(note, perform::kControlKeyValue);
    });
    Refresh();
    Q_EMIT SessionChanged();
  });
  layout->addWidget(button);
  parts_[static_cast<size_t>(id)] = button;
}

MainControls::MainControls(app::Arranger& arranger, WindowDisplay& display, QWidget* parent)
    : QWidget(parent), arranger_(arranger) {
  setObjectName("MainControls");
  auto* rows = new QVBoxLayout(this);
  rows->setContentsMargins(0, 0, 0, 0);

  auto* transport = new QHBoxLayout;
  AddButton(
      transport, "Play", [this] { arranger_.Play(); }, "Play the song, or a song's style live (F10)");
  AddButton(
      transport, "Record", [this] { arranger_.Record(); }, "Record the chords you play as a song (F9)");
  AddButton(
      transport, "Stop", [this] { arranger_.Stop(); }, "Stop what plays or records (F10)");
  AddButton(
      transport, "Clock", [this] { arranger_.ToggleClock(); }, "Clock on/off");

  beat_ = new BeatLamp;
  beat_->Show(display.BeatIndicator().Colour, display.BeatIndicator().Text);
  connect(&display, &WindowDisplay::BeatIndicatorChanged, beat_, &BeatLamp::Show);
  connect(beat_, &BeatLamp::Clicked, this, [this] {
    if (arranger_.Options().SlaveMode) arranger_.Engine().ToggleSyncStart();
  });
  transport->addSpacing(8);
  transport->addWidget(beat_);
  auto counter = [&](const QString& name, const QString& text, const QString& tip) {
    auto* label = new QLabel(text);
    label->setObjectName(name);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance("0000"));
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setToolTip(tip);
    transport->addWidget(label);
    return label;
  };
  measure_ = counter("Measure", display.MeasureText().isEmpty() ? QString("1") : display.MeasureText(),
                     "Measure: of the song while one plays, else of the style's part");
  beatNumber_ = counter("BeatNumber", QString(), "Beat of the measure");
  connect(&display, &WindowDisplay::MeasureTextChanged, this, [this](const QString& text) {
    if (arranger_.Engine().SongState != 0 || !arranger_.Gen().Playing) measure_->setText(text);
  });
  connect(&display, &WindowDisplay::StyleCreatorPositionChanged, this, &MainControls::ShowPosition);
  AddButton(
      transport, "Editor", [this] { Q_EMIT EditorRequested(); }, "The Chord & Style Editor at this measure");

  transport->addSpacing(8);
  transport->addWidget(new QLabel("Tempo"));
  tempo_ = MakeField("Tempo", engine::kMinFieldTempo, engine::kMaxFieldTempo,
                     "Tempo in quarter notes per minute (F5, F6, F7: the tempo presets; F8: tap it)");
  tempo_->setKeyboardTracking(false);  // the clock follows whole values, not each digit typed
  connect(tempo_, &QSpinBox::valueChanged, this, [this](int bpm) { arranger_.SetTempo(bpm); });
  transport->addWidget(tempo_);

  transport->addWidget(new QLabel("Transpose"));
  transposition_ = MakeField("Transpose", -24, 24, "Semitones added to the style's notes (not the drums)");
  connect(transposition_, &QSpinBox::valueChanged, this,
          [this](int semitones) { arranger_.SetTransposition(semitones); });
  transport->addWidget(transposition_);

  // The play range; each field clamps to 1..500 and the range's positions follow it.
  auto rangeField = [&](const char* caption, void (song::PlayRange::*set)(int), const QString& tip) {
    transport->addWidget(new QLabel(caption));
    QSpinBox* field = MakeField(caption, 1, song::kMaxMeasure, tip);
    field->setKeyboardTracking(false);
    connect(field, &QSpinBox::valueChanged, this,
            [this, set](int measure) { (arranger_.Song().Range.*set)(measure); });
    transport->addWidget(field);
    return field;
  };
  from_ = rangeField("From", &song::PlayRange::SetFromMeasure, "First measure of the song that plays");
  to_ = rangeField("To", &song::PlayRange::SetToMeasure, "Last measure of the song that plays");

  transport->addWidget(new QLabel("Rec. start"));
  recordStart_ = MakeField("RecordStart", -500, 500, "Record start measure");
  connect(recordStart_, &QSpinBox::valueChanged, this,
          [this](int measure) { arranger_.Song().Range.SetRecordStartMeasure(measure); });
  transport->addWidget(recordStart_);
  transport->addStretch();
  rows->addLayout(transport);

  // The style-part buttons give the part keys of the settings, as the keyboard's control keys do.
  auto* parts = new QHBoxLayout;
  using Keys = config::ControlKeyNotes;
  AddPartButton(parts, PartButtonId::Intro, "Intro", "Intro (Escape)", &Keys::Intro);
  AddPartButton(parts, PartButtonId::FillIn, "Fill in - F1", "A fill-in, then back to the part that played",
                &Keys::FillIn);
  AddPartButton(parts, PartButtonId::Extended, "Ext. - F2", "To the Extended part", &Keys::ToExtended);
  AddPartButton(parts, PartButtonId::Basic, "Basic - F3", "To the Basic part", &Keys::ToBasic);
  AddPartButton(parts, PartButtonId::Ending, "Ending - F4",
                "The ending at the next bar line; twice: stop at once", &Keys::Ending);
  parts->addSpacing(8);
  playChords_ = AddButton(parts, "C",
                          [this] { arranger_.Engine().SetPlayChords(!arranger_.Options().PlayChords); }, {});
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

  // The engine changes the tempo (a song's tempo function), the parts and the channels' activity while
  // playing, without a message of its own: the controls look again every kFollowMs.
  follow_.setInterval(kFollowMs);
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
                     QPalette().color(greyed ? QPalette::Disabled : QPalette::Active, QPalette::WindowText));
    box->setPalette(palette);
  }
  FollowParts();
}

void MainControls::FollowParts() {
  const engine::Sequencer& engine = arranger_.Engine();
  const styles::TGen& gen = arranger_.Gen();
  const bool playing = gen.Playing && gen.StyleMode;
  // A start plays the intro with "Play Intro", else Basic (the part sequencing skips missing parts).
  const int startPart = !playing && gen.StyleLoaded && gen.StyleMode
                            ? (arranger_.Settings().PlayIntro ? styles::kIntro : styles::kBasic)
                            : -1;
  const PartRun run{playing,       gen.RunningPart, engine.RequestedPart, engine.PendingFunction,
                    gen.Successor, startPart};
  const PartButtonState state = ShownParts(run, config::ComputeControlKeyNotes(arranger_.Settings()));
  for (int i = 0; i < kPartButtonCount; ++i)
    parts_[static_cast<size_t>(i)]->Show(i == state.Running, i == state.Coming);
  if (!run.Playing && !beatNumber_->text().isEmpty()) beatNumber_->clear();
}

void MainControls::ShowPosition(const QString& position) {
  // "measure:beat" of the style's material, at the start of each beat.
  const QStringList parts = position.split(':');
  if (parts.size() != 2) return;
  beatNumber_->setText(parts[1]);
  const styles::TGen& gen = arranger_.Gen();
  if (arranger_.Engine().SongState != 0 || !gen.Playing) return;
  const int first = gen.CurrentStyle().Parts[static_cast<size_t>(gen.RunningPart & 7)].FirstMeasure;
  measure_->setText(QString::number(std::max(1, parts[0].toInt() - first + 1)));
}

}  // namespace kalo::gui
