#include "commands/IndexerCommands.h"

#include <optional>

#include "commands/CommandText.h"
#include "commands/Replies.h"
#include "commands/ResultText.h"
#include "foundation/NumberText.h"

namespace qv {
namespace {

// A value word: a number or a symbol standing for one; empty when it is neither.
std::optional<double> ResolveNumber(std::string word, const ParList& symbols) {
  if (!ResolveSymbol(word, symbols)) return std::nullopt;
  return ParseNumber(word);
}

// A value word as a 16-bit integer, halves to the even neighbour; empty when it does not fit.
std::optional<int16_t> ResolveInt16(std::string word, const ParList& symbols) {
  const std::optional<double> value = ResolveNumber(std::move(word), symbols);
  if (!value) return std::nullopt;
  return RoundToInt16(*value);
}

std::string WheelLamp(Wheels& wheels, int wheel, std::string& rest) {
  std::string word;
  if (SplitWord(rest, word) == 0) return std::string(kMissingArgument);
  if (word == "On" || word == "1") return OkOrError(wheels.Lamp(wheel, 1));
  if (word == "Off" || word == "0") return OkOrError(wheels.Lamp(wheel, 0));
  return std::string(kBadValue);
}

std::string WheelFocShift(Wheels& wheels, int wheel, std::string& rest) {
  std::string word;
  if (SplitWord(rest, word) == 0) return std::string(kMissingArgument);
  if (word == "On") {
    wheels.ZCompOn(wheel);
    return std::string(kOk);
  }
  if (word == "Off") {
    wheels.ZCompOff(wheel);
    return std::string(kOk);
  }
  std::string fileName;  // the word before it only says that a file follows
  if (SplitWord(rest, fileName) == 0) return std::string(kMissingArgument);
  return OkOrError(wheels.ReadZCompTable(wheel, fileName));
}

}  // namespace

std::string WheelSubCommand(Wheels& wheels, int wheel, const ParList& symbols,
                            const std::string& subCommand, std::string& rest) {
  int16_t filter = 0;
  if (subCommand == "Home") {
    if (!wheels.Home(wheel).ok()) return std::string(kError);
    return OkOrError(wheels.ReadFilter(wheel, filter));
  }
  if (subCommand == "??") {
    if (!wheels.ReadFilter(wheel, filter).ok()) return std::string(kError);
    return (wheel == 1 ? "F " : "B ") + std::to_string(filter);
  }
  if (subCommand == "?") {
    if (!wheels.ReadFilter(wheel, filter).ok()) return std::string(kError);
    return std::to_string(filter);
  }
  if (subCommand == "Wait") return OkOrError(wheels.WaitComp(wheel));
  if (subCommand == "Next") {
    wheels.Next(wheel);  // a wheel that cannot move is no error of the command
    return std::string(kOk);
  }
  if (subCommand == "Prev") {
    wheels.Prev(wheel);
    return std::string(kOk);
  }
  if (subCommand == "Lamp") return WheelLamp(wheels, wheel, rest);
  if (subCommand == "FocShift") return WheelFocShift(wheels, wheel, rest);
  const std::optional<int16_t> target = ResolveInt16(subCommand, symbols);
  if (!target) return std::string(kError);
  return OkOrError(wheels.GotoFilterComp(wheel, *target));
}

std::string CubeSubCommand(Cube& cube, const ParList& symbols, const std::string& subCommand,
                           std::string&) {
  int16_t position = 0;
  if (subCommand == "Home") return OkOrError(cube.Home());
  if (subCommand == "??") {
    if (!cube.ReadPos(position).ok()) return std::string(kError);
    return "Cube " + std::to_string(position);
  }
  if (subCommand == "?") {
    if (!cube.ReadPos(position).ok()) return std::string(kError);
    return std::to_string(position);
  }
  if (subCommand == "Wait") return OkOrError(cube.Wait());
  const std::optional<int16_t> target = ResolveInt16(subCommand, symbols);
  if (!target) return std::string(kError);
  const Result status = cube.Goto(*target);
  if (status.ok()) cube.SetCurrentCube(*target);
  return OkOrError(status);
}

std::string PositionDriveSubCommand(PositionDrive& drive, const ParList& symbols,
                                    const std::string& subCommand, std::string& rest) {
  double position = 0;
  if (subCommand == "?" || subCommand == "??") {
    if (!drive.ReadPos(position).ok()) return std::string(kError);
    const std::string text = FormatFixed(position, 2);
    return subCommand == "?" ? text : std::string(drive.Kind().word) + " " + text;
  }
  if (subCommand == "Rel") {
    std::string word;
    if (SplitWord(rest, word) == 0) return std::string(kNoValue);
    const std::optional<double> distance = ResolveNumber(word, symbols);
    if (!distance) return std::string(kError);
    return OkOrError(drive.MoveRel(*distance));
  }
  if (subCommand == "Wait") return OkOrError(drive.Wait());
  if (subCommand == "Home") return OkOrError(drive.Home());
  const std::optional<double> target = ResolveNumber(subCommand, symbols);
  if (!target) return std::string(kError);
  return OkOrError(drive.MoveAbs(*target));
}

void RegisterIndexerCommands(DeviceCommands& commands, const IndexerDevices& devices,
                             const ParList& symbols, std::function<void()> filterCaption) {
  for (int wheel : {1, 2}) {
    commands.SetSubCommands(
        wheel == 1 ? "F" : "B", [&wheels = devices.wheels, wheel, &symbols, filterCaption](
                                    const std::string& subCommand, std::string& rest) {
          std::string reply = WheelSubCommand(wheels, wheel, symbols, subCommand, rest);
          if (filterCaption) filterCaption();
          return reply;
        });
  }
  commands.SetSubCommands(
      "Cube", [&cube = devices.cube, &symbols](const std::string& subCommand, std::string& rest) {
        return CubeSubCommand(cube, symbols, subCommand, rest);
      });
  commands.SetSubCommands("Slide", [&slide = devices.slide, &symbols](const std::string& subCommand,
                                                                      std::string& rest) {
    return PositionDriveSubCommand(slide, symbols, subCommand, rest);
  });
  commands.SetSubCommands("Turn", [&turret = devices.turret, &symbols](
                                      const std::string& subCommand, std::string& rest) {
    return PositionDriveSubCommand(turret, symbols, subCommand, rest);
  });
}

}  // namespace qv
