#pragma once
// Why a typed command failed, for the message line. The replies keep their fixed texts, which
// clients and programs rely on; the operator also reads the reason when the reply does not name
// it: a device that is off, a value that is no number, a filter or cube the device does not
// have, or a device that refused or did not answer.
#include <string>
#include <string_view>

#include "devices/Indexers.h"
#include "devices/Wheels.h"
#include "foundation/SharedState.h"

namespace qv {

// What the reasons are taken from: the devices' state and the filters and cubes they have.
struct FailureFacts {
  const SharedState& state;
  const Wheels& wheels;
  const Cube& cube;
};

// Empty when the reply is no failure or names its reason already ("Error Not a Number").
std::string FailureReason(const FailureFacts& core, std::string_view command,
                          std::string_view reply);

// The message line text of a typed line: the joined reply, followed by the reason of the first
// failure that has one ("Error  ; — F 9: wheel F has filters 1 to 6").
std::string ReplyWithReason(const FailureFacts& core, std::string_view line,
                            const std::string& reply);

}  // namespace qv
