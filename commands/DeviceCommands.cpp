#include "commands/DeviceCommands.h"

#include "commands/CommandText.h"
#include "commands/Replies.h"

namespace qv {

DeviceCommands::DeviceCommands(SharedState& state, Display& display)
    : state_(state), display_(display) {
  // clang-format off
  words_ = {
      {"F",     [](const ReadyFlags& r) { return r.WReady[1]; },  nullptr},
      {"B",     [](const ReadyFlags& r) { return r.WReady[2]; },  nullptr},
      {"Z",     [](const ReadyFlags& r) { return r.ZReady; },     nullptr},
      {"XY",    [](const ReadyFlags& r) { return r.XYReady; },    nullptr},
      {"Cube",  [](const ReadyFlags& r) { return r.CubeReady; },  nullptr},
      {"LED",   [](const ReadyFlags& r) { return r.LEDsReady; },  nullptr},
      {"Slide", [](const ReadyFlags& r) { return r.SReady; },     nullptr},
      {"Turn",  [](const ReadyFlags& r) { return r.TReady; },     nullptr},
  };
  // clang-format on
}

void DeviceCommands::SetSubCommands(std::string_view word, SubCommandHandler handler) {
  for (DeviceWord& device : words_) {
    if (device.word == word) device.subCommands = std::move(handler);
  }
}

std::string DeviceCommands::Execute(const DeviceWord& device, std::string arguments) {
  state_.CommandBusy = 1;
  const std::string command = std::string(device.word) + " " + arguments;
  std::string reply;
  std::string subCommand;
  if (device.ready(state_.Ready) == 0) {
    reply = kOff;
  } else if (SplitWord(arguments, subCommand) == 0) {
    reply = kMissingArgument;
  } else if (!device.subCommands) {
    reply = kError;  // ready without a device layer behind it: refuse rather than pretend
  } else {
    reply = device.subCommands(subCommand, arguments);
  }
  display_.ShowCmdAndReply(command, reply);
  state_.LastDevice = device.word;
  state_.CommandBusy = 0;
  return reply;
}

}  // namespace qv
