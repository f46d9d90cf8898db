#pragma once
// The text of the exception a call raises, so that a test of an error states it in one line.

#include <string>

namespace kalo::midi::testing {

// The what() of the E that fn throws, or "no error" when it returns.
template <typename E, typename Fn>
std::string ThrownText(Fn&& fn) {
  try {
    fn();
  } catch (const E& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace kalo::midi::testing
