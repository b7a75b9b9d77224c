#include "commands/CommandTable.h"

namespace qv {

std::vector<CommandEntry> BuildCommandTable(GeneralCommands& general, DeviceCommands& devices) {
  std::vector<CommandEntry> table;
  for (const DeviceWord& device : devices.Words()) {
    table.push_back({device.word, [&devices, &device](std::string arguments) {
                       return devices.Execute(device, std::move(arguments));
                     }});
  }
  using Member = std::string (GeneralCommands::*)(std::string);
  const std::pair<const char*, Member> generalWords[] = {
      {"Delay", &GeneralCommands::CmdDelay},
      {"Wait", &GeneralCommands::CmdWait},
      {"!", &GeneralCommands::CmdMessage},
      {"Show", &GeneralCommands::CmdShow},
      {"Hide", &GeneralCommands::CmdHide},
      {"Unload", &GeneralCommands::CmdUnload},
      {"End", &GeneralCommands::CmdEnd},
      {"Snap", &GeneralCommands::CmdSnap},
      {"CommandCount", &GeneralCommands::CmdCommandCount},
      {"Ver", &GeneralCommands::CmdVer},
  };
  for (const auto& entry : generalWords) {
    const Member member = entry.second;
    table.push_back({entry.first, [&general, member](std::string arguments) {
                       return (general.*member)(std::move(arguments));
                     }});
  }
  return table;
}

}  // namespace qv
