#include "devices/Indexers.h"

#include <cmath>

#include "devices/AxisScale.h"
#include "foundation/KeywordReader.h"
#include "foundation/NumberText.h"

namespace qv {

std::optional<int16_t> CubeAtCount(double count, double unitPerStep, double shiftDist) {
  if (!std::isfinite(unitPerStep) || unitPerStep == 0) return std::nullopt;
  if (!std::isfinite(shiftDist) || shiftDist == 0) return std::nullopt;
  return RoundToInt16(count * unitPerStep / shiftDist + 1);
}

namespace {

constexpr const char* kCubeFile = "QV_PARCUBE.TXT";

// An EZHR17 search that never finds its sensor would run on after the wait gave up.
bool HomeSmartOrStop(MotorControllers& motors, int16_t unit, int32_t speed, int32_t initSpeed) {
  if (motors.MotorHomeSmart(unit, speed, initSpeed) >= 0) return true;
  motors.MotorMoveAtSpeed(unit, 0);
  return false;
}

}  // namespace

// --- Cube ---

int16_t Cube::ReadPar() {
  KeywordReader reader(keywordFiles_);
  if (!reader.Open(kCubeFile)) return -1;
  reader.RequiredAddress("CUBECONTR", par_.profile.contr);
  reader.Required("CUBESTROKEPERROT", par_.strokePerRot);
  reader.Required("CUBEMOTORSTEPS", par_.motorSteps);
  ReadProfileSettings(reader, "CUBE", par_.profile);
  reader.Required("CUBEHOMESPEED", par_.homeSpeed);
  reader.Required("CUBEPOSITIONS", par_.positions);
  reader.Required("CUBESHIFTDIST", par_.shiftDist);
  reader.Required("CUBE1OFFSET", par_.offset1);
  return reader.Result();
}

int16_t Cube::ApplyPar() {
  return ApplyDriveProfile(motors_, par_.profile);
}

int16_t Cube::Init() {
  if (ReadPar() < 0) return -1;
  unitPerStep_ =
      CheckedScale(notifier_,
                   AxisMechanics{"CUBESTROKEPERROT", par_.strokePerRot, "CUBEMOTORSTEPS",
                                 par_.motorSteps, "CUBESTEPDIVIDE", par_.profile.stepDivide},
                   keywordFiles_.ParDir() + kCubeFile, "cube units");
  if (!unitPerStep_) return -1;
  if (!std::isfinite(par_.shiftDist) || par_.shiftDist == 0) {
    // No cube could be told from another: the changer stays off, and the operator learns why.
    notifier_.MessageBox("CUBESHIFTDIST in " + keywordFiles_.ParDir() + kCubeFile +
                             " gives no usable distance between cubes",
                         MsgIcon::Exclamation);
    return -1;
  }
  if (ApplyPar() < 0) return -1;
  int16_t cube = 0;
  if (ReadNearest(cube) < 0) return -1;
  currentCube_ = cube >= 1 && cube <= par_.positions ? cube : 0;
  return 1;
}

int16_t Cube::Goto(int16_t cube) {
  if (cube < 1 || cube > par_.positions || !unitPerStep_) return -1;
  const std::optional<int32_t> count = WholeSteps((cube - 1) * par_.shiftDist / *unitPerStep_);
  if (!count) return -1;
  if (motors_.MotorTakesTarget(Unit()) < 0) return -1;
  return motors_.MotorMoveAbs(Unit(), *count) > 0 ? 1 : -1;
}

int16_t Cube::ReadNearest(int16_t& cube) {
  double count = 0;
  if (motors_.MotorReadPos(Unit(), count) != 1 || !unitPerStep_) return -1;
  // Homing puts cube 1 at the origin, so the count is measured from cube 1 already.
  const std::optional<int16_t> found = CubeAtCount(count, *unitPerStep_, par_.shiftDist);
  if (!found) return -1;
  cube = *found;
  return 1;
}

int16_t Cube::ReadPos(int16_t& cube) {
  int16_t nearest = 0;
  if (ReadNearest(nearest) < 0 || nearest < 1 || nearest > par_.positions) return -1;
  cube = currentCube_ = nearest;
  return 1;
}

int16_t Cube::Home() {
  bool ok = HomeSmartOrStop(motors_, Unit(), par_.homeSpeed, par_.profile.initVelocity);
  if (ok) {
    const std::optional<int32_t> offset =
        unitPerStep_ ? WholeSteps(par_.offset1 / *unitPerStep_) : std::nullopt;
    // The origin may only be set once the changer stands at cube 1.
    ok = offset && motors_.MotorMoveRel(Unit(), *offset) >= 0 &&
         motors_.MotorWaitMoveEnd(Unit()) >= 0;
  }
  if (!ok) return -1;  // not at cube 1: no origin is taken from where the changer stands
  if (motors_.MotorPause(Unit(), 500) < 0) ok = false;
  if (motors_.MotorSetOrigin(Unit(), 0) < 0) return -1;
  return ok ? 1 : -1;
}

int16_t Cube::Wait() {
  return motors_.MotorWaitMoveEnd(Unit());
}

// --- Slide and turret ---

int16_t PositionDrive::ReadPar() {
  const std::string p = kind_.prefix;
  KeywordReader reader(keywordFiles_);
  if (!reader.Open(kind_.file)) return -1;
  reader.RequiredAddress(p + "CONTR", par_.profile.contr);
  if (kind_.strokeInFile) reader.Required(p + "STROKEPERROT", par_.strokePerRot);
  reader.Required(p + "MOTORSTEPS", par_.motorSteps);
  ReadProfileSettings(reader, p, par_.profile);
  reader.Required(p + "HOMESPEED", par_.homeSpeed);
  return reader.Result();
}

int16_t PositionDrive::ApplyPar() {
  return ApplyDriveProfile(motors_, par_.profile);
}

int16_t PositionDrive::Init() {
  if (ReadPar() < 0) return -1;
  const std::string p = kind_.prefix;
  const AxisMechanics mechanics{
      .travelKey = kind_.strokeInFile ? p + "STROKEPERROT" : "",
      .travel = kind_.strokeInFile ? par_.strokePerRot : kind_.fixedTravelPerTurn,
      .stepsKey = p + "MOTORSTEPS",
      .motorSteps = par_.motorSteps,
      .divideKey = p + "STEPDIVIDE",
      .stepDivide = par_.profile.stepDivide};
  unitPerStep_ =
      CheckedScale(notifier_, mechanics, keywordFiles_.ParDir() + kind_.file, kind_.unit);
  if (!unitPerStep_) return -1;
  if (ApplyPar() < 0) return -1;
  double position = 0;
  return ReadPos(position);
}

std::optional<double> PositionDrive::Microsteps(double units) const {
  if (!unitPerStep_) return std::nullopt;
  const double steps = units / *unitPerStep_;
  if (!std::isfinite(steps)) return std::nullopt;
  return steps;
}

int16_t PositionDrive::MoveRel(double distance) {
  const std::optional<double> steps = Microsteps(distance);
  if (!steps) return -1;
  if (motors_.MotorTakesTarget(Unit()) < 0) return -1;
  return motors_.MotorMoveRel(Unit(), *steps);
}

int16_t PositionDrive::MoveAbs(double target) {
  const std::optional<double> steps = Microsteps(target);
  if (!steps) return -1;
  if (motors_.MotorTakesTarget(Unit()) < 0) return -1;
  return motors_.MotorMoveAbs(Unit(), *steps);
}

int16_t PositionDrive::ReadPos(double& position) {
  double count = 0;
  if (motors_.MotorReadPos(Unit(), count) != 1 || !unitPerStep_) return -1;
  position_ = count * *unitPerStep_;
  position = position_;
  return 1;
}

int16_t PositionDrive::Wait() {
  return motors_.MotorWaitMoveEnd(Unit());
}

int16_t PositionDrive::Home() {
  // A search that failed found no home: no origin is taken from where the drive stands.
  if (!HomeSmartOrStop(motors_, Unit(), par_.homeSpeed, par_.profile.initVelocity)) return -1;
  bool ok = motors_.MotorPause(Unit(), 500) >= 0;
  if (motors_.MotorSetOrigin(Unit(), 0) < 0) ok = false;
  return ok ? 1 : -1;
}

}  // namespace qv
