#pragma once
// Device failures, each carrying the driver's error text.

#include <stdexcept>
#include <string>

namespace kalo::midi {

class EMidiInputError : public std::runtime_error {
 public:
  explicit EMidiInputError(const std::string& text) : std::runtime_error(text) {}
};

class EmidioutputError : public std::runtime_error {
 public:
  explicit EmidioutputError(const std::string& text) : std::runtime_error(text) {}
};

// The text for a result code no backend knows.
inline constexpr const char* kUnknownErrorText = "Specified error number is out of range";

}  // namespace kalo::midi
