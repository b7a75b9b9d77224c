#include "controllers/Comm.h"

#include <algorithm>

#include "foundation/NumberText.h"

namespace qv {

std::string DeviceForPortNumber(int port) {
#ifdef _WIN32
  return "COM" + std::to_string(port);
#else
  return "/dev/ttyS" + std::to_string(port - 1);
#endif
}

void Comm::CommInit() {
  commTimeoutMs_ = kDefaultCommTimeoutMs;
  display_ = {};
  log_.fill({});  // the next slot is kept: the ring goes on where it stood
  commReady_ = 1;
}

void Comm::CommExit() {
  if (port_.IsOpen() || lineLost_) port_.Close();
  device_.clear();
  lineLost_ = false;
  commReady_ = 0;
}

// Fault messages: the operation word, the number with its sign blank, and the port's text.
void Comm::ShowFault(const char* word) {
  CommLogShow(std::string(word) + Str(port_.ErrorNumber()) + " " + port_.ErrorText());
}

bool Comm::CommOpenPort(int16_t port) {
  const std::string device = portName_.empty() ? DeviceForPortNumber(port) : portName_;
  if (!port_.Open(device)) {
    ShowFault("CommOpenPort ");
    return false;
  }
  device_ = device;
  lineLost_ = false;
  lateReply_ = {};
  return port_.IsOpen();
}

bool Comm::CommClosePort() {
  const bool lost = LineLost();
  device_.clear();
  lineLost_ = false;
  // A lost line is closed already; the port only lets go of what is left of it.
  if (!port_.Close() && !lost) {
    ShowFault("CommClosePort ");
    return false;
  }
  return true;
}

// Whether the line opened by CommOpenPort has gone away: the port is no longer open although
// nobody closed it. Logged once, when it is first noticed.
bool Comm::LineLost() {
  if (!lineLost_ && !device_.empty() && !port_.IsOpen()) {
    lineLost_ = true;
    CommLogShow("Port lost: " + device_);
  }
  return lineLost_;
}

// Whether the line can carry an exchange: not lost, or its device is there again and reopened
// with the same settings (the terminators and the time-out are the channel's own and stay).
bool Comm::LineBack() {
  if (!LineLost()) return true;
  if (!port_.Open(device_)) return false;  // still gone: quietly, the loss is logged
  lineLost_ = false;
  lateReply_ = {};
  CommLogShow("Port reopened: " + device_);
  return true;
}

// Bytes that wait before a command is sent belong to an exchange that gave up (a reply later
// than the time-out). Taken as the start of the next reply, they would answer for another unit.
// A unit may also still be answering: for one more time-out after an exchange gave up nothing
// is sent, so that its reply can neither be taken for the next one nor collide with it.
void Comm::DiscardLateReply() {
  std::string late;
  if (lateReply_.awaited) {
    lateReply_.awaited = false;
    const int32_t now = clock_.TimeMs();
    const int32_t left = ElapsedMs(now, lateReply_.untilMs);
    if (left > 0) Gather(late, now, left, lateReply_.twoCharacterEnd, "CommOut ");
  }
  std::string waiting;
  if (port_.BytesAvailable() > 0 && port_.ReadAll(waiting)) late += waiting;
  if (!late.empty()) CommLogLateReply(late);
}

bool Comm::CommAwaitAnswer(const std::string& question, int timeouts, bool doubleTerminated,
                           const std::function<bool(const std::string&)>& isAnswer,
                           std::string& last) {
  const int16_t timeoutMs = commTimeoutMs_;
  const int32_t windowMs = std::min<int32_t>(timeouts * int32_t{timeoutMs}, 32767);
  const int32_t start = clock_.TimeMs();
  CommOut(question);
  for (int32_t left = windowMs; left > 0; left = windowMs - ElapsedMs(start, clock_.TimeMs())) {
    CommSetTimeout(static_cast<int16_t>(left));
    const bool received = (doubleTerminated ? CommIn2(last) : CommIn(last)) == 1;
    CommSetTimeout(timeoutMs);
    if (!received) return false;
    if (isAnswer(last)) return true;
    CommLogLateReply(last);
  }
  return false;
}

void Comm::CommLogLateReply(const std::string& bytes) {
  std::string shown;
  for (const char c : bytes) {
    const auto code = static_cast<unsigned char>(c);
    shown += code < 32 || code == 127 ? "<" + std::to_string(code) + ">" : std::string(1, c);
  }
  CommLogShow("Late reply discarded: " + shown);
}

bool Comm::CommOut(const std::string& text) {
  events_.clear();  // a new exchange: its port events are counted afresh
  if (!LineBack()) return false;
  DiscardLateReply();
  if (!port_.Write(text + static_cast<char>(txTerm_))) {
    if (!LineLost()) ShowFault("CommOut ");
    return false;
  }
  return true;
}

bool Comm::CommIn(std::string& reply) {
  return Collect(reply, false, "CommIn ");
}
bool Comm::CommIn2(std::string& reply) {
  return Collect(reply, true, "CommIn2 ");
}

// The whole reply must arrive within the time-out counted from the start; between pieces the
// thread blocks in the port's wait, and no window event is served.
bool Comm::Collect(std::string& reply, bool twoCharacterEnd, const char* faultWord) {
  reply.clear();
  if (!port_.IsOpen()) {
    // No reply can come through a port that is not open: fail at once instead of waiting out
    // the time-out for every exchange of start-up, or of a line that went away.
    if (!LineLost()) ShowFault(faultWord);
    return false;
  }
  std::string collected;
  const Gathered end =
      Gather(collected, clock_.TimeMs(), commTimeoutMs_, twoCharacterEnd, faultWord);
  if (end == Gathered::kComplete)
    collected.erase(collected.size() - ReplyEnd(collected, twoCharacterEnd));
  if (end == Gathered::kTimedOut) {
    CommLogShow("Port TimeOut");
    if (awaitLateReplies_) {
      // One more time-out from now, on the wrapping millisecond clock.
      const uint32_t until =
          static_cast<uint32_t>(clock_.TimeMs()) + static_cast<uint32_t>(commTimeoutMs_);
      lateReply_ = {true, static_cast<int32_t>(until), twoCharacterEnd};
    }
  }
  reply = collected;
  return end == Gathered::kComplete;
}

// Collects into `collected` until it ends as a reply does, more than `limitMs` after `start`, or
// until the line is lost.
Comm::Gathered Comm::Gather(std::string& collected, int32_t start, int32_t limitMs,
                            bool twoCharacterEnd, const char* faultWord) {
  for (;;) {
    const int32_t elapsed = ElapsedMs(start, clock_.TimeMs());
    if (elapsed > limitMs) return Gathered::kTimedOut;
    if (port_.BytesAvailable() < 1) {
      // A port that cannot wait (closed, broken) returns at once; pausing a millisecond then
      // keeps the loop from spinning until the time-out.
      if (!port_.WaitForData(limitMs - elapsed + 1)) {
        if (!port_.IsOpen() && LineLost()) return Gathered::kLost;  // nothing more can come
        clock_.DelayMs(1);
      }
      continue;
    }
    std::string piece;
    if (!port_.ReadAll(piece)) {
      if (!port_.IsOpen() && LineLost()) return Gathered::kLost;
      ShowFault(faultWord);  // logged; a later complete reply still counts
      clock_.DelayMs(1);
      continue;
    }
    collected += piece;
    if (ReplyEnd(collected, twoCharacterEnd) > 0) return Gathered::kComplete;
  }
}

// How many characters of the text's end are a reply's terminators; 0 when it does not end as a
// reply does. Only the last characters count, so an early terminator inside a piece does not.
size_t Comm::ReplyEnd(const std::string& text, bool twoCharacterEnd) const {
  const size_t n = text.size();
  if (n == 0) return 0;
  const auto code = [&text](size_t i) {
    return static_cast<int16_t>(static_cast<unsigned char>(text[i]));
  };
  if (!twoCharacterEnd) return code(n - 1) == rxTerm_ ? 1 : 0;
  // With one character collected, the next-to-last test looks at that same character.
  return code(n - 1) == rxTerm2_ && code(n >= 2 ? n - 2 : 0) == rxTerm_ ? std::min<size_t>(n, 2)
                                                                        : 0;
}

bool Comm::CommOutIn(const std::string& text, std::string& reply) {
  const bool sent = CommOut(text);
  const bool received = CommIn(reply);
  return sent && received;
}

bool Comm::CommOutIn2(const std::string& text, std::string& reply) {
  const bool sent = CommOut(text);
  const bool received = CommIn2(reply);
  return sent && received;
}

void Comm::CommLogAdd(const std::string& message) {
  log_[commLogNext_] = message;
  commLogNext_ = (commLogNext_ + 1) % kCommLogSize;
}

void Comm::CommLogShow(const std::string& message) {
  CommLogAdd(message);
  if (display_.setText) display_.setText(message);
}

void Comm::CommLogAppend(const std::string& message) {
  CommLogAdd(message);
  if (display_.setText) display_.setText((display_.text ? display_.text() : "") + ", " + message);
}

std::string Comm::CommLogText() const {
  std::string text;
  for (int i = commLogNext_; i < kCommLogSize; ++i) {
    if (!log_[i].empty()) text += log_[i] + "\r\n";
  }
  for (int i = 0; i < commLogNext_; ++i)
    text += log_[i] + "\r\n";
  return text;
}

void Comm::OnCommEvent(int code) {
  if (code <= 1000 || LineLost()) return;  // a lost line has its one message
  const std::string message = "ERROR #" + Str(code);
  for (EventTally& event : events_) {
    if (event.code != code || log_[event.slot] != event.shown) continue;
    event.shown = message + " (" + std::to_string(++event.count) + " times)";
    log_[event.slot] = event.shown;
    return;
  }
  events_.push_back({code, commLogNext_, 1, message});
  CommLogShow(message);
}

}  // namespace qv
