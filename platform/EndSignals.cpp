#include "platform/EndSignals.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace qv {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler can reach nothing but statics: the pipe's write end and the first signal.
volatile sig_atomic_t writeEnd = -1;
volatile sig_atomic_t firstSignal = 0;

void OnSignal(int signal) {
  if (firstSignal != 0 && signal == SIGINT) {
    ::signal(SIGINT, SIG_DFL);  // the second interrupt: no more order, end now
    raise(SIGINT);
    return;
  }
  if (firstSignal == 0) firstSignal = signal;
  const char byte = static_cast<char>(signal);
  [[maybe_unused]] const ssize_t n = write(writeEnd, &byte, 1);
}

}  // namespace

EndSignals::EndSignals() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  readFd_ = fds[0];
  writeFd_ = fds[1];
  writeEnd = writeFd_;
  firstSignal = 0;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // every other system call goes on as if nothing happened
  for (const int signal : kSignals)
    sigaction(signal, &action, nullptr);
}

EndSignals::~EndSignals() {
  if (readFd_ < 0) return;
  for (const int signal : kSignals)
    ::signal(signal, SIG_DFL);
  writeEnd = -1;
  close(readFd_);
  close(writeFd_);
}

bool EndSignals::Requested() const {
  pollfd end{readFd_, POLLIN, 0};
  return readFd_ >= 0 && poll(&end, 1, 0) > 0 && (end.revents & POLLIN) != 0;
}

int EndSignals::Signal() const {
  return firstSignal;
}

}  // namespace qv
