#pragma once
// Opening a web page in the user's browser.

#include <string>
#include <vector>

namespace kalo::host {

class WebLinks {
 public:
  virtual ~WebLinks() = default;
  virtual void OpenWebPage(const std::string& url) = 0;
};

// Without a browser: prints the address on standard output for the user to open.
class PrintingWebLinks final : public WebLinks {
 public:
  void OpenWebPage(const std::string& url) override;
};

// For tests: remembers every address asked for.
class RecordingWebLinks final : public WebLinks {
 public:
  void OpenWebPage(const std::string& url) override { opened_.push_back(url); }
  const std::vector<std::string>& Opened() const { return opened_; }

 private:
  std::vector<std::string> opened_;
};

}  // namespace kalo::host
