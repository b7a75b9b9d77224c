#pragma once
// Everything the program does with one device, in one place: its row of the device table (word,
// files, flags), how it is initialised from its parameter file, the controller units it drives,
// how the operator's Stop reaches it and the handler of its command word's sub-commands. Start-up,
// the device menus, the Stop and the command words all go through the descriptors; a new device is
// a row in foundation/DeviceTable.h, its object in System, and its descriptor in
// DeviceDescriptors.cpp.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "commands/DeviceCommands.h"
#include "controllers/Result.h"
#include "foundation/DeviceTable.h"

namespace qv {

class System;

struct DeviceDescriptor {
  DeviceId id;
  // From the parameter file: done, or why not. The ready flag is the caller's.
  std::function<Result()> init;
  // The controller addresses of its units, read from its parameters as they are now.
  std::function<std::vector<int16_t>()> units;
  // Every unit stopped, each even when another failed: done, or why one did not take it.
  std::function<Result()> stop;
  SubCommandHandler subCommands;

  const DeviceRow& Row() const { return Device(id); }
};

using DeviceDescriptors = std::array<DeviceDescriptor, kDeviceCount>;

// The descriptors of `system`'s devices, in the order of the device table.
DeviceDescriptors MakeDeviceDescriptors(System& system);

}  // namespace qv
