#pragma once
// User notification: how the core reaches the operator with a modal message. The window
// front end shows message boxes; the console writes the text to standard error; tests record.
#include <string>

namespace qv {

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgResult { Ok, Cancel, Yes, No };

class Notifier {
 public:
  virtual ~Notifier() = default;
  // An empty title means the program's own title, "Quorvalin".
  virtual MsgResult MessageBox(const std::string& text, MsgIcon icon = MsgIcon::None,
                               const std::string& title = {},
                               MsgButtons buttons = MsgButtons::Ok) = 0;
  virtual void Beep() {}
  // How many messages were shown so far, for a caller that wants to know whether an operation
  // showed any; 0 for a notifier that does not count.
  virtual int MessagesShown() const { return 0; }
};

// Says nothing and answers every question with Ok: for the simulator and the benchmarks, which
// have no operator.
class SilentNotifier final : public Notifier {
 public:
  MsgResult MessageBox(const std::string&, MsgIcon, const std::string&, MsgButtons) override {
    return MsgResult::Ok;
  }
};

}  // namespace qv
