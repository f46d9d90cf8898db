#pragma once
// The song's tool panels: "Memo" (the song memo's title, subtitle, author, copyright line and
// comments, written into the song as they are typed), "Melody-Notes" (the melody track's notes one by
// one: previous, next, change, clear) and "Step" (the step recording's start). Main thread.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/arranger.h"
#include "gui/tool_panel.h"

namespace kalo::gui {

// The comment text holds at most this many characters; what is typed beyond is cut off.
inline constexpr int kMaxMemoComments = 1500;

class MemoPanel final : public ToolPanel {
  Q_OBJECT

 public:
  explicit MemoPanel(app::Arranger& arranger, QWidget* parent = nullptr);
  void Refresh() override;

  QLineEdit* Field(const QString& name) const { return findChild<QLineEdit*>(name); }
  QPlainTextEdit* Comments() const { return comments_; }

 private:
  app::Arranger& arranger_;
  QPlainTextEdit* comments_ = nullptr;
};

class MelodyNotesPanel final : public ToolPanel {
  Q_OBJECT

 public:
  explicit MelodyNotesPanel(app::Arranger& arranger, QWidget* parent = nullptr);
  // Shows the selected event and titles the panel with the event count.
  void Refresh() override;

  QPushButton* Button(const QString& text) const { return findChild<QPushButton*>(text); }
  QLabel* Note() const { return note_; }
  QComboBox* PitchClass() const { return pitchClass_; }
  QComboBox* Octave() const { return octave_; }

 private:
  // The buttons act only while neither a song nor a style runs.
  bool Stopped();
  // A button that selects or changes a note: pressed it plays the selected note, released it sounds off.
  void AddNoteButton(class QLayout* layout, const QString& text, std::function<bool()> command);
  void PlaySelected();

  app::Arranger& arranger_;
  QLabel* note_ = nullptr;
  QLabel* index_ = nullptr;
  QComboBox* pitchClass_ = nullptr;
  QComboBox* octave_ = nullptr;
};

class StepPanel final : public ToolPanel {
  Q_OBJECT

 public:
  explicit StepPanel(app::Arranger& arranger, QWidget* parent = nullptr);
  void Refresh() override;

  QComboBox* Taps() const { return taps_; }

 private:
  app::Arranger& arranger_;
  QLabel* metrum_ = nullptr;
  QComboBox* taps_ = nullptr;
};

}  // namespace kalo::gui
