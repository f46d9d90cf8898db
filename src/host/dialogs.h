#pragma once
// What the user must know or decide: message boxes with the program's fixed texts.

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace kalo::host {

// The title that captions every question box and the main window.
inline constexpr const char* kApplicationTitle = "KALO";

// An open or save file dialog: its title, filter ("Styles (*.vxs)|*.vxs"), default extension
// ("VXS"), initial name ("*.VXS") and start folder.
struct FileChoice {
  std::string Title;
  std::string Filter;
  std::string DefaultExtension;
  std::string InitialName;
  std::string Folder;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A Yes/No question captioned with the application title; true for Yes. "No" must leave
  // everything unchanged, so callers act only on true.
  virtual bool Ask(const std::string& question) = 0;
  // A message the user acknowledges.
  virtual void Inform(const std::string& text) = 0;
  // A line of text; nullopt when the user cancels.
  virtual std::optional<std::string> AskText(const std::string& caption, const std::string& prompt,
                                             const std::string& initial) = 0;
  // The full name of a file chosen to open or to save; nullopt when the user cancels (the default,
  // for hosts without a file dialog).
  virtual std::optional<std::string> AskOpenFile(const FileChoice& /*choice*/) { return std::nullopt; }
  virtual std::optional<std::string> AskSaveFile(const FileChoice& /*choice*/) { return std::nullopt; }
  // Long work says how far it is: `done` of `total` steps, `text` naming the step about to run; done ==
  // total ends it. False when the user asked to stop: the work then ends before that step. The
  // default shows nothing and never stops.
  virtual bool Progress(const std::string& /*text*/, int /*done*/, int /*total*/) { return true; }
};

// Without a user: messages go to standard error, questions get a fixed answer.
class HeadlessDialogs final : public Dialogs {
 public:
  explicit HeadlessDialogs(bool answer = false) : answer_(answer) {}
  bool Ask(const std::string& question) override;
  void Inform(const std::string& text) override;
  std::optional<std::string> AskText(const std::string& caption, const std::string& prompt,
                                     const std::string& initial) override;

 private:
  bool answer_;
};

// For tests: records every message and question; answers questions from a script, then with a default.
class RecordingDialogs final : public Dialogs {
 public:
  struct Entry {
    enum class Kind { Ask, Inform, AskText, AskOpenFile, AskSaveFile, Progress } Kind;
    std::string Text;
  };

  bool Ask(const std::string& question) override;
  void Inform(const std::string& text) override;
  std::optional<std::string> AskText(const std::string& caption, const std::string& prompt,
                                     const std::string& initial) override;

  void QueueAnswer(bool answer) { answers_.push_back(answer); }
  void QueueText(std::optional<std::string> text) { texts_.push_back(std::move(text)); }
  // Answers for AskOpenFile and AskSaveFile, in order; cancelled when none is queued. The entry
  // recorded for a file dialog holds its title.
  void QueueFile(std::optional<std::string> file) { files_.push_back(std::move(file)); }
  std::optional<std::string> AskOpenFile(const FileChoice& choice) override;
  std::optional<std::string> AskSaveFile(const FileChoice& choice) override;
  // The last file dialog asked for.
  const FileChoice& LastFileChoice() const { return lastFileChoice_; }
  void SetDefaultAnswer(bool answer) { defaultAnswer_ = answer; }
  // Progress is recorded with its text; from step `done` on, the user asks to stop.
  bool Progress(const std::string& text, int done, int total) override;
  void StopProgressAt(int done) { stopAt_ = done; }

  const std::vector<Entry>& Entries() const { return entries_; }
  // The texts of all Inform calls, in order.
  std::vector<std::string> Messages() const;
  // The texts of all Ask calls, in order.
  std::vector<std::string> Questions() const;
  void Clear() { entries_.clear(); }

 private:
  std::vector<Entry> entries_;
  std::deque<bool> answers_;
  std::deque<std::optional<std::string>> texts_;
  std::deque<std::optional<std::string>> files_;
  FileChoice lastFileChoice_;
  bool defaultAnswer_ = false;
  int stopAt_ = -1;
};

}  // namespace kalo::host
