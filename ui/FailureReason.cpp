#include "ui/FailureReason.h"

#include <array>
#include <optional>
#include <vector>

#include "commands/CommandDispatcher.h"
#include "commands/CommandText.h"
#include "commands/Replies.h"
#include "foundation/NumberText.h"
#include "ui/DeviceReadiness.h"

namespace qv {
namespace {

// The words of the device commands that are no values.
constexpr std::array<std::string_view, 17> kKeywords = {
    "?",    "??", "Rel", "Move", "Wait", "Stop",     "Origin", "Home", "HomeX",
    "Lamp", "On", "Off", "Next", "Prev", "FocShift", "0",      "1"};

bool IsKeyword(std::string_view word) {
  for (std::string_view keyword : kKeywords)
    if (word == keyword) return true;
  return false;
}

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::string rest(text);
  for (std::string word; SplitWord(rest, word) > 0;)
    words.push_back(word);
  return words;
}

std::optional<DeviceId> DeviceOfWord(std::string_view word) {
  for (const DeviceRow& row : kDeviceTable)
    if (word == row.word) return row.id;
  return std::nullopt;
}

std::optional<double> ValueOf(std::string word, const ParList& symbols) {
  if (!ResolveSymbol(word, symbols)) return std::nullopt;
  return ParseNumber(word);
}

// The value words of a device command: after "Rel" or "Move", else the words of a plain move.
std::vector<std::string> ValueWords(const std::vector<std::string>& words) {
  if (words.size() < 2) return {};
  if (words[1] == "Rel" || words[1] == "Move") return {words.begin() + 2, words.end()};
  if (IsKeyword(words[1])) return {};
  return {words.begin() + 1, words.end()};
}

// A filter or cube number the device does not have; empty when it has it or has none.
std::string PositionOutOfRange(const CoreServices& core, DeviceId device, double value) {
  const std::optional<int16_t> n = RoundToInt16(value);
  int16_t count = 0;
  std::string what;
  if (device == DeviceId::W1 || device == DeviceId::W2) {
    count = core.wheels.Params(device == DeviceId::W1 ? 1 : 2).filtPositions;
    what = "wheel " + std::string(Device(device).word) + " has filters";
  } else if (device == DeviceId::Cube) {
    count = core.cube.Count();
    what = "the cube changer has cubes";
  } else {
    return {};
  }
  if (n && *n >= 1 && *n <= count) return {};
  return what + " 1 to " + std::to_string(count);
}

}  // namespace

std::string FailureReason(const CoreServices& core, std::string_view command,
                          std::string_view reply) {
  const std::vector<std::string> words = Words(command);
  if (words.empty()) return {};
  const std::optional<DeviceId> device = DeviceOfWord(words[0]);
  if (!device) return {};
  if (reply == kOff) return NotReadyReason(core.state, *device);
  if (reply != kError) return {};
  const std::vector<std::string> values = ValueWords(words);
  for (const std::string& word : values) {
    const std::optional<double> value = ValueOf(word, core.state.SymConst);
    if (!value) return word + " is no number (nor a symbol of QV_SYMCONST.TXT)";
    if (words[1] == word && values.size() == 1) {
      std::string range = PositionOutOfRange(core, *device, *value);
      if (!range.empty()) return range;
    }
  }
  return words[0] + " refused or did not answer (Conf > Error Log)";
}

std::string ReplyWithReason(const CoreServices& core, std::string_view line,
                            const std::string& reply) {
  std::string_view commands = TrimBlanks(line);
  std::string_view replies = reply;
  std::string_view command;
  while (NextToken(commands, command, ";") > 0) {
    const std::size_t end = replies.find(kReplySeparator);
    if (end == std::string_view::npos) break;
    const std::string reason = FailureReason(core, TrimBlanks(command), replies.substr(0, end));
    if (!reason.empty())
      return reply + "\u2014 " + std::string(TrimBlanks(command)) + ": " + reason;
    replies.remove_prefix(end + kReplySeparator.size());
  }
  return reply;
}

}  // namespace qv
