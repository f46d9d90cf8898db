#pragma once
// The "Style-Creator & Chord-Generator" (tool panel "Style-Creator"): where MIDI material becomes a
// style. Its menu leads through the numbered steps; its controls walk through the material while it
// plays (play, stop, measure back and forward, go to the end, the position display with its
// bookmarks), mark each part's measures (the mode boxes, the part list, first and last measure and
// beat, "Set", "Clear P.", "LoopStart", "LoopEnd", the loop length), record from MIDI in with the
// recording panel's measure boxes, balance the channels (the offsets, "Normalize Volume", the
// octave and tone moves) and load and save styles and work files. A MIDI file dropped on the window
// is imported. Every control is one command of the arranger's Style-Creator side; the panel shows
// what the side and the style hold after each. Closing the window only hides it. Main thread.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <array>
#include <functional>

#include "app/arranger.h"
#include "app/style_creator_side.h"
#include "gui/tool_panel.h"
#include "gui/window_display.h"

namespace kalo::gui {

class StyleEventsWindow;

inline constexpr const char* kStyleCreatorTitle = "Style-Creator & Chord-Generator";

class StyleCreatorPanel final : public ToolPanel {
  Q_OBJECT

 public:
  StyleCreatorPanel(app::Arranger& arranger, WindowDisplay& display, QWidget* parent = nullptr);
  ~StyleCreatorPanel() override;

  // Shows the style's and the side's state again.
  void Refresh() override;

  // A control by its caption (buttons, boxes, lists and number fields carry their caption as name).
  template <typename Control>
  Control* Find(const QString& caption) const {
    return findChild<Control*>(caption);
  }
  QPushButton* Button(const QString& caption) const { return Find<QPushButton>(caption); }
  // A menu entry of the panel's menu bar by its caption.
  QAction* Entry(const QString& caption) const;
  QMenuBar* Menus() const { return menus_; }
  QLabel* Position() const { return position_; }
  StyleEventsWindow& Events() { return *events_; }
  // Imports a dropped MIDI file as "1. Import Midifile" does with the chosen one.
  void ImportDropped(const QString& path);

 Q_SIGNALS:
  // The chord-keys item: the guide to the computer keys, which play chords and parts in every window.
  void GuideRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // --- Layout (style_creator_panel.cpp) ---
  QWidget* MakeModeAndParts();
  QWidget* MakeTransport();
  QLayout* MakeSongWindow();
  QWidget* MakeRecordingPanel();
  QWidget* MakeLevels();
  QWidget* MakeFiles();
  // --- Menus (style_creator_menus.cpp) ---
  void MakeMenus();
  void MakeStepsMenu();
  void MakeLoopMenu();
  void MakeConvertMenu();
  QAction* AddEntry(QMenu* menu, const QString& caption, std::function<void()> command);
  QAction* AddOption(QMenu* menu, const QString& caption, bool* flag);
  // An exclusive choice of entries; `get` tells the entry in force, `set` takes a new one.
  void AddChoice(QMenu* menu, const QString& caption, const QStringList& entries, std::function<int()> get,
                 std::function<void(int)> set);

  QPushButton* AddButton(const QString& caption, std::function<void()> command, const QString& hint = {});
  QSpinBox* AddNumber(const QString& name, int low, int high, std::function<void(int)> command);
  // Runs a command of the side: device errors are shown, the panel and the other windows follow.
  void Run(const std::function<void()>& command);
  // The commands that need a file name from a dialog.
  void ImportByDialog(bool newStyle);
  void SaveStyleByDialog();
  void SaveWorkByDialog();
  void SaveMidiByDialog(bool wholeStyle);
  // "Import style part ...", the sets of style parts and their "Set path" items.
  void MakePartFileItems(QMenu* file);
  void ImportPartByDialog();
  bool ChoosePartSetFolder();
  void MakeAllStylesItems(QMenu* file);
  void RecordFromMidiIn(bool cutFromPanel);
  void SetStyleMode(bool on);
  // The main window's channel for "  Cut Notes ...": the mixer's keyboard channel.
  int SelectedChannel() const;

  app::Arranger& arranger_;
  app::StyleCreatorSide& side_;
  QMenuBar* menus_ = nullptr;
  QCheckBox* songMode_ = nullptr;
  QCheckBox* styleMode_ = nullptr;
  QListWidget* parts_ = nullptr;
  QSpinBox* first_ = nullptr;
  QSpinBox* last_ = nullptr;
  QSpinBox* beat_ = nullptr;
  QSpinBox* songStart_ = nullptr;  // "Start with ..." measure and beat, "Stop at ..." measure
  QSpinBox* songBeat_ = nullptr;
  QSpinBox* songStop_ = nullptr;
  QComboBox* loopLength_ = nullptr;
  QCheckBox* multiply_ = nullptr;
  QCheckBox* intro_ = nullptr;
  QCheckBox* cutNotes_ = nullptr;
  QLabel* position_ = nullptr;
  QLabel* volumeTotal_ = nullptr;
  QLabel* reverbTotal_ = nullptr;
  QSpinBox* target_ = nullptr;
  QComboBox* metrum_ = nullptr;
  QSpinBox* tempo_ = nullptr;
  std::array<QSpinBox*, 16> panelBoxes_{};
  QComboBox* octaveChannel_ = nullptr;
  QComboBox* toneChannel_ = nullptr;
  StyleEventsWindow* events_ = nullptr;
  std::vector<std::function<void()>> refreshers_;
  QWidget* watchedWindow_ = nullptr;
  bool refreshing_ = false;
};

}  // namespace kalo::gui
