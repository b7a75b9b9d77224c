#include "sim/ImsProtocol.h"

#include <charconv>
#include <cstring>

namespace sim {
namespace {

struct Arity {
  char op;
  int count;
};

// Number of operands each command takes.
constexpr Arity kArities[] = {{'Z', 0}, {'^', 0}, {'O', 0}, {']', 1}, {'A', 1}, {'M', 1}, {'I', 1},
                              {'V', 1}, {'D', 1}, {'H', 1}, {'E', 1}, {'l', 1}, {'F', 2}, {'Y', 2},
                              {'K', 2}, {'B', 2}, {'R', 1}, {'+', 1}, {'-', 1}};

// Blank-separated signed decimal numbers ("+" allowed); false on anything else.
bool ParseNumbers(std::string_view text, std::vector<int64_t>& numbers) {
  size_t i = 0;
  while (true) {
    while (i < text.size() && text[i] == ' ')
      ++i;
    if (i == text.size()) return true;
    size_t start = i;
    if (text[i] == '+') start = ++i;
    int64_t value = 0;
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end == first) return false;
    if (value < -2147483648LL || value > 2147483647LL) return false;
    numbers.push_back(value);
    i = static_cast<size_t>(end - text.data());
    if (i < text.size() && text[i] != ' ') return false;
  }
}

}  // namespace

bool ParseImsCommand(std::string_view text, ImsCommand& command) {
  command = ImsCommand{};
  if (text.empty()) return false;
  command.op = text[0];
  std::string_view rest = text.substr(1);
  if (command.op == 'R' && (rest.empty() || (rest[0] != '+' && rest[0] != '-'))) return false;
  if (command.op == '+' || command.op == '-') {
    if (rest.empty() || rest[0] == ' ' || rest[0] == '-' || rest[0] == '+') return false;
    rest = text;  // the sign belongs to the number
  }
  for (const Arity& arity : kArities) {
    if (arity.op != command.op) continue;
    return ParseNumbers(rest, command.args) && static_cast<int>(command.args.size()) == arity.count;
  }
  return false;
}

std::string ImsReply(std::string_view line, std::string_view answer) {
  std::string reply(line);
  if (!answer.empty() && answer != kImsRefused) reply += ' ';
  reply += answer;
  reply += '\n';
  return reply;
}

}  // namespace sim
