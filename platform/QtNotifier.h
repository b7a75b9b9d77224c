#pragma once
// Message boxes of the window front end.
#include "foundation/Notifier.h"

namespace qv {

class QtNotifier final : public Notifier {
 public:
  MsgResult MessageBox(const std::string& text, MsgIcon icon, const std::string& title,
                       MsgButtons buttons) override;
  void Beep() override;
  int MessagesShown() const override { return shown_; }

 private:
  int shown_ = 0;
};

// Whether a window can be shown at all (an X11 or Wayland display is there).
bool DisplayAvailable();

}  // namespace qv
