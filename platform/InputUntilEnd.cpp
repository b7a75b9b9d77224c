#include "platform/InputUntilEnd.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace qv {

InputUntilEnd::int_type InputUntilEnd::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  pollfd fds[2] = {{fd_, POLLIN, 0}, {endFd_, POLLIN, 0}};
  while (true) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return traits_type::eof();
    }
    if ((fds[1].revents & POLLIN) != 0) return traits_type::eof();
    if (fds[0].revents != 0) break;
  }
  ssize_t n;
  do {
    n = read(fd_, buffer_.data(), buffer_.size());
  } while (n < 0 && errno == EINTR);
  if (n <= 0) return traits_type::eof();
  setg(buffer_.data(), buffer_.data(), buffer_.data() + n);
  return traits_type::to_int_type(*gptr());
}

}  // namespace qv
