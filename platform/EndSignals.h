#pragma once
// SIGTERM, SIGINT and SIGHUP as a request to end the program in order. The handler only writes
// to a pipe whose read end then stays readable: a delay or a motion wait of the program's clock
// sees it and gives way, and the event loop hears of it through the same descriptor. A second
// SIGINT ends the program at once, as an impatient operator expects.
#include <csignal>

namespace qv {

class EndSignals {
 public:
  // Installs the handlers. One object per process: the handler reaches it through a static.
  EndSignals();
  ~EndSignals();  // the handlers go back to the default
  EndSignals(const EndSignals&) = delete;
  EndSignals& operator=(const EndSignals&) = delete;

  // Readable once a signal came; never drained. -1 when no pipe could be made.
  int Fd() const { return readFd_; }
  bool Requested() const;
  // The number of the first signal, 0 before one came.
  int Signal() const;

 private:
  int readFd_ = -1;
  int writeFd_ = -1;
};

}  // namespace qv
