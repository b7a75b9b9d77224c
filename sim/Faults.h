#pragma once
// Faults the line can inject into replies, and the text form the executable accepts:
//   ITEM[,ITEM...]   ITEM = ADDR:KIND[=VALUE][#COUNT]   or   *:random=RATE
// ADDR is a unit's address character or "*" for every unit; KIND is one of
//   noreply        the unit runs the command but its reply is lost
//   late[=MS]      the reply starts MS later (default 300)
//   pieces[=MS]    the reply comes in two halves, the second MS after the first (default 20)
//   badframe       EZHR17: the "/0" after the start byte is damaged; IM483I: wrong-case echo
//   error[=CODE]   the unit refuses without running: EZHR17 status with error CODE (default 9),
//                  IM483I the echo followed by "?"
//   garbage[=N]    N printable noise bytes before the reply (default 4)
//   nonumber       the answer of a query comes with letters for its digits (a frame that passes
//                  every check but carries no number)
// COUNT limits the fault to the next COUNT replies of that unit (default: every reply).
// "*:random=RATE" gives each reply, with probability RATE (0..1), one of these kinds at random
// (drawn from the line's seed); "nonumber" is never drawn.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim {

// Random faults draw from the first six kinds only.
enum class FaultKind { NoReply, Late, Pieces, BadFrame, ErrorStatus, Garbage, NoNumber };

struct Fault {
  FaultKind kind = FaultKind::NoReply;
  int value = 0;   // Late and Pieces: ms; ErrorStatus: error code; Garbage: byte count
  int count = -1;  // replies still affected, -1 for all
};

struct FaultPlan {
  std::vector<std::pair<char, Fault>> units;  // address ('*': every unit) and its fault
  double randomRate = 0;                      // probability of a random fault per reply
};

Fault DefaultFault(FaultKind kind);
// False with a message naming the bad item when the text does not follow the syntax above.
bool ParseFaultSpec(std::string_view spec, FaultPlan& plan, std::string& error);

}  // namespace sim
