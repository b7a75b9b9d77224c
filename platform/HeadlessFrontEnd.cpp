#include "platform/HeadlessFrontEnd.h"

#include <QCoreApplication>
#include <iostream>

namespace qv {

void HeadlessFrontEnd::DoEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

MsgResult HeadlessFrontEnd::MessageBox(const std::string& text, MsgIcon /*icon*/,
                                       const std::string& title, MsgButtons buttons) {
  std::string oneLine;
  for (char c : text)
    oneLine += (c == '\r' || c == '\n') ? ' ' : c;
  std::cerr << (title.empty() ? "Quorvalin" : title) << ": " << oneLine << '\n';
  // Nobody is there to answer a question: take the cautious answer.
  if (buttons == MsgButtons::OkCancel) return MsgResult::Cancel;
  if (buttons == MsgButtons::YesNo) return MsgResult::No;
  return MsgResult::Ok;
}

}  // namespace qv
