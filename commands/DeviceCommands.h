#pragma once
// The device words "F", "B", "Z", "XY", "Cube", "LED", "Slide" and "Turn". Every one follows
// the same pattern: a device that is not ready answers "Off "; otherwise its sub-command is
// parsed and handed to the device layer. The command is shown with its reply and the word is
// remembered as the source's last device, whatever the result, so that "Wait" can follow it.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "commands/Display.h"
#include "foundation/CommandExecutor.h"
#include "foundation/DeviceTable.h"
#include "foundation/SharedState.h"

namespace qv {

// Runs a ready device's sub-command word with the rest of its argument text: the reply.
using SubCommandHandler =
    std::function<std::string(const std::string& subCommand, std::string& rest)>;

struct DeviceWord {
  const char* word = nullptr;
  DeviceId device = DeviceId::Z;
  SubCommandHandler subCommands;  // set by the device layer when the device exists
};

class DeviceCommands {
 public:
  DeviceCommands(SharedState& state, Display& display);

  // One word for every row of the device table, in the table's order.
  const std::array<DeviceWord, kDeviceCount>& Words() const { return words_; }
  void SetSubCommands(std::string_view word, SubCommandHandler handler);

  std::string Execute(CommandSource& source, DeviceId device, std::string arguments);

 private:
  SharedState& state_;
  Display& display_;
  std::array<DeviceWord, kDeviceCount> words_;
};

}  // namespace qv
