#pragma once
// The "Chord & Style Editor" (tool panel "Editor"): the Chordmemory as a grid, one row per measure
// ("001", "002", ...) through the measure that holds STOP and one column per beat ("1/4", "2/4", ...),
// each cell showing its chord and function. The grid's pop-up menu and the panel's buttons write the
// selected cell (roots, types, the style-part functions, "Stop", "Tempo", "Loop", "Transpose",
// "Solo/Mute", the beat clipboard), the measure and beat buttons insert, delete and copy, "Undo" takes
// the last change back, "Chordpads ..." takes the next chord pad into the cell, and the chart buttons
// copy the song to the clipboard as a chord chart or paste one. The commands are the arranger's chord
// editor side; this panel draws what it holds and shows its edit mode on the main window. Main thread.

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>

#include "app/arranger.h"
#include "app/chord_editor_side.h"
#include "gui/main_window.h"
#include "gui/tool_panel.h"

namespace kalo::gui {

inline constexpr int kEditorGridWidth = 490;

class ChordEditorPanel final : public ToolPanel, private app::ChordEditorView {
  Q_OBJECT

 public:
  // `main` must outlive the panel: edit mode shows its banner there and leaving the editor sets its
  // to-measure.
  ChordEditorPanel(app::Arranger& arranger, MainWindow& main, QWidget* parent = nullptr);
  ~ChordEditorPanel() override;

  // Shows the Chordmemory again.
  void Refresh() override;
  // Opening at a measure: the grid filled, the measure selected, the modified flag cleared; with
  // `bringUp` the window shows and the main window is activated again.
  void OpenAt(int measure, bool bringUp);
  // The measure of the main window's position field (the text before a colon), at least 1.
  int PositionMeasure() const;

  QTableWidget* Grid() const { return grid_; }
  QSpinBox* MeasureField() const { return measure_; }
  QMenu* PopUp() const { return popUp_; }
  // A button by its caption, a pop-up entry by its caption ("None Chord" and "None Function" for the
  // two "None").
  QPushButton* Button(const QString& caption) const { return findChild<QPushButton*>(caption); }
  QAction* Entry(const QString& caption) const { return popUp_->findChild<QAction*>("Cell " + caption); }
  QGroupBox* CopyPanel() const { return copyPanel_; }
  QLabel* Banner() const { return banner_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // app::ChordEditorView
  void ShowChords() override;
  void ShowEditMode(bool on) override;
  void BringToFront() override;

  void MakeGrid();
  void MakePopUp();
  QLayout* MakeFunctionFields();
  QLayout* MakeMeasureButtons();
  QPushButton* AddButton(QLayout* layout, const QString& caption, std::function<void()> command);
  QAction* AddEntry(QMenu* menu, const QString& caption, std::function<void()> command);
  app::EditorFields Fields() const;
  void Function(app::EditorFunction function);
  // The editor's cursor follows a song started from the editor; a recording shows as it goes.
  void FollowSong();
  void Changed();

  app::Arranger& arranger_;
  app::ChordEditorSide& side_;
  MainWindow& main_;
  QTableWidget* grid_ = nullptr;
  QSpinBox* measure_ = nullptr;
  QLabel* metrum_ = nullptr;
  QMenu* popUp_ = nullptr;
  QSpinBox* tempo_ = nullptr;
  QComboBox* loop_ = nullptr;
  QSpinBox* loopCount_ = nullptr;
  QSpinBox* semitones_ = nullptr;
  QComboBox* soloMute_ = nullptr;
  QSpinBox* channel_ = nullptr;
  QPushButton* undo_ = nullptr;
  QGroupBox* copyPanel_ = nullptr;
  QSpinBox* first_ = nullptr;
  QSpinBox* last_ = nullptr;
  QSpinBox* destination_ = nullptr;
  QLabel* banner_ = nullptr;  // across the main window in edit mode
  QTimer follow_;
  bool opening_ = false;
  QObject* watchedWindow_ = nullptr;
};

}  // namespace kalo::gui
