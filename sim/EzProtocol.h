#pragma once
// EZHR17 command strings and reply frames, as pure functions: "/" address commands ["R"] CR in,
// FF "/0" status data ETX CR LF out.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

inline constexpr int kEzBadCommand = 2;
inline constexpr int kEzBadOperand = 3;
inline constexpr int kEzOverflow = 15;  // a move arrived while one was executing

struct EzCommand {
  char letter = 0;
  std::string operand;  // as sent: digits with an optional "-", "Q" for "?Q", empty when none
  int64_t value = 0;    // the operand as a number where it is one
};

// Splits a command string (after the address, "R" included) into commands; 0, or the error code
// the controller answers for it (unknown letter: 2; missing, extra or out-of-range operand: 3).
int ParseEzCommands(std::string_view text, std::vector<EzCommand>& commands);
bool IsEzMove(char letter);  // starts a motion: A P D Z
// The status character: bit value 64 always, 32 when ready, the error code in the low 4 bits.
char EzStatus(bool ready, int error);
std::string EzFrame(char status, std::string_view data);

}  // namespace sim
