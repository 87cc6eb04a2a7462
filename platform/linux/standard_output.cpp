// The standard output as a stream that remembers the first failed write, so
// that output lost to a full disk, a closed descriptor or a reader that went
// away is reported rather than taken for written.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <streambuf>

#include "platform/factory.h"
#include "platform/linux/standard_output.h"

namespace kv {
namespace {

class DescriptorBuffer final : public std::streambuf {
 public:
  explicit DescriptorBuffer(int fd) : fd_(fd) {
    // A descriptor that is not open fails every write, even once a file the
    // program opens later has taken its number.
    if (fcntl(fd_, F_GETFL) == -1) error_ = errno;
    setp(buffer_, buffer_ + sizeof buffer_);
  }

  // The errno of the first failure; 0 when there was none.
  int Finish() {
    Drain();
    if (!used_) return 0;
    if (error_ == 0 && close(fd_) != 0 && errno != EINTR) error_ = errno;
    return error_;
  }

 protected:
  int_type overflow(int_type ch) override {
    if (!Drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(ch);
      pbump(1);
    }
    return traits_type::not_eof(ch);
  }

  int sync() override { return Drain() ? 0 : -1; }

 private:
  bool Drain() {
    const char* data = pbase();
    size_t size = static_cast<size_t>(pptr() - pbase());
    setp(buffer_, buffer_ + sizeof buffer_);
    if (size > 0) used_ = true;
    while (size > 0 && error_ == 0) {
      const ssize_t written = write(fd_, data, size);
      if (written < 0 && errno == EINTR) continue;
      if (written < 0) error_ = errno;
      if (written == 0) error_ = ENOSPC;  // a write that makes no progress
      if (written <= 0) break;
      data += written;
      size -= static_cast<size_t>(written);
    }
    return error_ == 0;
  }

  int fd_;
  int error_ = 0;
  bool used_ = false;
  char buffer_[4096];
};

DescriptorBuffer& Buffer() {
  static DescriptorBuffer buffer(STDOUT_FILENO);
  return buffer;
}

}  // namespace

std::ostream& StandardOutput() {
  static std::ostream out(&Buffer());
  return out;
}

void OpenStandardOutput() { StandardOutput(); }

void WriteStandardOutput(std::string_view text) { StandardOutput() << text; }

void WriteStandardError(std::string_view text) { std::cerr << text << std::flush; }

std::string FinishStandardOutput() {
  StandardOutput().flush();
  const int error = Buffer().Finish();
  return error == 0 ? std::string() : std::string(std::strerror(error));
}

}  // namespace kv
