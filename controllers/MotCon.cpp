#include "controllers/MotCon.h"

#include <algorithm>

namespace qv {

ControllerKind ControllerKindOf(std::string_view contrType) {
  const auto* entry =
      std::find_if(kControllerTypes.begin(), kControllerTypes.end(),
                   [&](const ControllerTypeEntry& e) { return e.name == contrType; });
  return entry == kControllerTypes.end() ? ControllerKind::kNone : entry->kind;
}

template <class OnIm, class OnEz>
int16_t MotCon::Route(OnIm onIm, OnEz onEz) {
  switch (ControllerKindOf(contrType_)) {
    case ControllerKind::kIm483i:
      return onIm(im_);
    case ControllerKind::kEzhr17:
      return onEz(ez_);
    case ControllerKind::kNone:
      break;
  }
  return 0;
}

namespace {
// Results of operations that one controller type does not have.
constexpr auto kLacks = [](auto&) -> int16_t { return 0; };
constexpr auto kNeedless = [](auto&) -> int16_t { return 1; };
}  // namespace

void MotCon::MotorInitChannel() {
  Route([](auto& d) -> int16_t {
    d.InitChannel();
    return 0;
  });
}

int16_t MotCon::MotorWakeUp() {
  return Route([](auto& d) { return d.WakeUp(); });
}

int16_t MotCon::MotorRawCommand(const std::string& text, std::string& reply) {
  return Route([&](auto& d) { return d.RawCommand(text, reply); });
}

int16_t MotCon::MotorHome(int16_t speed) {
  return Route([&](Im483iDriver& d) { return d.Home(speed); },
               [&](Ezhr17Driver& d) { return d.MotorHome(speed); });
}

int16_t MotCon::MotorHomeOwn(int32_t speed) {
  return Route([&](auto& d) { return d.MotorHomeOwn(speed); });
}

int16_t MotCon::MotorHomeSmart(int32_t speed, int32_t initSpeed) {
  return Route([&](auto& d) { return d.MotorHomeSmart(speed, initSpeed); });
}

int16_t MotCon::MotorMoveAtSpeed(int32_t speed) {
  // A stop is a motion too: the unit may still be slowing down after it.
  return Started(Route([&](auto& d) { return d.MoveAtSpeed(speed); }));
}

int16_t MotCon::MotorMoveAbs(double position) {
  return Route([&](auto& d) { return d.MoveAbs(position); });
}

int16_t MotCon::MotorMoveRel(double distance) {
  return Route([&](auto& d) { return d.MoveRel(distance); });
}

int16_t MotCon::MotorReadMovingStatus() {
  const int16_t status = Route([](auto& d) { return d.ReadMovingStatus(); });
  return Looked(status, status == 0);
}

int16_t MotCon::MotorReadPos(double& position) {
  return Route([&](auto& d) { return d.ReadPos(position); });
}

int16_t MotCon::MotorReadHardware(int16_t& value) {
  return Route([&](auto& d) { return d.ReadHardware(value); });
}

int16_t MotCon::MotorReadLimits(int16_t& value) {
  return Route([&](auto& d) { return d.ReadLimits(value); });
}

int16_t MotCon::MotorGetOutput(int16_t n, int16_t& value) {
  return Route([&](Im483iDriver& d) { return d.GetOutput(n, value); }, kLacks);
}

int16_t MotCon::MotorSetOutput(int16_t n, int16_t value) {
  return Route([&](Im483iDriver& d) { return d.SetOutput(n, value); }, kLacks);
}

int16_t MotCon::MotorReadInPorts(std::array<int16_t, 3>& values) {
  return Route([&](Im483iDriver& d) { return d.ReadInPorts(values); }, kLacks);
}

int16_t MotCon::MotorReadOutPorts(std::array<int16_t, 3>& values) {
  return Route([&](Im483iDriver& d) { return d.ReadOutPorts(values); }, kLacks);
}

int16_t MotCon::MotorWriteOutPorts(int16_t o1, int16_t o2, int16_t o3) {
  return Route([&](auto& d) { return d.WriteOutPorts(o1, o2, o3); });
}

int16_t MotCon::MotorPause(int16_t ms) {
  return Route([&](Im483iDriver& d) { return d.Pause(ms); }, kNeedless);
}

int16_t MotCon::MotorSetCurrents(int16_t hold, int16_t run) {
  return Route([&](auto& d) { return d.SetCurrents(hold, run); });
}

int16_t MotCon::MotorSetRamp(int32_t acceleration, int32_t deceleration) {
  return Route([&](auto& d) { return d.SetRamp(acceleration, deceleration); });
}

int16_t MotCon::MotorSetLimitPolarity(int16_t polarity) {
  return Route([&](auto& d) { return d.SetLimitPolarity(polarity); });
}

int16_t MotCon::MotorSetJogSpeeds(int32_t low, int32_t high) {
  return Route([&](Im483iDriver& d) { return d.SetJogSpeeds(low, high); }, kLacks);
}

int16_t MotCon::MotorSetSlewSpeed(int32_t speed) {
  return Route([&](auto& d) { return d.SetSlewSpeed(speed); });
}

int16_t MotCon::MotorSetStepDivide(int16_t value) {
  return Route([&](auto& d) { return d.SetStepDivide(value); });
}

int16_t MotCon::MotorSetInitSpeed(int32_t speed) {
  return Route([&](Im483iDriver& d) { return d.SetInitSpeed(speed); }, kLacks);
}

int16_t MotCon::MotorToLimit(int32_t mask, int32_t speed) {
  return Route([&](auto& d) { return d.MotorToLimit(mask, speed); });
}

int16_t MotCon::MotorSetOrigin(int32_t position) {
  return Route([](Im483iDriver& d) { return d.SetOrigin(); },
               [&](Ezhr17Driver& d) { return d.SetOrigin(position); });
}

int16_t MotCon::MotorWaitMoveEnd() {
  const int16_t result = Route([](auto& d) { return d.WaitMoveEnd(); });
  return Looked(result, result == 1);  // the wait ends with its own unit selected
}

int16_t MotCon::MotorEnableLimits(int16_t on) {
  return Route(kNeedless, [&](Ezhr17Driver& d) { return d.EnableLimits(on); });
}

int16_t MotCon::MotorSetModeFlags(int16_t mode) {
  return Route(kNeedless, [&](Ezhr17Driver& d) { return d.SetModeFlags(mode); });
}

int16_t MotCon::MotorSetIndexSteps(int16_t steps) {
  return Route(kNeedless, [&](Ezhr17Driver& d) { return d.SetIndexSteps(steps); });
}

int16_t MotCon::Started(int16_t result) {
  if (result > 0) mayBeMoving_.insert(motor_.MotorAddress);
  return result;
}

int16_t MotCon::Looked(int16_t result, bool still) {
  if (still) mayBeMoving_.erase(motor_.MotorAddress);
  return result;
}

int16_t MotCon::MotorTakesTarget() {
  if (ControllerKindOf(contrType_) != ControllerKind::kIm483i) return 1;
  if (mayBeMoving_.contains(motor_.MotorAddress)) {
    const int16_t status = MotorReadMovingStatus();  // a failed read is logged already
    if (status > 0) {
      comm_.CommLogShow(std::string(1, static_cast<char>(motor_.MotorAddress)) +
                        " still moving: no new target sent");
    }
    if (status != 0) return -1;
  }
  // The target the caller sends next may still run when the one after it comes.
  mayBeMoving_.insert(motor_.MotorAddress);
  return 1;
}

}  // namespace qv
