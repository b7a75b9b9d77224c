#pragma once
// A serial port for tests: records every byte written and answers each write with scripted
// bytes (whole, in pieces, or not at all). Waiting for bytes moves the fake clock instead of
// taking real time, so a channel time-out costs nothing.
#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controllers/SerialPort.h"
#include "tests/support/FakeClock.h"

namespace qv::test {

class ScriptedPort : public SerialPort {
 public:
  explicit ScriptedPort(FakeClock& clock, bool open = true) : clock_(clock), open_(open) {}

  // The answer to the next write not yet answered, delivered one piece per read.
  void Reply(std::string bytes) { script_.push_back({std::move(bytes)}); }
  void ReplyInPieces(std::vector<std::string> pieces) { script_.push_back(std::move(pieces)); }

  // Answers the writes that the script no longer covers; no answer when empty or nullopt.
  std::function<std::optional<std::string>(const std::string& written)> responder;
  // Runs inside Write before anything is recorded: lets a test start a second exchange while
  // one is under way.
  std::function<void(const std::string& written)> onWrite;
  // ms that one write costs on the line (sending, the unit's reaction); keeps polling loops
  // moving on the fake clock as they would on a real line.
  int32_t writeCostMs = 10;
  bool failWrites = false;
  bool failOpen = false;
  std::string opened;  // the device of the last Open

  std::string written;  // every byte written, in order

  bool Open(const std::string& device) override {
    opened = device;
    open_ = !failOpen;
    return open_;
  }
  bool Close() override {
    open_ = false;
    return true;
  }
  bool IsOpen() const override { return open_; }

  bool Write(std::string_view bytes) override {
    const std::string text(bytes);
    if (onWrite) onWrite(text);
    if (failWrites) return false;
    written += text;
    clock_.Advance(writeCostMs);
    if (!script_.empty()) {
      for (auto& piece : script_.front())
        pending_.push_back(std::move(piece));
      script_.pop_front();
    } else if (responder) {
      if (auto answer = responder(text)) pending_.push_back(std::move(*answer));
    }
    pending_.erase(std::remove(pending_.begin(), pending_.end(), std::string()), pending_.end());
    return true;
  }

  size_t BytesAvailable() override { return pending_.empty() ? 0 : pending_.front().size(); }

  bool ReadAll(std::string& bytes) override {
    bytes.clear();
    if (!pending_.empty()) {
      bytes = std::move(pending_.front());
      pending_.pop_front();
    }
    return true;
  }

  bool WaitForData(int timeoutMs) override {
    if (!pending_.empty()) return true;
    clock_.Advance(std::max(timeoutMs, 1));  // nothing will come: the whole wait passes
    return false;
  }

  int ErrorNumber() const override { return failOpen ? 2 : failWrites ? 5 : 0; }
  std::string ErrorText() const override {
    return failOpen ? "No such file or directory" : failWrites ? "write refused" : "";
  }

 private:
  FakeClock& clock_;
  bool open_;
  std::deque<std::vector<std::string>> script_;  // answers of the next writes
  std::deque<std::string> pending_;              // pieces waiting to be read
};

// A serial line with nothing on it: closed until opened, it takes every byte at no cost and never
// answers.
class SilentPort final : public ScriptedPort {
 public:
  explicit SilentPort(FakeClock& clock) : ScriptedPort(clock, false) { writeCostMs = 0; }
};

}  // namespace qv::test
