#pragma once
// A program started by the bus for a client that cannot start (no program folder, another copy
// holding the instrument) still takes the service's name for a moment and answers every call
// with an error that says why and what to do. Without it the client would only learn that the
// activated program "exited with status 2", and every further call would start it again.
#include <string>

namespace qv {

inline constexpr const char* kCannotStartError = "org.quorvalin.Quorvalin.Error.CannotStart";

// Answers every method call for the automation service with the error kCannotStartError and
// `text`, until no call has come for `idleMs`. False when there is no session bus or the name is
// another's.
bool RefuseBusClients(const std::string& text, int idleMs = 2000);

}  // namespace qv
