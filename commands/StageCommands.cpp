#include "commands/StageCommands.h"

#include <optional>

#include "commands/CommandText.h"
#include "commands/Replies.h"
#include "commands/ResultText.h"
#include "commands/SubCommandTable.h"
#include "foundation/NumberText.h"

namespace qv {
namespace {

const std::string kXMissing = std::string(kNoValue) + "for X";
const std::string kYMissing = std::string(kNoValue) + "for Y";

// Takes the two value words of "Rel", "Move" and the absolute move off `rest`; the reply for a
// missing one, or empty when both are there.
std::string TakeTwo(std::string& rest, std::string& x, std::string& y) {
  if (SplitWord(rest, x) == 0) return kXMissing;
  if (SplitWord(rest, y) == 0) return kYMissing;
  return {};
}

}  // namespace

// --- XY ---

// A word not in the table is the X target of an absolute move.
std::string XYCommands::operator()(const std::string& sub, std::string& rest) {
  static constexpr SubCommandRow<XYCommands> kSubCommands[] = {
      {"?", [](XYCommands& c, std::string&) { return c.Position(""); }},
      {"??", [](XYCommands& c, std::string&) { return c.Position("XY "); }},
      {"Rel", [](XYCommands& c, std::string& more) { return c.Rel(more); }},
      {"Move", [](XYCommands& c, std::string& more) { return c.Move(more); }},
      {"Wait", [](XYCommands& c, std::string&) { return OkOrError(c.stage_.XYWait()); }},
      {"Stop", [](XYCommands& c, std::string&) { return OkOrError(c.stage_.XYStop()); }},
      {"Origin", [](XYCommands& c, std::string&) { return OkOrError(c.stage_.XYOrigin()); }},
      {"Home", [](XYCommands& c, std::string&) { return OkOrError(c.stage_.XYHome()); }},
      {"HomeX", [](XYCommands& c, std::string&) { return OkOrError(c.stage_.XYHomeX()); }},
  };
  if (const auto handler = FindSubCommand(kSubCommands, sub)) return handler(*this, rest);
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

// A word not in the table is the target of an absolute move.
std::string ZCommands::operator()(const std::string& sub, std::string& rest) {
  static constexpr SubCommandRow<ZCommands> kSubCommands[] = {
      {"?", [](ZCommands& c, std::string&) { return c.Position(""); }},
      {"??", [](ZCommands& c, std::string&) { return c.Position("Z "); }},
      {"Rel", [](ZCommands& c, std::string& more) { return c.Rel(more); }},
      {"Move", [](ZCommands& c, std::string& more) { return c.Move(more); }},
      {"Wait", [](ZCommands& c, std::string&) { return OkOrError(c.focus_.ZWait()); }},
      {"Stop", [](ZCommands& c, std::string&) { return OkOrError(c.focus_.ZStop()); }},
      {"Origin", [](ZCommands& c, std::string&) { return OkOrError(c.focus_.ZOrigin()); }},
      {"Home", [](ZCommands& c, std::string&) { return OkOrError(c.focus_.ZHome()); }},
  };
  if (const auto handler = FindSubCommand(kSubCommands, sub)) return handler(*this, rest);
  const std::optional<double> z = ResolveNumber(sub, symbols_);
  return z ? OkOrError(focus_.ZMoveAbs(*z)) : std::string(kError);
}

std::string ZCommands::Rel(std::string& rest) {
  std::string word;
  if (SplitWord(rest, word) == 0) return std::string(kNoValue);
  const std::optional<double> d = ResolveNumber(word, symbols_);
  return d ? OkOrError(focus_.ZMoveRel(*d)) : std::string(kError);
}

std::string ZCommands::Move(std::string& rest) {
  std::string word;
  if (SplitWord(rest, word) == 0) return std::string(kNoValue);
  const std::optional<int16_t> v = ResolveInt16(word, symbols_);
  return v ? OkOrError(focus_.ZJog(*v)) : std::string(kError);
}

std::string ZCommands::Position(const std::string& prefix) {
  double z = 0;  // microns
  if (!focus_.ZReadPos(z).ok()) return std::string(kError);
  return prefix + FormatFixed(z, 2);
}

}  // namespace qv
