#include "host/standard_output.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <iostream>
#include <system_error>

namespace kalo::host {

class CheckedStandardOutput::Buffer final : public std::streambuf {
 public:
  Buffer() { setp(data_.data(), data_.data() + data_.size()); }

  int Error() const { return error_; }
  // Writes out what is buffered; false once any write has failed.
  bool Drain() {
    const char* next = pbase();
    while (error_ == 0 && next < pptr()) {
      const ssize_t written = ::write(STDOUT_FILENO, next, static_cast<size_t>(pptr() - next));
      if (written < 0 && errno == EINTR) continue;
      if (written < 0) error_ = errno;
      if (written == 0) error_ = EIO;
      if (written > 0) next += written;
    }
    setp(data_.data(), data_.data() + data_.size());
    return error_ == 0;
  }

 protected:
  int_type overflow(int_type c) override {
    if (!Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
  }
  int sync() override { return Drain() ? 0 : -1; }

 private:
  std::array<char, 1 << 16> data_{};
  int error_ = 0;
};

CheckedStandardOutput::CheckedStandardOutput() : buffer_(std::make_unique<Buffer>()) {
  std::cout.flush();
  previous_ = std::cout.rdbuf(buffer_.get());
}

CheckedStandardOutput::~CheckedStandardOutput() {
  buffer_->Drain();
  std::cout.rdbuf(previous_);
}

std::string CheckedStandardOutput::Finish() {
  std::cout.flush();
  buffer_->Drain();
  if (buffer_->Error() == 0) return {};
  return std::error_code(buffer_->Error(), std::generic_category()).message();
}

}  // namespace kalo::host
