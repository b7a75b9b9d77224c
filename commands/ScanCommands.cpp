#include "commands/ScanCommands.h"

#include <optional>

#include "commands/CommandText.h"
#include "commands/Replies.h"
#include "commands/ResultText.h"
#include "foundation/NumberText.h"

namespace qv {
namespace {

// A number or a symbol standing for one, rounded to 16 bits. `isNumber` tells a word that is
// no number from a number that does not fit.
std::optional<int16_t> ResolveInt16(std::string word, const ParList& symbols, bool& isNumber) {
  const std::optional<double> number = ResolveNumber(std::move(word), symbols);
  isNumber = number.has_value();
  return number ? RoundToInt16(*number) : std::nullopt;
}

std::string Integer(int32_t value) {
  return std::to_string(value);
}

bool IsError(const std::string& reply) {
  return reply.starts_with("Error");
}

}  // namespace

std::string ScanCommands::RefusalReply(LayoutVerdict verdict) {
  return std::string(kError) + std::string(VerdictText(verdict)) + " ";
}

template <class Body>
std::string ScanCommands::Run(const char* word, const std::string& arguments, Body body) {
  const CommandBusyScope busy(state_);
  std::string rest = arguments;
  std::string reply = (this->*body)(rest);
  display_.ShowCmdAndReply(std::string(word) + " " + arguments, reply);
  return reply;
}

std::string ScanCommands::CmdScan(CommandSource& source, std::string arguments) {
  std::string reply = Run("Scan", arguments, &ScanCommands::ScanWords);
  source.LastDevice = "XY";
  return reply;
}
std::string ScanCommands::CmdArea(std::string arguments) {
  return Run("Area", arguments, &ScanCommands::AreaWords);
}
std::string ScanCommands::CmdGrid(std::string arguments) {
  return Run("Grid", arguments, &ScanCommands::GridWords);
}
std::string ScanCommands::CmdMag(std::string arguments) {
  return Run("Mag", arguments, &ScanCommands::MagWords);
}
std::string ScanCommands::CmdObjective(std::string arguments) {
  return Run("Objective", arguments, &ScanCommands::ObjectiveWords);
}

std::vector<CommandEntry> ScanCommands::Entries() {
  using Member = std::string (ScanCommands::*)(std::string);
  const auto of = [this](Member member) -> CommandHandler {
    return [this, member](CommandSource&, std::string arguments) {
      return (this->*member)(std::move(arguments));
    };
  };
  const CommandHandler scan = [this](CommandSource& source, std::string arguments) {
    return CmdScan(source, std::move(arguments));
  };
  return {{"Scan", scan},
          {"Area", of(&ScanCommands::CmdArea)},
          {"Grid", of(&ScanCommands::CmdGrid)},
          {"Mag", of(&ScanCommands::CmdMag)},
          {"Objective", of(&ScanCommands::CmdObjective)}};
}

std::string ScanCommands::StatusOrRefusal(int16_t status) {
  if (status == kLayoutRefused) return RefusalReply(scan_.LastVerdict());
  return std::string(status > 0 ? kOk : kError);
}

// --- Scan ---

std::string ScanCommands::ScanWords(std::string& arguments) {
  if (state_.Ready[DeviceId::XY] == 0) return std::string(kOff);
  std::string word;
  if (SplitWord(arguments, word) == 0) return std::string(kMissingArgument);
  if (word == "Tile" || word == "Grid") {
    scan_.SetScanMode(word);  // takes effect at the next recompute; its status is not told
    return std::string(kOk);
  }
  if (word == "FirstField" || word == "FF") return Str(scan_.FirstField());
  if (word == "LastField" || word == "LF") return Str(scan_.LastField());
  if (word == "NextField" || word == "NF") return Str(scan_.NextField());
  if (word == "PreviousField" || word == "PF") return Str(scan_.PreviousField());
  if (word == "GetNumFields" || word == "GNF") return Str(scan_.NumFields());
  if (word == "Field") return ScanField(arguments);
  return std::string(kError);
}

std::string ScanCommands::ScanField(std::string& arguments) {
  std::string word;
  if (SplitWord(arguments, word) == 0) return std::string(kMissingArgument);
  if (word == "?") return Str(scan_.CurrentField());
  if (word == "??") return "Scan Field" + Str(scan_.CurrentField());
  bool isNumber = false;
  const std::optional<int16_t> n = ResolveInt16(word, state_.SymConst, isNumber);
  if (!isNumber) return std::string(kNotANumber);
  if (!n) return std::string(kError);
  return Str(scan_.SetField(*n));
}

// --- Area ---

std::string ScanCommands::AreaWords(std::string& arguments) {
  std::string action, corner;
  if (SplitWord(arguments, action) == 0 || SplitWord(arguments, corner) == 0)
    return std::string(kMissingArgument);
  if (state_.Ready[DeviceId::XY] == 0) return std::string(kError);
  double x = 0, y = 0;  // microns
  if (!stage_.XYReadPos(x, y).ok()) return std::string(kError);
  if (action == "Set" || action == "Anchor") {
    const int16_t status =
        action == "Set" ? scan_.AreaSet(corner, x, y) : scan_.AreaAnchor(corner, x, y);
    if (status == kLayoutRefused) return RefusalReply(scan_.LastVerdict());
    if (status <= 0) return std::string(kError);
    return FormatFixed(x, 1) + " " + FormatFixed(y, 1) + " ";
  }
  if (action == "Move") return std::string(scan_.AreaMove(corner, x, y) > 0 ? kOk : kError);
  return std::string(kError);
}

// --- Grid ---

std::string ScanCommands::GridWords(std::string& arguments) {
  std::string item, mode;
  if (SplitWord(arguments, item) == 0 || SplitWord(arguments, mode) == 0)
    return std::string(kMissingArgument);
  if (item != "TL" && item != "BR" && item != "Step" && item != "Sites" && item != "Pos")
    return std::string(kError);
  if (mode == "?" || mode == "??") {
    int32_t a = 0, b = 0;
    if (scan_.GridGet(item, a, b) <= 0) return std::string(kError);
    const std::string values = Str(a) + " " + Str(b) + " ";
    return mode == "?" ? values : "Grid " + item + " " + values;
  }
  return GridSetOrMove(item, mode, arguments);
}

std::string ScanCommands::GridSetOrMove(const std::string& item, const std::string& mode,
                                        std::string& rest) {
  if (mode == "Current") {
    // -1, -1 stand for the stage position when an item is set. A move has no site to go to:
    // taken as a site, they would drive the stage two steps before the top-left one.
    if (item == "Pos") return std::string(kError);
    return StatusOrRefusal(scan_.GridSet(item, -1, -1));
  }
  std::string second;
  if (SplitWord(rest, second) == 0) return std::string(kMissingArgument);
  bool aNumber = false, bNumber = false;
  const std::optional<int16_t> a = ResolveInt16(mode, state_.SymConst, aNumber);
  const std::optional<int16_t> b = ResolveInt16(second, state_.SymConst, bNumber);
  if (!aNumber || !bNumber) return std::string(kNotANumber);
  if (!a || !b) return std::string(kError);
  if (item == "Pos") return OkOrError(scan_.GridMove(*a, *b));
  return StatusOrRefusal(scan_.GridSet(item, *a, *b));
}

// --- Mag and Objective ---

std::string ScanCommands::MagWords(std::string& arguments) {
  std::string word;
  if (SplitWord(arguments, word) == 0) return std::string(kMissingArgument);
  if (word == "?") return Integer(objectives_.Mag());
  if (word == "??") return "Mag " + Integer(objectives_.Mag());
  bool isNumber = false;
  const std::optional<int16_t> mag = ResolveInt16(word, state_.SymConst, isNumber);
  if (!isNumber) return std::string(kNotANumber);
  if (!mag) return std::string(kError);
  for (int16_t position = 1; position <= objectives_.ObjCount(); ++position) {
    if (objectives_.ObjPosMag(position) != *mag) continue;
    const std::string reply = ChooseObjective(position);
    return IsError(reply) ? reply : Integer(objectives_.Mag());
  }
  return std::string(kError);
}

std::string ScanCommands::ObjectiveWords(std::string& arguments) {
  std::string word;
  if (SplitWord(arguments, word) == 0) return std::string(kMissingArgument);
  if (word == "?") return Integer(objectives_.CurrentObjective());
  if (word == "??") return "Objective " + Integer(objectives_.CurrentObjective());
  bool isNumber = false;
  const std::optional<int16_t> position = ResolveInt16(word, state_.SymConst, isNumber);
  if (!isNumber) return std::string(kNotANumber);
  if (!position || *position < 1 || *position > objectives_.ObjCount()) return std::string(kError);
  const std::string reply = ChooseObjective(*position);
  return IsError(reply) ? reply : Integer(*position);
}

// No drive moves: the program is told which objective is in. An objective whose field of view
// would leave no positive step between tiles is refused before anything changes.
std::string ScanCommands::ChooseObjective(int16_t position) {
  const LayoutVerdict verdict = scan_.VerdictForMag(objectives_.ObjPosMag(position));
  if (verdict != LayoutVerdict::Ok) return RefusalReply(verdict);
  objectives_.SelectObjective(position);
  scan_.FieldSizeFromMag();
  scan_.ScanRecompute();
  if (display_.MainFormLoaded()) {
    display_.Front().MagCaption();
    display_.Front().ObjectivePosCheck();
  }
  return std::string(kOk);
}

}  // namespace qv
