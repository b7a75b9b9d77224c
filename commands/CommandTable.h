#pragma once
#include <vector>

#include "commands/CommandDispatcher.h"
#include "commands/ControllerCommands.h"
#include "commands/DeviceCommands.h"
#include "commands/GeneralCommands.h"

namespace qv {

// The command words in the order the dispatcher compares them.
// `specimenWords` ("Obj", "Mag", "Objective", "Scan", "Area", "Grid", "Joy") follow the device
// words.
std::vector<CommandEntry> BuildCommandTable(GeneralCommands& general, DeviceCommands& devices,
                                            ControllerCommands& controllers,
                                            const std::vector<CommandEntry>& specimenWords = {});

}  // namespace qv
