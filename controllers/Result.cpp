#include "controllers/Result.h"

namespace qv {

std::string_view CauseName(Cause cause) {
  switch (cause) {
    case Cause::kDone:
      return "done";
    case Cause::kNotSent:
      return "not sent";
    case Cause::kNoAnswer:
      return "no answer";
    case Cause::kControllerError:
      return "controller error";
    case Cause::kBadReply:
      return "bad reply";
    case Cause::kReentered:
      return "re-entered";
    case Cause::kNoValue:
      return "no value";
    case Cause::kOutOfRange:
      return "out of range";
    case Cause::kHeld:
      return "held";
    case Cause::kStillMoving:
      return "still moving";
    case Cause::kTimedOut:
      return "timed out";
    case Cause::kHomeNotFound:
      return "home not found";
    case Cause::kNoParameters:
      return "no parameters";
    case Cause::kUnsupported:
      return "unsupported";
  }
  return "?";
}

}  // namespace qv
