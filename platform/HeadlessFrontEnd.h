#pragma once
// The front end of a program started for automation while no window exists: nothing is shown,
// window events (automation calls among them) run while a motion is waited for, and message
// boxes go to standard error.
#include "commands/FrontEnd.h"
#include "foundation/Notifier.h"

namespace qv {

class HeadlessFrontEnd final : public FrontEnd, public Notifier {
 public:
  void DoEvents() override;
  MsgResult MessageBox(const std::string& text, MsgIcon icon, const std::string& title,
                       MsgButtons buttons) override;
};

}  // namespace qv
