#include "commands/IndexerCommands.h"

#include <optional>

#include "commands/CommandText.h"
#include "commands/Replies.h"
#include "commands/ResultText.h"
#include "commands/SubCommandTable.h"
#include "foundation/NumberText.h"

namespace qv {

// --- Filter wheels ---

std::string WheelCommands::operator()(const std::string& subCommand, std::string& rest) {
  static constexpr SubCommandRow<WheelCommands> kSubCommands[] = {
      {"Home", [](WheelCommands& c, std::string&) { return c.Home(); }},
      {"??", [](WheelCommands& c, std::string&) { return c.Filter(c.wheel_ == 1 ? "F " : "B "); }},
      {"?", [](WheelCommands& c, std::string&) { return c.Filter(""); }},
      {"Wait",
       [](WheelCommands& c, std::string&) { return OkOrError(c.wheels_.WaitComp(c.wheel_)); }},
      // A wheel that cannot move on is no error of the command.
      {"Next",
       [](WheelCommands& c, std::string&) {
         c.wheels_.Next(c.wheel_);
         return std::string(kOk);
       }},
      {"Prev",
       [](WheelCommands& c, std::string&) {
         c.wheels_.Prev(c.wheel_);
         return std::string(kOk);
       }},
      {"Lamp", [](WheelCommands& c, std::string& more) { return c.Lamp(more); }},
      {"FocShift", [](WheelCommands& c, std::string& more) { return c.FocShift(more); }},
  };
  if (const auto handler = FindSubCommand(kSubCommands, subCommand)) return handler(*this, rest);
  const std::optional<int16_t> target = ResolveInt16(subCommand, symbols_);
  if (!target) return std::string(kError);
  return OkOrError(wheels_.GotoFilterComp(wheel_, *target));
}

std::string WheelCommands::Home() {
  int16_t filter = 0;
  if (!wheels_.Home(wheel_).ok()) return std::string(kError);
  return OkOrError(wheels_.ReadFilter(wheel_, filter));
}

std::string WheelCommands::Filter(const std::string& prefix) {
  int16_t filter = 0;
  if (!wheels_.ReadFilter(wheel_, filter).ok()) return std::string(kError);
  return prefix + std::to_string(filter);
}

std::string WheelCommands::Lamp(std::string& rest) {
  std::string word;
  if (SplitWord(rest, word) == 0) return std::string(kMissingArgument);
  if (word == "On" || word == "1") return OkOrError(wheels_.Lamp(wheel_, 1));
  if (word == "Off" || word == "0") return OkOrError(wheels_.Lamp(wheel_, 0));
  return std::string(kBadValue);
}

std::string WheelCommands::FocShift(std::string& rest) {
  std::string word;
  if (SplitWord(rest, word) == 0) return std::string(kMissingArgument);
  if (word == "On") {
    wheels_.ZCompOn(wheel_);
    return std::string(kOk);
  }
  if (word == "Off") {
    wheels_.ZCompOff(wheel_);
    return std::string(kOk);
  }
  std::string fileName;  // the word before it only says that a file follows
  if (SplitWord(rest, fileName) == 0) return std::string(kMissingArgument);
  return OkOrError(wheels_.ReadZCompTable(wheel_, fileName));
}

// --- Cube changer ---

std::string CubeCommands::operator()(const std::string& subCommand, std::string& rest) {
  static constexpr SubCommandRow<CubeCommands> kSubCommands[] = {
      {"Home", [](CubeCommands& c, std::string&) { return OkOrError(c.cube_.Home()); }},
      {"??", [](CubeCommands& c, std::string&) { return c.Position("Cube "); }},
      {"?", [](CubeCommands& c, std::string&) { return c.Position(""); }},
      {"Wait", [](CubeCommands& c, std::string&) { return OkOrError(c.cube_.Wait()); }},
  };
  if (const auto handler = FindSubCommand(kSubCommands, subCommand)) return handler(*this, rest);
  const std::optional<int16_t> target = ResolveInt16(subCommand, symbols_);
  if (!target) return std::string(kError);
  const Result status = cube_.Goto(*target);
  if (status.ok()) cube_.SetCurrentCube(*target);
  return OkOrError(status);
}

std::string CubeCommands::Position(const std::string& prefix) {
  int16_t position = 0;
  if (!cube_.ReadPos(position).ok()) return std::string(kError);
  return prefix + std::to_string(position);
}

// --- Slide and turret ---

std::string PositionDriveCommands::operator()(const std::string& subCommand, std::string& rest) {
  static constexpr SubCommandRow<PositionDriveCommands> kSubCommands[] = {
      {"?", [](PositionDriveCommands& c, std::string&) { return c.Position(false); }},
      {"??", [](PositionDriveCommands& c, std::string&) { return c.Position(true); }},
      {"Rel", [](PositionDriveCommands& c, std::string& more) { return c.Rel(more); }},
      {"Wait", [](PositionDriveCommands& c, std::string&) { return OkOrError(c.drive_.Wait()); }},
      {"Home", [](PositionDriveCommands& c, std::string&) { return OkOrError(c.drive_.Home()); }},
  };
  if (const auto handler = FindSubCommand(kSubCommands, subCommand)) return handler(*this, rest);
  const std::optional<double> target = ResolveNumber(subCommand, symbols_);
  if (!target) return std::string(kError);
  return OkOrError(drive_.MoveAbs(*target));
}

std::string PositionDriveCommands::Position(bool asCommand) {
  double position = 0;
  if (!drive_.ReadPos(position).ok()) return std::string(kError);
  const std::string text = FormatFixed(position, 2);
  return asCommand ? std::string(drive_.Kind().word) + " " + text : text;
}

std::string PositionDriveCommands::Rel(std::string& rest) {
  std::string word;
  if (SplitWord(rest, word) == 0) return std::string(kNoValue);
  const std::optional<double> distance = ResolveNumber(word, symbols_);
  if (!distance) return std::string(kError);
  return OkOrError(drive_.MoveRel(*distance));
}

}  // namespace qv
