#include "devices/AxisDiagnostics.h"

#include "controllers/MotorControllers.h"

namespace qv {

Result ControllerDiagnostics::Home(int16_t unit, int16_t speed) {
  return motors_.MotorHome(unit, speed);
}

Result ControllerDiagnostics::HomeOwn(int16_t unit, int32_t speed) {
  return motors_.MotorHomeOwn(unit, speed);
}

Result ControllerDiagnostics::HomeSmart(int16_t unit, int32_t speed, int32_t initSpeed) {
  return motors_.MotorHomeSmart(unit, speed, initSpeed);
}

Result ControllerDiagnostics::ToLimit(int16_t unit, int32_t mask, int32_t speed, int16_t& reached) {
  return motors_.MotorToLimit(unit, mask, speed, reached);
}

Result ControllerDiagnostics::MoveAtSpeed(int16_t unit, int32_t speed) {
  return motors_.MotorMoveAtSpeed(unit, speed);
}

Result ControllerDiagnostics::MoveAbs(int16_t unit, double position) {
  return motors_.MotorMoveAbs(unit, position);
}

Result ControllerDiagnostics::MoveRel(int16_t unit, double distance) {
  return motors_.MotorMoveRel(unit, distance);
}

Result ControllerDiagnostics::ReadPos(int16_t unit, double& position) {
  return motors_.MotorReadPos(unit, position);
}

Result ControllerDiagnostics::SetOrigin(int16_t unit, int32_t position) {
  return motors_.MotorSetOrigin(unit, position);
}

Result ControllerDiagnostics::ReadMovingStatus(int16_t unit, int16_t& status) {
  return motors_.MotorReadMovingStatus(unit, status);
}

Result ControllerDiagnostics::ReadLimits(int16_t unit, int16_t& value) {
  return motors_.MotorReadLimits(unit, value);
}

Result ControllerDiagnostics::ReadHardware(int16_t unit, int16_t& value) {
  return motors_.MotorReadHardware(unit, value);
}

Result ControllerDiagnostics::ReadInPorts(int16_t unit, std::array<int16_t, 3>& values) {
  return motors_.MotorReadInPorts(unit, values);
}

Result ControllerDiagnostics::ReadOutPorts(int16_t unit, std::array<int16_t, 3>& values) {
  return motors_.MotorReadOutPorts(unit, values);
}

Result ControllerDiagnostics::WriteOutPorts(int16_t unit, const std::array<int16_t, 3>& values) {
  return motors_.MotorWriteOutPorts(unit, values[0], values[1], values[2]);
}

}  // namespace qv
