#pragma once
// The operator's Stop: every ready device that moves is told to stop at once.
#include <string>
#include <vector>

#include "app/System.h"

namespace qv {

// Stops every ready device that moves (the stage's two axes, the focus, both wheels, the cube
// changer, slide and turret), each on its own controller, one after the other without waiting,
// in the device table's stop order; every unit is told even when another did not answer, and
// the stage and the focus have their slew velocities in force again after a run. The unit addressed
// before is addressed again afterwards, so that a wait the Stop interrupted goes on polling its
// own unit. Returns the command words of the devices that did not take the stop, in that order.
std::vector<std::string> StopAllDevices(System& system);

}  // namespace qv
