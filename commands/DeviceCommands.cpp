#include "commands/DeviceCommands.h"

#include "commands/CommandText.h"
#include "commands/Replies.h"

namespace qv {

DeviceCommands::DeviceCommands(SharedState& state, Display& display)
    : state_(state), display_(display) {
  for (const DeviceRow& row : kDeviceTable)
    words_[DeviceIndex(row.id)] = {row.word, row.id, nullptr};
}

void DeviceCommands::SetSubCommands(std::string_view word, SubCommandHandler handler) {
  for (DeviceWord& device : words_) {
    if (device.word == word) {
      device.subCommands = std::move(handler);
      return;
    }
  }
}

std::string DeviceCommands::Execute(CommandSource& source, DeviceId id, std::string arguments) {
  const CommandBusyScope busy(state_);
  const DeviceWord& device = words_[DeviceIndex(id)];
  // A copy: the sub-command may wait for a motion, and the one in the table could be replaced
  // meanwhile.
  const SubCommandHandler subCommands = device.subCommands;
  const std::string command = std::string(device.word) + " " + arguments;
  std::string reply;
  std::string subCommand;
  if (state_.Ready[device.device] == 0) {
    reply = kOff;
  } else if (SplitWord(arguments, subCommand) == 0) {
    reply = kMissingArgument;
  } else if (!subCommands) {
    reply = kError;  // ready without a device layer behind it: refuse rather than pretend
  } else {
    reply = subCommands(subCommand, arguments);
  }
  display_.ShowCmdAndReply(command, reply);
  source.LastDevice = device.word;
  return reply;
}

}  // namespace qv
