#include "commands/LineSession.h"

#include "commands/ReplyEscape.h"

namespace qv {

void LineSession::Feed(std::string_view bytes) {
  if (closed_) return;
  for (LineSplitter::Line& line : splitter_.Feed(bytes))
    Queue(std::move(line));
  Serve();
}

void LineSession::Finish() {
  if (closed_) return;
  if (std::optional<LineSplitter::Line> last = splitter_.Finish()) Queue(std::move(*last));
  Serve();
}

void LineSession::Close() {
  closed_ = true;
  queue_.clear();
  queuedBytes_ = 0;
}

std::string LineSession::TooLongAnswer(size_t maxLine) {
  return "Error Line longer than " + std::to_string(maxLine) + " bytes ; \n";
}

void LineSession::Queue(LineSplitter::Line line) {
  queuedBytes_ += line.text.size();
  queue_.push_back(std::move(line));
}

void LineSession::Serve() {
  if (running_) return;  // the running line serves the queue when it returns
  running_ = true;
  while (!queue_.empty() && !closed_ && !(hooks_.ending && hooks_.ending())) {
    const LineSplitter::Line line = std::move(queue_.front());
    queue_.pop_front();
    queuedBytes_ -= line.text.size();
    const std::string answer =
        line.tooLong ? TooLongAnswer(maxLine_) : EscapeForLine(hooks_.run(line.text)) + '\n';
    if (!closed_) hooks_.write(answer);
  }
  running_ = false;
}

}  // namespace qv
