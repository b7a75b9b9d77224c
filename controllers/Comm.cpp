#include "controllers/Comm.h"

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
  if (port_.IsOpen()) port_.Close();
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
  return port_.IsOpen();
}

bool Comm::CommClosePort() {
  if (!port_.Close()) {
    ShowFault("CommClosePort ");
    return false;
  }
  return true;
}

int16_t Comm::CommOut(const std::string& text) {
  if (!port_.Write(text + static_cast<char>(txTerm_))) {
    ShowFault("CommOut ");
    return -1;
  }
  return 1;
}

int16_t Comm::CommIn(std::string& reply) {
  return Collect(reply, false, "CommIn ");
}
int16_t Comm::CommIn2(std::string& reply) {
  return Collect(reply, true, "CommIn2 ");
}

// The whole reply must arrive within the time-out counted from the start; between pieces the
// thread blocks in the port's wait, and no window event is served.
int16_t Comm::Collect(std::string& reply, bool twoCharacterEnd, const char* faultWord) {
  reply.clear();
  if (!port_.IsOpen()) {
    // No reply can come through a port that is not open: fail at once instead of waiting out
    // the time-out for every exchange of start-up.
    ShowFault(faultWord);
    return -1;
  }
  std::string collected;
  int16_t result = -1;
  const int32_t start = clock_.TimeMs();
  for (;;) {
    const int32_t elapsed = ElapsedMs(start, clock_.TimeMs());
    if (elapsed > commTimeoutMs_) {
      CommLogShow("Port TimeOut");
      result = -1;
      break;
    }
    if (port_.BytesAvailable() < 1) {
      // A port that cannot wait (closed, broken) returns at once; pausing a millisecond then
      // keeps the loop from spinning until the time-out.
      if (!port_.WaitForData(commTimeoutMs_ - elapsed + 1)) clock_.DelayMs(1);
      continue;
    }
    std::string piece;
    if (!port_.ReadAll(piece)) {
      ShowFault(faultWord);  // logged; a later complete reply still counts
      clock_.DelayMs(1);
      continue;
    }
    collected += piece;
    const size_t n = collected.size();
    if (n == 0) continue;
    const auto code = [](char c) { return static_cast<int16_t>(static_cast<unsigned char>(c)); };
    if (!twoCharacterEnd && code(collected[n - 1]) == rxTerm_) {
      collected.pop_back();
      result = 1;
      break;
    }
    // With one character collected, the next-to-last test looks at that same character.
    if (twoCharacterEnd && code(collected[n - 1]) == rxTerm2_ &&
        code(collected[n >= 2 ? n - 2 : 0]) == rxTerm_) {
      collected.erase(n >= 2 ? n - 2 : 0);
      result = 1;
      break;
    }
  }
  reply = collected;
  return result;
}

int16_t Comm::CommOutIn(const std::string& text, std::string& reply) {
  const int16_t sent = CommOut(text);
  const int16_t received = CommIn(reply);
  return sent > 0 && received > 0 ? 1 : -1;
}

int16_t Comm::CommOutIn2(const std::string& text, std::string& reply) {
  const int16_t sent = CommOut(text);
  const int16_t received = CommIn2(reply);
  return sent > 0 && received > 0 ? 1 : -1;
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
  if (code > 1000) CommLogShow("ERROR #" + Str(code));
}

}  // namespace qv
