#pragma once
// The Style-Manager's session work, and the main window's ways to a style: the group list over the
// group file, the file browser, loading by button, double click, Enter, drag and drop, by dialog and
// from the last-used styles, and the preview of a style's Basic. The window shows this side's state
// and forwards its controls; every question and message goes through the session's Dialogs.
//
// The preview plays through the session when "Midiout" is open: the style is loaded and its Basic
// repeats on the engine, as the Style-Creator plays a part. With "Midiout" closed there is nothing
// for the engine to play to, so the preview is rendered offline (app/style_preview) and sent in real
// time to the default output, the built-in synthesizer, by a PreviewPlayer that the owner advances
// with Pump(). Stopping either way leaves no note sounding. Main thread.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/time_source.h"
#include "styles/style_browser.h"
#include "styles/style_creator.h"
#include "styles/style_groups.h"

namespace kalo::midi {
class TMidiOutput;
}

namespace kalo::app {

class Arranger;
class PreviewPlayer;

// The two lists of the window; the one clicked last chooses what "Play" previews.
enum class ManagerList { Group, Files };

class StyleManagerSide {
 public:
  explicit StyleManagerSide(Arranger& session);
  ~StyleManagerSide();
  StyleManagerSide(const StyleManagerSide&) = delete;
  StyleManagerSide& operator=(const StyleManagerSide&) = delete;

  // --- The groups ---------------------------------------------------------------------------------
  // Where the group file is read and written; beside the program until set. Takes effect when the
  // groups are first used.
  void SetGroupFileLocation(styles::GroupFileLocation location) { location_ = std::move(location); }
  // The group list. The group file is read on the first call and kept for the run; one that cannot
  // be used is named once, and is then never overwritten.
  styles::StyleGroupList& Groups();
  // The first group that holds entries (1 when none does): where the window opens.
  int FirstFilledGroup();
  // A group chosen in the tree: its entries are listed and the first is selected.
  void ShowGroup(int group);
  // An entry clicked in the group list.
  void ClickEntry(int index);
  // " Add or Edit current Style ", " Remove        ", "  Remove all ".
  void AddOrEditCurrentStyle(std::string_view description);
  void Remove();
  void RemoveAll();

  // --- The file browser ---------------------------------------------------------------------------
  // Starts at the remembered style folder (else the program's styles folder) on first use.
  styles::StyleBrowser& Browser();
  // A file clicked in the file list (its name in the browser's folder).
  void ClickFile(const std::string& fileName);
  const std::string& SelectedFile() const { return selectedFile_; }
  ManagerList LastClicked() const { return lastClicked_; }

  // --- Loading ------------------------------------------------------------------------------------
  // Each stops a running preview, loads as the Style-Creator loads, and on success puts the style
  // first in the last-used styles.
  // The selected group entry's style by name ("Load", double click, Enter in the group list).
  styles::LoadOutcome LoadEntry();
  // The selected file ("Load", double click, Enter in the file list).
  styles::LoadOutcome LoadFile();
  styles::LoadOutcome LoadByName(const std::string& path);
  // "Load Style ...": the open dialog in the remembered style folder.
  styles::LoadOutcome LoadByDialog();
  // A last-used style; one that is no longer found leaves the list after "Style not found !".
  styles::LoadOutcome LoadRecent(const std::string& path);

  // --- Preview ------------------------------------------------------------------------------------
  // "Play": loads the chosen style (the group entry when the group list was clicked last, else the
  // selected file) and plays its Basic, repeating.
  void Play();
  // "Stop": the session's Stop, which also ends a rendered preview.
  void Stop();
  // Ends a rendered preview: every note it sounded is released and its output closed.
  void StopPreview();
  // The style plays (a preview or the session's style player).
  bool Playing() const;
  // A rendered preview is being sent: the owner calls Pump() often (every few milliseconds) until
  // this turns false.
  bool PreviewRunning() const { return player_ != nullptr; }
  void Pump();
  // The clock the rendered preview is timed by (tests); the steady clock by default.
  void UseClock(const host::TimeSource& clock) { clock_ = &clock; }

  // --- Keys and mouse -----------------------------------------------------------------------------
  // Space: stops what plays; else the group list loads its entry and the file list previews its file.
  void Space(ManagerList list);
  // The right mouse button on an entry or a file: another item than the selected one is selected
  // and previewed; the selected one is previewed when stopped and stopped when playing.
  void RightClickEntry(int index);
  void RightClickFile(const std::string& fileName);
  // A style file dropped on the group list: loaded unless it is the current style, then added to the
  // group (or its description edited) with `description`. The web link entry is never taken.
  void DropFile(const std::string& path, std::string_view description);

 private:
  std::string ChosenPath();
  styles::LoadOutcome Loaded(styles::LoadOutcome outcome);
  // Renders the current style's preview and starts sending it to the default output.
  void StartRenderedPreview();
  void CloseOutput();

  Arranger& session_;
  std::optional<styles::GroupFileLocation> location_;
  std::unique_ptr<styles::StyleGroupFile> file_;
  std::unique_ptr<styles::StyleGroupList> groups_;
  std::unique_ptr<styles::StyleBrowser> browser_;
  std::string selectedFile_;
  ManagerList lastClicked_ = ManagerList::Group;

  host::SteadyTimeSource steady_;
  const host::TimeSource* clock_ = &steady_;
  std::unique_ptr<midi::TMidiOutput> output_;
  std::unique_ptr<PreviewPlayer> player_;
  int64_t startMicros_ = 0;
};

}  // namespace kalo::app
