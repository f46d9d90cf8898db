#include "gui/style_events_window.h"

#include <QGridLayout>
#include <QScreen>

#include "app/style_creator_side.h"
#include "gui/guarded.h"

namespace kalo::gui {

StyleEventsWindow::StyleEventsWindow(app::Arranger& arranger, QWidget* owner)
    : QWidget(owner, Qt::Tool), arranger_(arranger), side_(arranger.Creator()) {
  setObjectName("StyleEvents");
  setWindowTitle(kStyleEventsTitle);
  auto* grid = new QGridLayout(this);
  grid->setSizeConstraint(QLayout::SetFixedSize);

  channel_ = new QComboBox;
  channel_->setObjectName("Channel");
  channel_->addItem("All");
  for (int c = 1; c <= 16; ++c) channel_->addItem(QString::number(c));
  channel_->setToolTip("The channel whose notes are visited");
  grid->addWidget(new QLabel("Channel"), 0, 0);
  grid->addWidget(channel_, 0, 1);
  display_ = new QLabel("-");
  display_->setObjectName("Note");
  display_->setToolTip("The note found: its octave and name");
  display_->setFrameShape(QFrame::Panel);
  display_->setFrameShadow(QFrame::Sunken);
  display_->setAlignment(Qt::AlignCenter);
  display_->setMinimumWidth(display_->fontMetrics().horizontalAdvance("00 C#") + 12);
  grid->addWidget(display_, 0, 2);

  note_ = new QComboBox;
  note_->setObjectName("Note Box");
  note_->setToolTip("The note name \"Change\" gives the note");
  for (const char* name : {"C", "C#", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"})
    note_->addItem(name);
  octave_ = new QComboBox;
  octave_->setObjectName("Octave Box");
  octave_->setToolTip("The octave \"Change\" gives the note");
  for (int o = 1; o <= 8; ++o) octave_->addItem(QString::number(o));
  grid->addWidget(note_, 1, 0);
  grid->addWidget(octave_, 1, 1);

  velocity_ = new QSlider(Qt::Horizontal);
  velocity_->setObjectName("Velocity");
  velocity_->setToolTip("The note's velocity (only while nothing plays)");
  velocity_->setRange(0, 127);
  velocityValue_ = new QLabel("0");
  velocityValue_->setMinimumWidth(velocityValue_->fontMetrics().horizontalAdvance("000"));
  connect(velocity_, &QSlider::valueChanged, this, [this](int value) {
    velocityValue_->setText(QString::number(value));
    if (showing_) return;
    // Only while stopped; the slider returns to the note's velocity when the edit is refused.
    if (side_.Events().SetVelocity(value)) {
      Q_EMIT Edited();
    } else if (const auto& current = side_.Events().Current()) {
      const QSignalBlocker block(velocity_);
      velocity_->setValue(current->Velocity);
      velocityValue_->setText(QString::number(current->Velocity));
    }
  });
  grid->addWidget(velocity_, 2, 0, 1, 2);
  grid->addWidget(velocityValue_, 2, 2);

  QPushButton* previous = AddButton("<", [this] { Step(false); });
  previous->setObjectName("Previous");
  previous->setToolTip("The previous note (sounds while held)");
  QPushButton* next = AddButton(">", [this] { Step(true); });
  next->setObjectName("Next");
  next->setToolTip("The next note (sounds while held)");
  grid->addWidget(previous, 3, 0);
  grid->addWidget(next, 3, 1);
  grid->addWidget(AddButton("Change",
                            [this] {
                              const auto changed =
                                  side_.Events().Change(note_->currentIndex(), octave_->currentIndex());
                              if (!changed) return;
                              Show(changed);
                              side_.SoundNote(*changed);
                              sounding_ = changed;
                              Q_EMIT Edited();
                            }),
                  4, 0);
  grid->addWidget(AddButton("Clear",
                            [this] {
                              const bool had = side_.Events().Current().has_value();
                              Show(side_.Events().Clear(Channel(), Muted()));
                              if (had) Q_EMIT Edited();
                            }),
                  4, 1);
  grid->addWidget(AddButton("Undo",
                            [this] {
                              if (side_.Events().Undo()) Q_EMIT Edited();
                              Show(side_.Events().Current());
                            }),
                  4, 2);
  Button("Change")->setToolTip(
      "The note becomes the name and octave of the boxes (only while nothing plays)");
  Button("Clear")->setToolTip("Silence the note and go to the next (only while nothing plays)");
  Button("Undo")->setToolTip("Take the last change or clear back");
  // The note found or changed sounds while its button is held.
  for (QPushButton* button : {previous, next, Button("Change")}) {
    connect(button, &QPushButton::released, this, [this] {
      if (sounding_) side_.ReleaseNote(*sounding_);
      sounding_.reset();
    });
  }
}

QPushButton* StyleEventsWindow::AddButton(const QString& caption, std::function<void()> command) {
  auto* button = new QPushButton(caption);
  button->setObjectName(caption);
  button->setFocusPolicy(Qt::NoFocus);
  connect(button, &QPushButton::pressed, this,
          [this, command = std::move(command)] { Guarded(arranger_.Dialogs(), command); });
  return button;
}

void StyleEventsWindow::Open() {
  side_.Events().Open();
  Show(std::nullopt);
  if (!placed_) {
    // First shown beside the Style-Creator (to its right, or inside its right edge when the screen
    // ends there), where the notes it walks through are marked; after that where the player put it.
    placed_ = true;
    adjustSize();
    const QRect owner = parentWidget()->window()->frameGeometry();
    const QScreen* screen = parentWidget()->window()->screen();
    const QRect room = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const int x = std::min(owner.right() + 8, room.right() - frameGeometry().width());
    move(std::max(room.left(), x), std::max(room.top(), owner.top()));
  }
  show();
  raise();
}

void StyleEventsWindow::Step(bool forward) {
  const auto found =
      forward ? side_.Events().Next(Channel(), Muted()) : side_.Events().Previous(Channel(), Muted());
  if (!found) return;
  Show(found);
  if (sounding_) side_.ReleaseNote(*sounding_);
  side_.SoundNote(*found);
  sounding_ = found;
}

void StyleEventsWindow::Show(const std::optional<styles::EditorNote>& note) {
  showing_ = true;
  if (note) {
    note_->setCurrentIndex(note->Note % 12);
    octave_->setCurrentIndex(std::clamp(note->Note / 12 - 1, 0, octave_->count() - 1));
    velocity_->setValue(note->Velocity);
    display_->setText(QString::fromStdString(styles::EditorNoteText(note->Note)));
  } else {
    display_->setText("-");
  }
  showing_ = false;
}

}  // namespace kalo::gui
