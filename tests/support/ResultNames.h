#pragma once
// The results the controller and device tests expect, by name.
#include "controllers/Result.h"

namespace qv::test {

inline constexpr Result kDone = Cause::kDone;
inline constexpr Result kNotSent = Cause::kNotSent;
inline constexpr Result kNoAnswer = Cause::kNoAnswer;
inline constexpr Result kRefused = Cause::kControllerError;
inline constexpr Result kBadReply = Cause::kBadReply;
inline constexpr Result kNoValue = Cause::kNoValue;
inline constexpr Result kOutOfRange = Cause::kOutOfRange;
inline constexpr Result kHeld = Cause::kHeld;
inline constexpr Result kTimedOut = Cause::kTimedOut;
inline constexpr Result kNoParameters = Cause::kNoParameters;
inline constexpr Result kUnsupported = Cause::kUnsupported;

}  // namespace qv::test
