#include "commands/ResultText.h"

#include "commands/Replies.h"

namespace qv {

std::string OkOrError(Result result) {
  return std::string(result.ok() ? kOk : kError);
}

int16_t StatusCode(Result result) {
  switch (result.cause()) {
    case Cause::kDone:
      return 1;
    case Cause::kNotSent:
      return 0;
    case Cause::kControllerError:
    case Cause::kTimedOut:
      return -2;
    case Cause::kBadReply:
      return -3;
    case Cause::kReentered:
      return -4;
    case Cause::kNoAnswer:
    case Cause::kNoValue:
    case Cause::kOutOfRange:
    case Cause::kHeld:
    case Cause::kStillMoving:
    case Cause::kHomeNotFound:
    case Cause::kNoParameters:
    case Cause::kUnsupported:
      break;
  }
  return -1;
}

}  // namespace qv
