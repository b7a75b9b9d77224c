#include "commands/CommandTable.h"

namespace qv {

std::vector<CommandEntry> BuildCommandTable(GeneralCommands& general, DeviceCommands& devices,
                                            ControllerCommands& controllers,
                                            const std::vector<CommandEntry>& specimenWords) {
  std::vector<CommandEntry> table;
  for (const DeviceWord& device : devices.Words()) {
    table.push_back({device.word, [&devices, &device](std::string arguments) {
                       return devices.Execute(device, std::move(arguments));
                     }});
  }
  table.insert(table.end(), specimenWords.begin(), specimenWords.end());
  using Member = std::string (GeneralCommands::*)(std::string);
  const auto of = [&general](Member member) -> CommandHandler {
    return [&general, member](std::string arguments) {
      return (general.*member)(std::move(arguments));
    };
  };
  const CommandHandler con = [&controllers](std::string arguments) {
    return controllers.CmdCON(std::move(arguments));
  };
  // clang-format off
  table.insert(table.end(), {
      {"Delay",        of(&GeneralCommands::CmdDelay)},
      {"Wait",         of(&GeneralCommands::CmdWait)},
      {"CON",          con},
      {"!",            of(&GeneralCommands::CmdMessage)},
      {"Show",         of(&GeneralCommands::CmdShow)},
      {"Hide",         of(&GeneralCommands::CmdHide)},
      {"Unload",       of(&GeneralCommands::CmdUnload)},
      {"End",          of(&GeneralCommands::CmdEnd)},
      {"Snap",         of(&GeneralCommands::CmdSnap)},
      {"CommandCount", of(&GeneralCommands::CmdCommandCount)},
      {"Ver",          of(&GeneralCommands::CmdVer)},
  });
  // clang-format on
  return table;
}

}  // namespace qv
