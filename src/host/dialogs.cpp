#include "host/dialogs.h"

#include <iostream>

namespace kalo::host {

bool HeadlessDialogs::Ask(const std::string& question) {
  std::cerr << kApplicationTitle << ": " << question << " -> " << (answer_ ? "Yes" : "No") << '\n';
  return answer_;
}

void HeadlessDialogs::Inform(const std::string& text) { std::cerr << text << '\n'; }

std::optional<std::string> HeadlessDialogs::AskText(const std::string&, const std::string&,
                                                    const std::string& initial) {
  return initial;
}

bool RecordingDialogs::Ask(const std::string& question) {
  entries_.push_back({Entry::Kind::Ask, question});
  if (answers_.empty()) return defaultAnswer_;
  bool answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void RecordingDialogs::Inform(const std::string& text) { entries_.push_back({Entry::Kind::Inform, text}); }

std::optional<std::string> RecordingDialogs::AskText(const std::string&, const std::string& prompt,
                                                     const std::string& initial) {
  entries_.push_back({Entry::Kind::AskText, prompt});
  if (texts_.empty()) return initial;
  auto text = texts_.front();
  texts_.pop_front();
  return text;
}

std::optional<std::string> RecordingDialogs::AskOpenFile(const FileChoice& choice) {
  entries_.push_back({Entry::Kind::AskOpenFile, choice.Title});
  lastFileChoice_ = choice;
  if (files_.empty()) return std::nullopt;
  auto file = files_.front();
  files_.pop_front();
  return file;
}

std::optional<std::string> RecordingDialogs::AskSaveFile(const FileChoice& choice) {
  entries_.push_back({Entry::Kind::AskSaveFile, choice.Title});
  lastFileChoice_ = choice;
  if (files_.empty()) return std::nullopt;
  auto file = files_.front();
  files_.pop_front();
  return file;
}

bool RecordingDialogs::Progress(const std::string& text, int done, int total) {
  entries_.push_back({Entry::Kind::Progress, text});
  return stopAt_ < 0 || done < stopAt_ || done >= total;
}

std::vector<std::string> RecordingDialogs::Messages() const {
  std::vector<std::string> out;
  for (const auto& e : entries_)
    if (e.Kind == Entry::Kind::Inform) out.push_back(e.Text);
  return out;
}

std::vector<std::string> RecordingDialogs::Questions() const {
  std::vector<std::string> out;
  for (const auto& e : entries_)
    if (e.Kind == Entry::Kind::Ask) out.push_back(e.Text);
  return out;
}

}  // namespace kalo::host
