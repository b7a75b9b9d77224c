#pragma once
// What an operation on the controllers or on a device came to: done, or why not. The numbers and
// reply texts that clients, programs and the window see are made from it where they are shown.
#include <cstdint>
#include <ostream>
#include <string_view>

namespace qv {

enum class Cause : uint8_t {
  kDone,             // the operation was done
  kNotSent,          // nothing to do: the controller type lacks the operation or is not known
  kNoAnswer,         // no complete reply within the port time-out, or the line is gone
  kControllerError,  // the unit answered with an error, refused the command or echoed another
  kBadReply,         // a reply without the frame or status the protocol puts around every answer
  kReentered,        // an exchange of the same driver was still under way (a window event's)
  kNoValue,          // a reply in order that does not carry the number asked for
  kOutOfRange,       // an argument the unit or device cannot take; nothing was sent
  kHeld,             // motions are held (the operator's Stop, a program told to end)
  kStillMoving,      // the unit still moves or does not say so: no new target
  kTimedOut,         // the motion did not end within the motion time-out
  kHomeNotFound,     // a home search ended without its home input active
  kNoParameters,     // the device's file, a required key or its mechanics are missing or unusable
  kUnsupported,      // what was needed was not sent: the controller type lacks it or is unknown
};

class Result {
 public:
  constexpr Result(Cause cause = Cause::kDone) : cause_(cause) {}  // NOLINT: a cause is a result

  constexpr bool ok() const { return cause_ == Cause::kDone; }
  // A failure: neither done nor left undone because there was nothing to do.
  constexpr bool failed() const { return !ok() && cause_ != Cause::kNotSent; }
  constexpr Cause cause() const { return cause_; }

  friend constexpr bool operator==(Result a, Result b) = default;

 private:
  Cause cause_;
};

// `first` when it failed, else `second`: the first failure of two steps that both ran.
constexpr Result FirstFailure(Result first, Result second) {
  return first.failed() ? first : second;
}

// Done unless `result` failed: a step that the controller type may lack.
constexpr Result OrDone(Result result) {
  return result.failed() ? result : Result();
}

// `result`, where "not sent" counts as a failure: an operation that had to be done.
constexpr Result Needed(Result result) {
  return result.cause() == Cause::kNotSent ? Result(Cause::kUnsupported) : result;
}

std::string_view CauseName(Cause cause);
inline std::ostream& operator<<(std::ostream& out, Result result) {
  return out << CauseName(result.cause());
}

}  // namespace qv
