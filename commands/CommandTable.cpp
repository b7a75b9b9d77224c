#include "commands/CommandTable.h"

namespace qv {

std::vector<CommandEntry> BuildCommandTable(GeneralCommands& general, DeviceCommands& devices,
                                            ControllerCommands& controllers,
                                            const std::vector<CommandEntry>& specimenWords) {
  std::vector<CommandEntry> table;
  // Handlers name their device by its id: the words live in the device commands' table.
  for (const DeviceWord& device : devices.Words()) {
    table.push_back(
        {device.word, [&devices, id = device.device](CommandSource& source, std::string arguments) {
           return devices.Execute(source, id, std::move(arguments));
         }});
  }
  table.insert(table.end(), specimenWords.begin(), specimenWords.end());
  using Member = std::string (GeneralCommands::*)(std::string);
  const auto of = [&general](Member member) -> CommandHandler {
    return [&general, member](CommandSource&, std::string arguments) {
      return (general.*member)(std::move(arguments));
    };
  };
  const CommandHandler wait = [&general](CommandSource& source, std::string arguments) {
    return general.CmdWait(source, std::move(arguments));
  };
  const CommandHandler con = [&controllers](CommandSource&, std::string arguments) {
    return controllers.SendRaw(std::move(arguments));
  };
  // clang-format off
  table.insert(table.end(), {
      {"Delay",        of(&GeneralCommands::CmdDelay)},
      {"Wait",         wait},
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
