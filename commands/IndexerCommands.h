#pragma once
// The sub-commands of the indexing devices' words: "F" and "B" (filter wheels 1 and 2), "Cube",
// "Slide" and "Turn". The common part of every device word (ready check, show, last device) is
// DeviceCommands'; these handlers parse the sub-command, call the device and build the reply.
#include "commands/DeviceCommands.h"
#include "devices/Indexers.h"
#include "devices/Wheels.h"
#include "foundation/KeywordFiles.h"

namespace qv {

// The sub-command handlers of the words. `symbols` are the symbolic constants every value may
// name; they are looked up on each command, so a reloaded list takes effect at once. The devices
// and the list must outlive the handlers.
SubCommandHandler WheelCommands(Wheels& wheels, int wheel, const ParList& symbols);
SubCommandHandler CubeCommands(Cube& cube, const ParList& symbols);
SubCommandHandler PositionDriveCommands(PositionDrive& drive, const ParList& symbols);

// The handlers themselves, for tests and for callers outside the device table.
std::string WheelSubCommand(Wheels& wheels, int wheel, const ParList& symbols,
                            const std::string& subCommand, std::string& rest);
std::string CubeSubCommand(Cube& cube, const ParList& symbols, const std::string& subCommand,
                           std::string& rest);
std::string PositionDriveSubCommand(PositionDrive& drive, const ParList& symbols,
                                    const std::string& subCommand, std::string& rest);

}  // namespace qv
