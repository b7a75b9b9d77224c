#include "platform/ConsoleInput.h"

#include <unistd.h>

#include <cerrno>

namespace qv {

ConsoleInput::ConsoleInput(int fd, LineSession::Hooks hooks)
    : fd_(fd),
      session_(LineSplitter::kUnlimited, std::move(hooks)),
      readable_(fd, QSocketNotifier::Read),
      buffer_(std::size_t{64} * 1024) {
  connect(&readable_, &QSocketNotifier::activated, this, &ConsoleInput::Read);
}

void ConsoleInput::Read() {
  readable_.setEnabled(false);  // the lines read now run before anything more is read
  const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
    readable_.setEnabled(true);
    return;
  }
  if (n > 0) {
    session_.Feed(std::string_view(buffer_.data(), static_cast<size_t>(n)));
    readable_.setEnabled(true);
    return;
  }
  session_.Finish();  // the end of the input, or an input that cannot be read
  ended_ = true;
  if (end_) end_();
}

}  // namespace qv
