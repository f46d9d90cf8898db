#pragma once
// The main window: its menus, the playing controls, the stage that shows what plays (the chord, large,
// the part that plays and the one that comes, the style and the song), the background (colour and
// tiled picture from the settings), and the tool windows of its panels. Commands go to the arranger;
// what the core reports arrives through the WindowDisplay. Colours and sizes follow the desktop's
// palette and font, so the window suits a light or a dark desktop and a high-resolution screen.
// Main thread.

#include <QActionGroup>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPixmap>
#include <memory>

#include "app/arranger.h"
#include "gui/main_controls.h"
#include "gui/tool_windows.h"
#include "gui/window_display.h"

namespace kalo::gui {

class MainWindow final : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow(app::Arranger& arranger, WindowDisplay& display);
  // Closing the tool windows while the window is taken down moves the focus: nothing may reach the
  // half-destroyed window then.
  ~MainWindow() override;

  ToolWindows& Tools() { return tools_; }
  // Adds a tool panel (the window takes it) with its entry in the "Windows" menu.
  void AddToolPanel(ToolPanel* panel);
  // Shows the tool window of the panel with this title or name; false when there is none.
  bool ShowPanel(const QString& name);

  // Shows the settings and options again: menu check marks, background colour and picture.
  void Refresh();

  QLabel* ChordDisplay() const { return chord_; }
  QLabel* StyleCaption() const { return style_; }
  QLabel* SongCaption() const { return song_; }
  QLabel* PartDisplay() const { return part_; }
  MainControls* Controls() const { return controls_; }
  // The menu entry with this object name, else the first with this caption.
  QAction* Action(const QString& text) const;
  bool StaysOnTop() const { return (windowFlags() & Qt::WindowStaysOnTopHint) != 0; }

 Q_SIGNALS:
  // "E&xit", or the window's close button: the session shuts down in order.
  void ExitRequested();
  // The chord editor is wanted at a measure: 0 for the position field's ("Editor"), 1 after "&New" and
  // after loading a song with "Auto pop-up".
  void EditorRequested(int measure);
  // "Tap Tempo" of the play menu.
  void TapTempoRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QWidget* MakeStage(WindowDisplay& display);
  void ShowChord();
  void ShowPart();
  void MakeMenus();
  // Adds to the captions of the menu entries that have one the key that does the same.
  void ShowMenuKeys();
  // The song and melody menus (song_menus.cpp), and the intro voices choice of the style menu.
  void MakeSongMenus(QMenu* styleMenu);
  // The Style-Creator's entries of the main window (creator_menu.cpp).
  void MakeCreatorMenu();
  // "Load Style ...", "Style-Manager ..." and the tool bar (style_menus.cpp); the last-used styles
  // are listed before recentEnd_ and made anew whenever they may have changed.
  void MakeStyleMenus(QMenu* file);
  void ShowRecentStyles();
  QAction* AddToggle(QMenu* menu, const QString& text, bool config::Options::*option,
                     bool config::Settings::*setting = nullptr);
  // A toggle of a setting that no option mirrors.
  QAction* AddSettingToggle(QMenu* menu, const QString& text, bool config::Settings::*setting);
  // A toggle whose change is a command of its own (it sets the option itself).
  QAction* AddSwitch(QMenu* menu, const QString& text, bool config::Options::*option,
                     std::function<void(bool)> command);
  QAction* AddCommand(QMenu* menu, const QString& text, std::function<void()> command);
  // A check mark over any state: `get` refreshes it, `set` carries out a change.
  QAction* AddCheck(QMenu* menu, const QString& text, std::function<bool()> get,
                    std::function<void(bool)> set);
  // An entry of an exclusive choice: checked while `get` holds.
  QAction* AddChoice(QMenu* menu, QActionGroup* group, const QString& text, std::function<bool()> get,
                     std::function<void(bool)> set);
  void SetStayOnTop(bool on);

  app::Arranger& arranger_;
  ToolWindows tools_;
  QMenu* windowsMenu_ = nullptr;
  QAction* panelsEnd_ = nullptr;
  QAction* recentEnd_ = nullptr;
  std::vector<QAction*> recent_;
  QLabel* chord_ = nullptr;
  QLabel* style_ = nullptr;
  QLabel* song_ = nullptr;
  QLabel* part_ = nullptr;
  QString chordText_;
  QColor chordColour_;
  // The grid the melody was last quantized to; None after a restore.
  song::QuantizeGrid quantized_ = song::QuantizeGrid::None;
  MainControls* controls_ = nullptr;
  class Backdrop* backdrop_ = nullptr;
  QAction* portable_ = nullptr;
  std::vector<std::function<void()>> refreshers_;
};

}  // namespace kalo::gui
