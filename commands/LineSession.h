#pragma once
// One client of a line server (a socket connection, or the console's standard input): each line
// it sends is one command line, answered by one line, in the order the lines came and one at a
// time. A running line may let events run (a motion wait); the client's bytes that arrive
// meanwhile are kept, and its next lines run when the running one has been answered, so they
// never overtake it.
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "commands/LineSplitter.h"

namespace qv {

// Bytes a command line from a socket client may have, without its ending.
inline constexpr size_t kMaxClientLine = size_t{64} * 1024;

class LineSession {
 public:
  struct Hooks {
    std::function<std::string(const std::string& line)> run;  // the joined replies of a line
    std::function<void(const std::string& answer)> write;     // one answer line, LF included
    std::function<bool()> ending;  // true once the program is ending: no further line starts
  };

  LineSession(size_t maxLine, Hooks hooks)
      : splitter_(maxLine), maxLine_(maxLine), hooks_(std::move(hooks)) {}

  // Takes the client's bytes and runs the lines they complete. Returns at once, with the lines
  // queued, while a line of this client runs further up the stack; that one runs them after it.
  void Feed(std::string_view bytes);
  // The client's input has ended: an unfinished last line runs too.
  void Finish();
  // The client has gone: no further line runs, and the running one's answer is not written.
  void Close();

  bool Running() const { return running_; }
  // Bytes of the lines waiting for their turn.
  size_t QueuedBytes() const { return queuedBytes_; }

  // The answer line to a line that passed the limit of `maxLine` bytes.
  static std::string TooLongAnswer(size_t maxLine);

 private:
  void Queue(LineSplitter::Line line);
  void Serve();

  LineSplitter splitter_;
  size_t maxLine_;  // bytes of a line, without its ending
  Hooks hooks_;
  std::deque<LineSplitter::Line> queue_;
  size_t queuedBytes_ = 0;  // bytes of the texts in queue_
  bool running_ = false;    // a line of this session runs (it may be waiting for a motion)
  bool closed_ = false;
};

}  // namespace qv
