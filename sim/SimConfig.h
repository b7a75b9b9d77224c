#pragma once
// Which units a program folder describes: the controller type of QV_CONFIG.TXT and, for every
// device, its unit address and the mechanics the simulator gives it.
//
// Defaults when a file or key is missing (the simulator always offers every unit, so the
// program finds each installed device):
//   CONTRTYPE: IM483I, as the program assumes.
//   EZHR17 addresses: X 1, Y 2, Z 3, W1 4, W2 5, S 6, T 7, CUBE 8, LEDs 9.
//   IM483I names:     X X, Y Y, Z Z, W1 F, W2 B, S S, T T, CUBE C, LEDs L.
//   Mechanics: lead or stroke 1 mm per turn, 200 full steps, step divide 3 (1600 microsteps/mm);
//   travel X 100 mm, Y 75 mm, Z 10 mm, slide 50 mm; filter wheels 6 positions of 1600
//   microsteps; turret one motor turn (MOTORSTEPS x 2^STEPDIVIDE); cube changer CUBEPOSITIONS x
//   CUBESHIFTDIST per turn (else one motor turn). Filter 1 lies W*OFFSETHOME microsteps and
//   cube 1 CUBE1OFFSET past the index. X and Y get the
//   backlash of XBACKLASH / YBACKLASH (microns) as lost motion; the others none.
// Two devices at one address share one unit (the first in the order above sets its mechanics).
#include <string>
#include <string_view>
#include <vector>

#include "sim/Axis.h"
#include "sim/Line.h"

namespace sim {

enum class Role { X, Y, Z, W1, W2, S, T, Cube, Leds };

// The numbered positions of a filter wheel or the cube changer around their rotary axis.
struct Indexing {
  int positions = 0;  // 0 for an axis without numbered positions
  double pitch = 0;   // microsteps between neighbouring positions
  double first = 0;   // microsteps from the index to position 1
};

struct UnitPlan {
  Role role = Role::X;
  char address = 0;
  AxisConfig axis;
  Indexing indexing;
};

struct LinePlan {
  ControllerType type = ControllerType::IM483I;
  std::vector<UnitPlan> units;        // one per address, in the order above
  std::vector<std::string> warnings;  // values that could not be used
};

std::string_view RoleName(Role role);
// Never fails: whatever is missing or unusable takes its default (bad values are warned about).
LinePlan ReadLinePlan(const std::string& directory);
// The position (1..positions) standing within `tolerance` microsteps of the load, or 0 when the
// load stands between positions (or the unit has none): what is in the beam.
int PositionAt(const UnitPlan& unit, int64_t load, int64_t tolerance);
// Adds the planned units to `line`; `timeScale` makes every motion that many times faster.
void AddUnits(Line& line, const LinePlan& plan, double timeScale = 1.0);

}  // namespace sim
