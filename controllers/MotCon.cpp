#include "controllers/MotCon.h"

#include <algorithm>

#include "controllers/Ezhr17Driver.h"
#include "controllers/Im483iDriver.h"
#include "foundation/Config.h"

namespace qv {

constexpr std::array<ControllerTypeEntry, 2> kControllerTypes{{
    {"IM483I",
     [](const DriverParts& p) -> std::unique_ptr<MotorDriver> {
       return std::make_unique<Im483iDriver>(p.comm, p.clock, p.pump, p.motor);
     }},
    {"EZHR17",
     [](const DriverParts& p) -> std::unique_ptr<MotorDriver> {
       return std::make_unique<Ezhr17Driver>(p.comm, p.clock, p.pump, p.motor,
                                             p.waitPollingInterval);
     }},
}};

// Every type the configuration accepts has its row, and only those.
static_assert(kControllerTypes.size() == kControllerTypeNames.size());
static_assert(std::ranges::all_of(kControllerTypes, [](const ControllerTypeEntry& type) {
  return std::ranges::find(kControllerTypeNames, type.name) != kControllerTypeNames.end();
}));

MotCon::MotCon(Comm& comm, Clock& clock, EventPump& pump, const std::string& contrType,
               const int16_t& waitPollingInterval)
    : comm_(comm), contrType_(contrType) {
  const DriverParts parts{comm, clock, pump, motor_, waitPollingInterval};
  for (const ControllerTypeEntry& type : kControllerTypes) {
    drivers_.push_back({type.name, type.make(parts)});
  }
}

MotorDriver* MotCon::Driver() const {
  for (const Installed& installed : drivers_) {
    if (installed.name == contrType_) return installed.driver.get();
  }
  return nullptr;
}

template <class Op>
int16_t MotCon::Route(Op op) {
  MotorDriver* driver = Driver();
  return driver != nullptr ? op(*driver) : int16_t{0};
}

void MotCon::MotorRetryFailedExchanges(bool on) {
  for (const Installed& installed : drivers_)
    installed.driver->RetryFailedExchanges(on);
}

void MotCon::MotorInitChannel() {
  if (MotorDriver* driver = Driver()) driver->InitChannel();
}

int16_t MotCon::MotorWakeUp() {
  return Route([](MotorDriver& d) { return d.WakeUp(); });
}

int16_t MotCon::MotorRawCommand(const std::string& text, std::string& reply) {
  return Route([&](MotorDriver& d) { return d.RawCommand(text, reply); });
}

int16_t MotCon::MotorHome(int16_t unit, int16_t speed) {
  return Route([&](MotorDriver& d) { return d.Home(unit, speed); });
}

int16_t MotCon::MotorHomeOwn(int16_t unit, int32_t speed) {
  return Route([&](MotorDriver& d) { return d.MotorHomeOwn(unit, speed); });
}

int16_t MotCon::MotorHomeSmart(int16_t unit, int32_t speed, int32_t initSpeed) {
  return Route([&](MotorDriver& d) { return d.MotorHomeSmart(unit, speed, initSpeed); });
}

int16_t MotCon::MotorMoveAtSpeed(int16_t unit, int32_t speed) {
  // A stop is a motion too: the unit may still be slowing down after it.
  return Started(unit, Route([&](MotorDriver& d) { return d.MoveAtSpeed(unit, speed); }));
}

int16_t MotCon::MotorMoveAbs(int16_t unit, double position) {
  return Route([&](MotorDriver& d) { return d.MoveAbs(unit, position); });
}

int16_t MotCon::MotorMoveRel(int16_t unit, double distance) {
  return Route([&](MotorDriver& d) { return d.MoveRel(unit, distance); });
}

int16_t MotCon::MotorReadMovingStatus(int16_t unit) {
  const int16_t status = Route([&](MotorDriver& d) { return d.ReadMovingStatus(unit); });
  return Looked(unit, status, status == 0);
}

int16_t MotCon::MotorReadPos(int16_t unit, double& position) {
  return Route([&](MotorDriver& d) { return d.ReadPos(unit, position); });
}

int16_t MotCon::MotorReadHardware(int16_t unit, int16_t& value) {
  return Route([&](MotorDriver& d) { return d.ReadHardware(unit, value); });
}

int16_t MotCon::MotorReadLimits(int16_t unit, int16_t& value) {
  return Route([&](MotorDriver& d) { return d.ReadLimits(unit, value); });
}

int16_t MotCon::MotorGetOutput(int16_t unit, int16_t n, int16_t& value) {
  return Route([&](MotorDriver& d) { return d.GetOutput(unit, n, value); });
}

int16_t MotCon::MotorSetOutput(int16_t unit, int16_t n, int16_t value) {
  return Route([&](MotorDriver& d) { return d.SetOutput(unit, n, value); });
}

int16_t MotCon::MotorReadInPorts(int16_t unit, std::array<int16_t, 3>& values) {
  return Route([&](MotorDriver& d) { return d.ReadInPorts(unit, values); });
}

int16_t MotCon::MotorReadOutPorts(int16_t unit, std::array<int16_t, 3>& values) {
  return Route([&](MotorDriver& d) { return d.ReadOutPorts(unit, values); });
}

int16_t MotCon::MotorWriteOutPorts(int16_t unit, int16_t o1, int16_t o2, int16_t o3) {
  return Route([&](MotorDriver& d) { return d.WriteOutPorts(unit, o1, o2, o3); });
}

int16_t MotCon::MotorPause(int16_t unit, int16_t ms) {
  return Route([&](MotorDriver& d) { return d.Pause(unit, ms); });
}

int16_t MotCon::MotorSetCurrents(int16_t unit, int16_t hold, int16_t run) {
  return Route([&](MotorDriver& d) { return d.SetCurrents(unit, hold, run); });
}

int16_t MotCon::MotorSetRamp(int16_t unit, int32_t acceleration, int32_t deceleration) {
  return Route([&](MotorDriver& d) { return d.SetRamp(unit, acceleration, deceleration); });
}

int16_t MotCon::MotorSetLimitPolarity(int16_t unit, int16_t polarity) {
  return Route([&](MotorDriver& d) { return d.SetLimitPolarity(unit, polarity); });
}

int16_t MotCon::MotorSetJogSpeeds(int16_t unit, int32_t low, int32_t high) {
  return Route([&](MotorDriver& d) { return d.SetJogSpeeds(unit, low, high); });
}

int16_t MotCon::MotorSetSlewSpeed(int16_t unit, int32_t speed) {
  return Route([&](MotorDriver& d) { return d.SetSlewSpeed(unit, speed); });
}

int16_t MotCon::MotorSetStepDivide(int16_t unit, int16_t value) {
  return Route([&](MotorDriver& d) { return d.SetStepDivide(unit, value); });
}

int16_t MotCon::MotorSetInitSpeed(int16_t unit, int32_t speed) {
  return Route([&](MotorDriver& d) { return d.SetInitSpeed(unit, speed); });
}

int16_t MotCon::MotorToLimit(int16_t unit, int32_t mask, int32_t speed) {
  return Route([&](MotorDriver& d) { return d.MotorToLimit(unit, mask, speed); });
}

int16_t MotCon::MotorSetOrigin(int16_t unit, int32_t position) {
  return Route([&](MotorDriver& d) { return d.SetOrigin(unit, position); });
}

int16_t MotCon::MotorWaitMoveEnd(int16_t unit) {
  const int16_t result = Route([&](MotorDriver& d) { return d.WaitMoveEnd(unit); });
  return Looked(unit, result, result == 1);
}

int16_t MotCon::MotorEnableLimits(int16_t unit, int16_t on) {
  return Route([&](MotorDriver& d) { return d.EnableLimits(unit, on); });
}

int16_t MotCon::MotorSetModeFlags(int16_t unit, int16_t mode) {
  return Route([&](MotorDriver& d) { return d.SetModeFlags(unit, mode); });
}

int16_t MotCon::MotorSetIndexSteps(int16_t unit, int16_t steps) {
  return Route([&](MotorDriver& d) { return d.SetIndexSteps(unit, steps); });
}

int16_t MotCon::MotorHomeIndexer(int16_t unit, const IndexerHoming& homing,
                                 double& positionOneCount) {
  const int16_t result =
      Route([&](MotorDriver& d) { return d.HomeIndexer(unit, homing, positionOneCount); });
  return Looked(unit, result, result == 1);  // a homing ends with the drive standing
}

double MotCon::MotorCountAtOrigin(int32_t origin) const {
  MotorDriver* driver = Driver();
  return driver != nullptr ? driver->CountAtOrigin(origin) : origin;
}

bool MotCon::MotorRunSetsTopSpeed() const {
  MotorDriver* driver = Driver();
  return driver != nullptr && driver->RunSetsTopSpeed();
}

std::optional<JoystickRuns> MotCon::MotorJoystickRuns() const {
  MotorDriver* driver = Driver();
  return driver != nullptr ? std::optional(driver->Joystick()) : std::nullopt;
}

std::optional<StageHomingMethod> MotCon::MotorStageHoming() const {
  MotorDriver* driver = Driver();
  return driver != nullptr ? std::optional(driver->StageHoming()) : std::nullopt;
}

int16_t MotCon::Started(int16_t unit, int16_t result) {
  if (result > 0) mayBeMoving_.insert(unit);
  return result;
}

int16_t MotCon::Looked(int16_t unit, int16_t result, bool still) {
  if (still) mayBeMoving_.erase(unit);
  return result;
}

int16_t MotCon::MotorTakesTarget(int16_t unit) {
  MotorDriver* driver = Driver();
  if (driver == nullptr || !driver->DropsTargetsWhileMoving()) return 1;
  if (mayBeMoving_.contains(unit)) {
    const int16_t status = MotorReadMovingStatus(unit);  // a failed read is logged already
    if (status > 0) {
      comm_.CommLogShow(std::string(1, static_cast<char>(unit)) +
                        " still moving: no new target sent");
    }
    if (status != 0) return -1;
  }
  // The target the caller sends next may still run when the one after it comes.
  mayBeMoving_.insert(unit);
  return 1;
}

}  // namespace qv
