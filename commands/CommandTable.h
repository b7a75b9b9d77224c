#pragma once
#include <vector>

#include "commands/CommandDispatcher.h"
#include "commands/ControllerCommands.h"
#include "commands/DeviceCommands.h"
#include "commands/GeneralCommands.h"

namespace qv {

// The command words in the order the dispatcher compares them.
std::vector<CommandEntry> BuildCommandTable(GeneralCommands& general, DeviceCommands& devices,
                                            ControllerCommands& controllers);

}  // namespace qv
