#include "sim/EzProtocol.h"

#include <cctype>
#include <charconv>
#include <cstring>
#include <limits>

namespace sim {
namespace {

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

struct OperandRule {
  char letter;
  bool needsOperand;
  int64_t low, high;
};

// Every letter the simulated controller knows, with the operand range it accepts.
constexpr OperandRule kRules[] = {
    {'A', true, kInt32Min, kInt32Max},  // absolute move, microsteps
    {'P', true, 0, kInt32Max},          // relative move up (0: run endlessly)
    {'D', true, 0, kInt32Max},          // relative move down (0: run endlessly)
    {'V', true, 1, kInt32Max},          // top speed, microsteps/s
    {'v', true, 0, kInt32Max},          // start speed, microsteps/s
    {'L', true, 0, 65535},              // acceleration factor
    {'m', true, 0, 100},                // run current, percent
    {'h', true, 0, 50},                 // hold current, percent
    {'j', true, 1, 256},                // microstep resolution (a power of two)
    {'f', true, 0, 1},                  // home sensor polarity
    {'z', true, kInt32Min, kInt32Max},  // set the position counter
    {'Z', true, 0, kInt32Max},          // home, searching at most this many steps
    {'n', true, 0, 255},                // mode bits
    {'J', true, 0, 3},                  // output drivers
    {'B', true, 0, kInt32Max},          // index steps
    {'G', true, 0, 30000},              // end of a loop, repeat count (0: forever)
    {'S', true, 0, 14},                 // skip: state digit then input number
    {'T', false, 0, 0},                 // terminate
    {'Q', false, 0, 0},                 // status
    {'g', false, 0, 0},                 // start of a loop
    {'R', false, 0, 0},                 // run
    {'?', true, 0, 0},                  // query (checked separately)
};

const OperandRule* FindRule(char letter) {
  for (const OperandRule& rule : kRules) {
    if (rule.letter == letter) return &rule;
  }
  return nullptr;
}

int CheckOperand(const OperandRule& rule, EzCommand& command) {
  if (rule.letter == '?') {
    static constexpr std::string_view kQueries[] = {"0", "1", "2", "4", "Q", "&"};
    for (std::string_view q : kQueries) {
      if (command.operand == q) return 0;
    }
    return kEzBadOperand;
  }
  if (!rule.needsOperand) return command.operand.empty() ? 0 : kEzBadOperand;
  if (command.operand.empty()) return kEzBadOperand;
  const char* first = command.operand.data();
  const char* last = first + command.operand.size();
  const auto [end, ec] = std::from_chars(first, last, command.value);
  if (ec != std::errc() || end != last) return kEzBadOperand;
  if (command.value < rule.low || command.value > rule.high) return kEzBadOperand;
  if (rule.letter == 'j' && (command.value & (command.value - 1)) != 0) return kEzBadOperand;
  if (rule.letter == 'S') {
    if (command.operand.size() != 2 || command.operand[0] > '1' || command.operand[1] < '1' ||
        command.operand[1] > '4') {
      return kEzBadOperand;
    }
  }
  return 0;
}

}  // namespace

int ParseEzCommands(std::string_view text, std::vector<EzCommand>& commands) {
  commands.clear();
  size_t i = 0;
  while (i < text.size()) {
    EzCommand command;
    command.letter = text[i++];
    const OperandRule* rule = FindRule(command.letter);
    if (rule == nullptr) return kEzBadCommand;
    if (command.letter == 'R' && i != text.size()) return kEzBadCommand;
    const size_t start = i;
    if (command.letter == '?' && i < text.size() &&
        (std::isalpha(static_cast<unsigned char>(text[i])) || text[i] == '&')) {
      ++i;  // a status letter such as the wake-up's "?Q", or "?&" (the firmware version)
    } else {
      if (i < text.size() && text[i] == '-') ++i;
      while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
        ++i;
    }
    command.operand = std::string(text.substr(start, i - start));
    if (int error = CheckOperand(*rule, command)) return error;
    commands.push_back(std::move(command));
  }
  return 0;
}

bool IsEzMove(char letter) {
  return std::strchr("APDZ", letter) != nullptr && letter != 0;
}

char EzStatus(bool ready, int error) {
  return static_cast<char>(0x40 | (ready ? 0x20 : 0) | (error & 0x0F));
}

std::string EzFrame(char status, std::string_view data) {
  std::string frame = "\xFF/0";
  frame += status;
  frame += data;
  frame += "\x03\r\n";
  return frame;
}

}  // namespace sim
