#include "commands/StageCommands.h"

#include <optional>

#include "commands/CommandText.h"
#include "commands/Replies.h"
#include "commands/ResultText.h"
#include "foundation/NumberText.h"

namespace qv {
namespace {

const std::string kXMissing = std::string(kNoValue) + "for X";
const std::string kYMissing = std::string(kNoValue) + "for Y";

// A number or a symbol standing for one; empty when the word is neither.
std::optional<double> ResolveNumber(std::string word, const ParList& symbols) {
  if (!ResolveSymbol(word, symbols)) return std::nullopt;
  return ParseNumber(word);
}

// The same, as a 16-bit integer (halves to even); empty when it does not fit.
std::optional<int16_t> ResolveInt16(const std::string& word, const ParList& symbols) {
  const std::optional<double> number = ResolveNumber(word, symbols);
  return number ? RoundToInt16(*number) : std::nullopt;
}

// Takes the two value words of "Rel", "Move" and the absolute move off `rest`; the reply for a
// missing one, or empty when both are there.
std::string TakeTwo(std::string& rest, std::string& x, std::string& y) {
  if (SplitWord(rest, x) == 0) return kXMissing;
  if (SplitWord(rest, y) == 0) return kYMissing;
  return {};
}

}  // namespace

// --- XY ---

std::string XYCommands::operator()(const std::string& sub, std::string& rest) {
  if (sub == "?") return Position("");
  if (sub == "??") return Position("XY ");
  if (sub == "Rel") return Rel(rest);
  if (sub == "Move") return Move(rest);
  if (sub == "Wait") return OkOrError(stage_.XYWait());
  if (sub == "Stop") return OkOrError(stage_.XYStop());
  if (sub == "Origin") return OkOrError(stage_.XYOrigin());
  if (sub == "Home") return OkOrError(stage_.XYHome());
  if (sub == "HomeX") return OkOrError(stage_.XYHomeX());
  return MoveAbs(sub, rest);
}

std::string XYCommands::Position(const std::string& prefix) {
  double x = 0, y = 0;  // microns
  if (!stage_.XYReadPos(x, y).ok()) return std::string(kError);
  return prefix + FormatFixed(x, 1) + " " + FormatFixed(y, 1);
}

std::string XYCommands::Rel(std::string& rest) {
  std::string xWord, yWord;
  if (std::string missing = TakeTwo(rest, xWord, yWord); !missing.empty()) return missing;
  const std::optional<double> dx = ResolveNumber(xWord, symbols_);
  const std::optional<double> dy = ResolveNumber(yWord, symbols_);
  if (!dx || !dy) return std::string(kError);
  return OkOrError(stage_.XYMoveRel(*dx, *dy));
}

std::string XYCommands::Move(std::string& rest) {
  std::string xWord, yWord;
  if (std::string missing = TakeTwo(rest, xWord, yWord); !missing.empty()) return missing;
  // The rates go to the controllers as 16-bit integers; one that does not fit is refused.
  const std::optional<int16_t> vx = ResolveInt16(xWord, symbols_);
  const std::optional<int16_t> vy = ResolveInt16(yWord, symbols_);
  if (!vx || !vy) return std::string(kError);
  return OkOrError(stage_.XYJog(*vx, *vy));
}

std::string XYCommands::MoveAbs(const std::string& xWord, std::string& rest) {
  std::string yWord;
  if (SplitWord(rest, yWord) == 0) return kYMissing;
  const std::optional<double> x = ResolveNumber(xWord, symbols_);
  const std::optional<double> y = ResolveNumber(yWord, symbols_);
  if (!x || !y) return std::string(kError);
  return OkOrError(stage_.XYMoveAbs(*x, *y));
}

// --- Z ---

std::string ZCommands::operator()(const std::string& sub, std::string& rest) {
  if (sub == "?") return Position("");
  if (sub == "??") return Position("Z ");
  if (sub == "Rel" || sub == "Move") {
    std::string word;
    if (SplitWord(rest, word) == 0) return std::string(kNoValue);
    if (sub == "Rel") {
      const std::optional<double> d = ResolveNumber(word, symbols_);
      return d ? OkOrError(focus_.ZMoveRel(*d)) : std::string(kError);
    }
    const std::optional<int16_t> v = ResolveInt16(word, symbols_);
    return v ? OkOrError(focus_.ZJog(*v)) : std::string(kError);
  }
  if (sub == "Wait") return OkOrError(focus_.ZWait());
  if (sub == "Stop") return OkOrError(focus_.ZStop());
  if (sub == "Origin") return OkOrError(focus_.ZOrigin());
  if (sub == "Home") return OkOrError(focus_.ZHome());
  const std::optional<double> z = ResolveNumber(sub, symbols_);
  return z ? OkOrError(focus_.ZMoveAbs(*z)) : std::string(kError);
}

std::string ZCommands::Position(const std::string& prefix) {
  double z = 0;  // microns
  if (!focus_.ZReadPos(z).ok()) return std::string(kError);
  return prefix + FormatFixed(z, 2);
}

void RegisterStageCommands(DeviceCommands& commands, Stage& stage, Focus& focus,
                           const ParList& symbols) {
  commands.SetSubCommands("XY", XYCommands(stage, symbols));
  commands.SetSubCommands("Z", ZCommands(focus, symbols));
}

}  // namespace qv
