#pragma once
// The console's command lines on the event loop: standard input is read as it comes, so the
// loop serves other clients (the line server) between the console's lines and during their
// motion waits. Lines are answered one at a time and in order, as the plain console does; while
// one runs, no further input is read.
#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <vector>

#include "commands/LineSession.h"

namespace qv {

class ConsoleInput : public QObject {
 public:
  // `hooks` run each line and write its answer.
  ConsoleInput(int fd, LineSession::Hooks hooks);

  // Runs once the input has ended and its last line has been answered.
  void OnEnd(std::function<void()> end) { end_ = std::move(end); }

 private:
  void Read();

  int fd_;
  LineSession session_;
  QSocketNotifier readable_;
  std::vector<char> buffer_;  // bytes just read
  std::function<void()> end_;
};

}  // namespace qv
