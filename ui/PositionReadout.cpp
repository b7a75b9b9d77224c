#include "ui/PositionReadout.h"

namespace qv {

PositionReadout::PositionReadout(const ReadoutCore& core)
    : core_(core), commandsSeen_(core.state.CommandCount) {}

void PositionReadout::MayHaveMoved() {
  xy_.unsettled = true;
  z_.unsettled = true;
}

// Commands from anywhere count, also those that ran between two ticks.
void PositionReadout::Check() {
  if (core_.state.CommandCount != commandsSeen_) {
    commandsSeen_ = core_.state.CommandCount;
    MayHaveMoved();
  }
  const Stage& stage = core_.stage;
  CheckDevice(xy_, core_.state.Ready[DeviceId::XY], {stage.XUnit(), stage.YUnit()}, [this] {
    double x = 0;
    double y = 0;
    core_.stage.XYReadPos(x, y);
  });
  CheckDevice(z_, core_.state.Ready[DeviceId::Z], {core_.focus.Unit()}, [this] {
    double z = 0;
    core_.focus.ZReadPos(z);
  });
}

template <class Read>
void PositionReadout::CheckDevice(Tracked& device, int16_t ready, const std::vector<int16_t>& units,
                                  Read read) {
  if (!device.unsettled) return;
  if (ready != 1) {
    device.unsettled = false;  // the status bar shows the device as off
    return;
  }
  const bool moving = AnyMoving(units);
  read();  // live while it moves, the last time once it stands
  device.unsettled = moving;
}

bool PositionReadout::AnyMoving(const std::vector<int16_t>& units) {
  MotorControllers& mot = core_.motors;
  bool moving = false;
  for (const int16_t unit : units) {
    // IM483I: a status number, 0 when still; EZHR17: 1 moving, 0 still. No answer is no motion.
    int16_t status = 0;
    if (mot.MotorReadMovingStatus(unit, status).ok() && status > 0) moving = true;
  }
  return moving;
}

}  // namespace qv
