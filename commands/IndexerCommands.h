#pragma once
// The sub-commands of the indexing devices' words: "F" and "B" (filter wheels 1 and 2), "Cube",
// "Slide" and "Turn". The common part of every device word (ready check, show, last device) is
// DeviceCommands'; these handlers parse the sub-command, call the device and build the reply.
// `symbols` are the symbolic constants every value may name; they are looked up on each command,
// so a reloaded list takes effect at once. The devices and the list must outlive the handlers.
#include <string>

#include "devices/Indexers.h"
#include "devices/Wheels.h"
#include "foundation/KeywordFiles.h"

namespace qv {

class WheelCommands {
 public:
  WheelCommands(Wheels& wheels, int wheel, const ParList& symbols)
      : wheels_(wheels), wheel_(wheel), symbols_(symbols) {}
  std::string operator()(const std::string& subCommand, std::string& rest);

 private:
  std::string Home();
  std::string Filter(const std::string& prefix);
  std::string Lamp(std::string& rest);
  std::string FocShift(std::string& rest);

  Wheels& wheels_;
  int wheel_;
  const ParList& symbols_;
};

class CubeCommands {
 public:
  CubeCommands(Cube& cube, const ParList& symbols) : cube_(cube), symbols_(symbols) {}
  std::string operator()(const std::string& subCommand, std::string& rest);

 private:
  std::string Position(const std::string& prefix);

  Cube& cube_;
  const ParList& symbols_;
};

// The slide and the turret.
class PositionDriveCommands {
 public:
  PositionDriveCommands(PositionDrive& drive, const ParList& symbols)
      : drive_(drive), symbols_(symbols) {}
  std::string operator()(const std::string& subCommand, std::string& rest);

 private:
  std::string Position(bool asCommand);
  std::string Rel(std::string& rest);

  PositionDrive& drive_;
  const ParList& symbols_;
};

}  // namespace qv
