#include "controllers/MotorControllers.h"

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

MotorControllers::MotorControllers(Comm& comm, Clock& clock, EventPump& pump,
                                   const std::string& contrType, const int16_t& waitPollingInterval)
    : contrType_(contrType) {
  const DriverParts parts{comm, clock, pump, motor_, waitPollingInterval};
  for (const ControllerTypeEntry& type : kControllerTypes) {
    drivers_.push_back({type.name, type.make(parts)});
  }
}

MotorDriver* MotorControllers::Driver() const {
  for (const Installed& installed : drivers_) {
    if (installed.name == contrType_) return installed.driver.get();
  }
  return nullptr;
}

template <class Op>
Result MotorControllers::Route(Op op) {
  MotorDriver* driver = Driver();
  return driver != nullptr ? op(*driver) : Result(Cause::kNotSent);
}

void MotorControllers::MotorRetryFailedExchanges(bool on) {
  for (const Installed& installed : drivers_)
    installed.driver->RetryFailedExchanges(on);
}

void MotorControllers::MotorInitChannel() {
  if (MotorDriver* driver = Driver()) driver->InitChannel();
}

Result MotorControllers::MotorWakeUp() {
  return Route([](MotorDriver& d) { return d.WakeUp(); });
}

Result MotorControllers::MotorRawCommand(const std::string& text, std::string& reply) {
  return Route([&](MotorDriver& d) { return d.RawCommand(text, reply); });
}

Result MotorControllers::MotorHome(int16_t unit, int16_t speed) {
  return Route([&](MotorDriver& d) { return d.Home(unit, speed); });
}

Result MotorControllers::MotorHomeOwn(int16_t unit, int32_t speed) {
  return Route([&](MotorDriver& d) { return d.MotorHomeOwn(unit, speed); });
}

Result MotorControllers::MotorHomeSmart(int16_t unit, int32_t speed, int32_t initSpeed) {
  return Route([&](MotorDriver& d) { return d.MotorHomeSmart(unit, speed, initSpeed); });
}

Result MotorControllers::MotorMoveAtSpeed(int16_t unit, int32_t speed) {
  return Route([&](MotorDriver& d) { return d.MoveAtSpeed(unit, speed); });
}

Result MotorControllers::MotorMoveAbs(int16_t unit, double position) {
  return Route([&](MotorDriver& d) { return d.MoveAbs(unit, position); });
}

Result MotorControllers::MotorMoveRel(int16_t unit, double distance) {
  return Route([&](MotorDriver& d) { return d.MoveRel(unit, distance); });
}

Result MotorControllers::MotorReadMovingStatus(int16_t unit, int16_t& status) {
  return Route([&](MotorDriver& d) { return d.ReadMovingStatus(unit, status); });
}

Result MotorControllers::MotorReadPos(int16_t unit, double& position) {
  return Route([&](MotorDriver& d) { return d.ReadPos(unit, position); });
}

Result MotorControllers::MotorReadHardware(int16_t unit, int16_t& value) {
  return Route([&](MotorDriver& d) { return d.ReadHardware(unit, value); });
}

Result MotorControllers::MotorReadLimits(int16_t unit, int16_t& value) {
  return Route([&](MotorDriver& d) { return d.ReadLimits(unit, value); });
}

Result MotorControllers::MotorGetOutput(int16_t unit, int16_t n, int16_t& value) {
  return Route([&](MotorDriver& d) { return d.GetOutput(unit, n, value); });
}

Result MotorControllers::MotorSetOutput(int16_t unit, int16_t n, int16_t value) {
  return Route([&](MotorDriver& d) { return d.SetOutput(unit, n, value); });
}

Result MotorControllers::MotorReadInPorts(int16_t unit, std::array<int16_t, 3>& values) {
  return Route([&](MotorDriver& d) { return d.ReadInPorts(unit, values); });
}

Result MotorControllers::MotorReadOutPorts(int16_t unit, std::array<int16_t, 3>& values) {
  return Route([&](MotorDriver& d) { return d.ReadOutPorts(unit, values); });
}

Result MotorControllers::MotorWriteOutPorts(int16_t unit, int16_t o1, int16_t o2, int16_t o3) {
  return Route([&](MotorDriver& d) { return d.WriteOutPorts(unit, o1, o2, o3); });
}

