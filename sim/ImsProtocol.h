#pragma once
// IM483I party-mode commands as pure functions: name, command letter and numbers in; the echo of
// the line followed by the answer out.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct ImsCommand {
  char op = 0;                // command character: Z ^ ] A O R + - M F Y K I V D H E l B
  std::vector<int64_t> args;  // numbers in the order sent; "R+n" and "+n" give one signed number
};

// Parses the command text after the name; false for an unknown command or wrong numbers.
bool ParseImsCommand(std::string_view text, ImsCommand& command);
// The reply line: the received line repeated, then " " and the answer when there is one, LF.
std::string ImsReply(std::string_view line, std::string_view answer);
// What a unit answers to a line it cannot run.
inline constexpr std::string_view kImsRefused = "?";

}  // namespace sim
