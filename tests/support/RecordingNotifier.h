#pragma once
// A notifier for tests: remembers every message instead of showing it; a message with only an OK
// button gets OK, a question the answer the test chose (OK unless it chose another).
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/Notifier.h"

namespace qv::test {

struct RecordedMessage {
  std::string Text;
  MsgIcon Icon = MsgIcon::None;
  std::string Title;
  MsgButtons Buttons = MsgButtons::Ok;
};

class RecordingNotifier : public Notifier {
 public:
  RecordingNotifier() = default;
  explicit RecordingNotifier(MsgResult chosen) : answer(chosen) {}
  MsgResult MessageBox(const std::string& text, MsgIcon icon = MsgIcon::None,
                       const std::string& title = {},
                       MsgButtons buttons = MsgButtons::Ok) override {
    Messages.push_back(RecordedMessage{text, icon, title, buttons});
    ++shown;
    if (whileShown) std::exchange(whileShown, {})();
    return buttons == MsgButtons::Ok ? MsgResult::Ok : answer;
  }
  void Beep() override { ++Beeps; }
  int MessagesShown() const override { return shown; }

  // The text of the last message, or an empty text when none was shown.
  std::string LastText() const { return Messages.empty() ? std::string() : Messages.back().Text; }
  void Clear() {
    Messages.clear();
    Beeps = 0;
  }

  std::vector<RecordedMessage> Messages;
  int Beeps = 0;
  int shown = 0;  // messages since the start, also those that Clear() forgot
  MsgResult answer = MsgResult::Ok;
  std::function<void()> whileShown;  // runs once in the next box's event loop
};

}  // namespace qv::test