Result MotorControllers::MotorPause(int16_t unit, int16_t ms) {
  return Route([&](MotorDriver& d) { return d.Pause(unit, ms); });
}

Result MotorControllers::MotorSetCurrents(int16_t unit, int16_t hold, int16_t run) {
  return Route([&](MotorDriver& d) { return d.SetCurrents(unit, hold, run); });
}

Result MotorControllers::MotorSetRamp(int16_t unit, int32_t acceleration, int32_t deceleration) {
  return Route([&](MotorDriver& d) { return d.SetRamp(unit, acceleration, deceleration); });
}

Result MotorControllers::MotorSetLimitPolarity(int16_t unit, int16_t polarity) {
  return Route([&](MotorDriver& d) { return d.SetLimitPolarity(unit, polarity); });
}

Result MotorControllers::MotorSetJogSpeeds(int16_t unit, int32_t low, int32_t high) {
  return Route([&](MotorDriver& d) { return d.SetJogSpeeds(unit, low, high); });
}

Result MotorControllers::MotorSetSlewSpeed(int16_t unit, int32_t speed) {
  return Route([&](MotorDriver& d) { return d.SetSlewSpeed(unit, speed); });
}

Result MotorControllers::MotorSetStepDivide(int16_t unit, int16_t value) {
  return Route([&](MotorDriver& d) { return d.SetStepDivide(unit, value); });
}

Result MotorControllers::MotorSetInitSpeed(int16_t unit, int32_t speed) {
  return Route([&](MotorDriver& d) { return d.SetInitSpeed(unit, speed); });
}

Result MotorControllers::MotorToLimit(int16_t unit, int32_t mask, int32_t speed, int16_t& reached) {
  return Route([&](MotorDriver& d) { return d.MotorToLimit(unit, mask, speed, reached); });
}

Result MotorControllers::MotorSetOrigin(int16_t unit, int32_t position) {
  return Route([&](MotorDriver& d) { return d.SetOrigin(unit, position); });
}

Result MotorControllers::MotorWaitMoveEnd(int16_t unit) {
  return Route([&](MotorDriver& d) { return d.WaitMoveEnd(unit); });
}

Result MotorControllers::MotorEnableLimits(int16_t unit, int16_t on) {
  return Route([&](MotorDriver& d) { return d.EnableLimits(unit, on); });
}

Result MotorControllers::MotorSetModeFlags(int16_t unit, int16_t mode) {
  return Route([&](MotorDriver& d) { return d.SetModeFlags(unit, mode); });
}

Result MotorControllers::MotorSetIndexSteps(int16_t unit, int16_t steps) {
  return Route([&](MotorDriver& d) { return d.SetIndexSteps(unit, steps); });
}

Result MotorControllers::MotorHomeIndexer(int16_t unit, const IndexerHoming& homing,
                                          double& positionOneCount) {
  return Route([&](MotorDriver& d) { return d.HomeIndexer(unit, homing, positionOneCount); });
}

Result MotorControllers::MotorHomeStage(const StageHomingPlan& plan) {
  return Route([&](MotorDriver& d) { return d.HomeStage(plan); });
}

double MotorControllers::MotorCountAtOrigin(int32_t origin) const {
  MotorDriver* driver = Driver();
  return driver != nullptr ? driver->CountAtOrigin(origin) : origin;
}

bool MotorControllers::MotorRunSetsTopSpeed() const {
  MotorDriver* driver = Driver();
  return driver != nullptr && driver->RunSetsTopSpeed();
}

std::optional<JoystickRuns> MotorControllers::MotorJoystickRuns() const {
  MotorDriver* driver = Driver();
  return driver != nullptr ? std::optional(driver->Joystick()) : std::nullopt;
}

bool MotorControllers::MotorMayBeMoving(int16_t unit) {
  int16_t status = 0;
  return MotorReadMovingStatus(unit, status).failed() || status != 0;
}

Result MotorControllers::MotorTakesTarget(int16_t unit) {
  MotorDriver* driver = Driver();
  return driver != nullptr ? driver->TakesTarget(unit) : Result();
}

}  // namespace qv
