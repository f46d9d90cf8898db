#pragma once
// What the user must know or decide: message boxes with the program's fixed texts.

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace kalo::host {

// The title that captions every question box and the main window.
inline constexpr const char* kApplicationTitle = "KALO";

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
    enum class Kind { Ask, Inform, AskText } Kind;
    std::string Text;
  };

  bool Ask(const std::string& question) override;
  void Inform(const std::string& text) override;
  std::optional<std::string> AskText(const std::string& caption, const std::string& prompt,
                                     const std::string& initial) override;

  void QueueAnswer(bool answer) { answers_.push_back(answer); }
  void QueueText(std::optional<std::string> text) { texts_.push_back(std::move(text)); }
  void SetDefaultAnswer(bool answer) { defaultAnswer_ = answer; }

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
  bool defaultAnswer_ = false;
};

}  // namespace kalo::host
