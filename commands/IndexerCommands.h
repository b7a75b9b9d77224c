#pragma once
// The sub-commands of the indexing devices' words: "F" and "B" (filter wheels 1 and 2), "Cube",
// "Slide" and "Turn". The common part of every device word (ready check, show, last device) is
// DeviceCommands'; these handlers parse the sub-command, call the device and build the reply.

#include "commands/DeviceCommands.h"
#include "devices/Indexers.h"
#include "devices/Wheels.h"
#include "foundation/KeywordFiles.h"

namespace qv {

struct IndexerDevices {
  Wheels& wheels;
  Cube& cube;
  Slide& slide;
  Turret& turret;
};

// `symbols` are the symbolic constants every value may name; they are looked up on each
// command, so a reloaded list takes effect at once.
void RegisterIndexerCommands(DeviceCommands& commands, const IndexerDevices& devices,
                             const ParList& symbols);

// The handlers themselves, for tests and for callers outside the device table.
std::string WheelSubCommand(Wheels& wheels, int wheel, const ParList& symbols,
                            const std::string& subCommand, std::string& rest);
std::string CubeSubCommand(Cube& cube, const ParList& symbols, const std::string& subCommand,
                           std::string& rest);
std::string PositionDriveSubCommand(PositionDrive& drive, const ParList& symbols,
                                    const std::string& subCommand, std::string& rest);

}  // namespace qv
