#include "gui/song_panels.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

#include "app/song_side.h"
#include "gui/guarded.h"
#include "gui/tool_windows.h"
#include "perform/chord.h"

namespace kalo::gui {

MemoPanel::MemoPanel(app::Arranger& arranger, QWidget* parent)
    : ToolPanel("Memo", parent), arranger_(arranger) {
  auto* form = new QFormLayout(this);
  const std::pair<const char*, std::string song::SongMemo::*> lines[] = {
      {"Title", &song::SongMemo::Title},
      {"Subtitle", &song::SongMemo::Subtitle},
      {"Author", &song::SongMemo::Author},
      {"Copyright", &song::SongMemo::Copyright}};
  for (const auto& [caption, member] : lines) {
    auto* field = new QLineEdit;
    field->setObjectName(caption);
    field->setToolTip(QString("The song's %1, saved with the arrangement").arg(QString(caption).toLower()));
    // Only what the player types is written: Refresh does not write the memo back.
    connect(field, &QLineEdit::textEdited, this, [this, member = member](const QString& text) {
      arranger_.Song().Memo.*member = text.toStdString();
      if (member == &song::SongMemo::Title) Q_EMIT SessionChanged();  // the window shows the title
    });
    form->addRow(caption, field);
  }
  comments_ = new QPlainTextEdit;
  comments_->setObjectName("Comments");
  connect(comments_, &QPlainTextEdit::textChanged, this, [this] {
    if (comments_->signalsBlocked()) return;
    QString text = comments_->toPlainText();
    if (text.size() > kMaxMemoComments) {
      text.truncate(kMaxMemoComments);
      const QSignalBlocker block(comments_);
      comments_->setPlainText(text);
      comments_->moveCursor(QTextCursor::End);
    }
    arranger_.Song().Memo.Comments = text.toStdString();
  });
  form->addRow("Comments", comments_);
  Refresh();
}

void MemoPanel::Refresh() {
  const song::SongMemo& memo = arranger_.Song().Memo;
  for (const auto& [name, text] :
       {std::pair{"Title", &memo.Title}, std::pair{"Subtitle", &memo.Subtitle},
        std::pair{"Author", &memo.Author}, std::pair{"Copyright", &memo.Copyright}}) {
    QLineEdit* field = Field(name);
    const QString value = QString::fromStdString(*text);
    if (field->text() != value) field->setText(value);
  }
  const QString comments = QString::fromStdString(memo.Comments);
  if (comments_->toPlainText() != comments) {
    const QSignalBlocker block(comments_);
    comments_->setPlainText(comments);
  }
}

// The octave list: index i gives the notes (i + 1) × 12 .. (i + 1) × 12 + 11, the last one cut at 127.
constexpr int kOctaves = 10;

MelodyNotesPanel::MelodyNotesPanel(app::Arranger& arranger, QWidget* parent)
    : ToolPanel("Melody-Notes", parent), arranger_(arranger) {
  auto* rows = new QVBoxLayout(this);
  auto* shown = new QHBoxLayout;
  note_ = new QLabel;
  note_->setObjectName("Note");
  note_->setMinimumWidth(48);
  note_->setFrameShape(QFrame::Panel);
  note_->setFrameShadow(QFrame::Sunken);
  pitchClass_ = new QComboBox;
  for (const char* name : perform::kNoteNames) pitchClass_->addItem(name);
  pitchClass_->setToolTip("The pitch of the selected melody note; Change sets it");
  octave_ = new QComboBox;
  octave_->setToolTip("The octave of the selected melody note; Change sets it");
  for (int octave = 1; octave <= kOctaves; ++octave) octave_->addItem(QString::number(octave));
  index_ = new QLabel;
  index_->setObjectName("Index");
  shown->addWidget(note_);
  shown->addWidget(pitchClass_);
  shown->addWidget(octave_);
  shown->addWidget(index_);
  rows->addLayout(shown);

  auto* buttons = new QHBoxLayout;
  song::MelodyTrack& melody = arranger_.Song().Melody;
  AddNoteButton(buttons, "Previous", [&melody] { return melody.SelectPrevious().has_value(); });
  AddNoteButton(buttons, "Next", [&melody] { return melody.SelectNext().has_value(); });
  AddNoteButton(buttons, "Change", [this, &melody] {
    return melody.ChangeSelectedNote(pitchClass_->currentIndex(), octave_->currentIndex());
  });
  auto* clear = new QPushButton("Clear");
  clear->setObjectName("Clear");
  clear->setToolTip("Take the selected note out of the melody (while stopped)");
  connect(clear, &QPushButton::clicked, this, [this, &melody] {
    if (!Stopped()) return;
    melody.ClearSelectedNote();
    Refresh();
  });
  buttons->addWidget(clear);
  rows->addLayout(buttons);
  Refresh();
}

bool MelodyNotesPanel::Stopped() {
  return arranger_.Engine().SongState == 0 && !arranger_.Engine().StylePlaying();
}

void MelodyNotesPanel::AddNoteButton(QLayout* layout, const QString& text, std::function<bool()> command) {
  auto* button = new QPushButton(text);
  button->setObjectName(text);
  button->setToolTip(text == "Previous" ? "Select and hear the melody's previous note (while stopped)"
                     : text == "Next"   ? "Select and hear the melody's next note (while stopped)"
                                        : "Give the selected note the pitch and octave chosen beside it");
  // Only a press that acted sounds the note, so only its release sounds off.
  auto sounding = std::make_shared<bool>(false);
  connect(button, &QPushButton::pressed, this, [this, command = std::move(command), sounding] {
    if (!Stopped() || !command()) return;
    Refresh();
    PlaySelected();
    *sounding = true;
  });
  connect(button, &QPushButton::released, this, [this, sounding] {
    if (!*sounding) return;
    *sounding = false;
    Guarded(arranger_.Dialogs(), [this] {
      song::MelodyTrack::SendSoundOff(arranger_.Song().Melody.Channel, arranger_.SongEngine().MelodyOut());
    });
  });
  layout->addWidget(button);
}

void MelodyNotesPanel::PlaySelected() {
  const song::MelodyTrack& melody = arranger_.Song().Melody;
  const song::MelodyEvent& event = melody.Events()[static_cast<size_t>(melody.Selected())];
  Guarded(arranger_.Dialogs(), [&] {
    arranger_.SongEngine().MelodyOut().Send(static_cast<uint8_t>(0x90 | (melody.Channel & 0x0F)), event.Data1,
                                            event.Data2);
  });
}

void MelodyNotesPanel::Refresh() {
  const song::MelodyTrack& melody = arranger_.Song().Melody;
  SetTitle(QString("%1 Melody - Notes").arg(melody.Count()));
  const auto events = melody.Events();
  const auto selected = static_cast<size_t>(melody.Selected());
  const bool note = selected < events.size() && song::IsNoteStart(events[selected]);
  index_->setText(selected < events.size() ? QString::number(selected) : QString());
  if (!note) {
    note_->clear();
    return;
  }
  const int number = events[selected].Data1;
  note_->setText(
      QString("%1 %2").arg(perform::kNoteNames[static_cast<size_t>(number % 12)]).arg(number / 12));
  pitchClass_->setCurrentIndex(number % 12);
  octave_->setCurrentIndex(std::clamp(number / 12 - 1, 0, kOctaves - 1));
}

StepPanel::StepPanel(app::Arranger& arranger, QWidget* parent)
    : ToolPanel("Step", parent), arranger_(arranger) {
  auto* rows = new QVBoxLayout(this);
  metrum_ = new QLabel;
  rows->addWidget(metrum_);
  taps_ = new QComboBox;
  taps_->setObjectName("Taps per Measure");
  taps_->setToolTip("How many taps step one measure of the song on");
  for (int taps = 1; taps <= 6; ++taps)
    taps_->addItem(taps == 1 ? QString("1 Tap") : QString("%1 Taps").arg(taps));
  connect(taps_, &QComboBox::activated, this,
          [this](int index) { arranger_.SongOptions().TapsPerMeasure = index + 1; });
  rows->addWidget(taps_);
  auto* buttons = new QHBoxLayout;
  auto* start = new QPushButton("Start");
  start->setObjectName("Start");
  start->setToolTip("Record the song step by step: each tap enters the held chord");
  connect(start, &QPushButton::clicked, this, [this] {
    ToolWindows::WindowOf(this)->hide();
    Guarded(arranger_.Dialogs(), [this] { arranger_.StepRecord(); });
    Q_EMIT SessionChanged();
  });
  auto* close = new QPushButton("Close");
  close->setObjectName("Close");
  close->setToolTip("Close this window");
  connect(close, &QPushButton::clicked, this, [this] { ToolWindows::WindowOf(this)->hide(); });
  buttons->addWidget(start);
  buttons->addWidget(close);
  rows->addLayout(buttons);
  Refresh();
}

void StepPanel::Refresh() {
  const int metrum = std::clamp(arranger_.Settings().Metrum, 0, config::kMetrumCount - 1);
  metrum_->setText(QString("Metrum: ") + config::kMetrumNames[metrum]);
  taps_->setCurrentIndex(std::clamp(arranger_.SongOptions().TapsPerMeasure, 1, 6) - 1);
}

}  // namespace kalo::gui
