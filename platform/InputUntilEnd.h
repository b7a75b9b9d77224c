#pragma once
// A descriptor read as a stream until its end or until the program is told to end, whichever
// comes first: the console waits for its next line without missing a stop signal.
#include <array>
#include <streambuf>

namespace qv {

class InputUntilEnd final : public std::streambuf {
 public:
  // `endFd` becomes readable when the program is told to end; -1 for none.
  InputUntilEnd(int fd, int endFd) : fd_(fd), endFd_(endFd) {}

 protected:
  int_type underflow() override;

 private:
  int fd_;
  int endFd_;
  std::array<char, 4096> buffer_{};
};

}  // namespace qv
