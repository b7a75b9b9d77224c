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
Result HomeSmartOrStop(MotorControllers& motors, int16_t unit, int32_t speed, int32_t initSpeed) {
  const Result homed = motors.MotorHomeSmart(unit, speed, initSpeed);
  if (homed.failed()) motors.MotorMoveAtSpeed(unit, 0);
  return homed;
}

// The file's keys as the reader found them.
Result ReadResult(const KeywordReader& reader) {
  return reader.Result() > 0 ? Cause::kDone : Cause::kNoParameters;
}

}  // namespace

// --- Cube ---

Result Cube::ReadPar() {
  KeywordReader reader(keywordFiles_);
  if (!reader.Open(kCubeFile)) return Cause::kNoParameters;
  reader.RequiredAddress("CUBECONTR", par_.profile.contr);
  reader.Required("CUBESTROKEPERROT", par_.strokePerRot);
  reader.Required("CUBEMOTORSTEPS", par_.motorSteps);
  ReadProfileSettings(reader, {{"CUBE", par_.profile}});
  reader.Required("CUBEHOMESPEED", par_.homeSpeed);
  reader.Required("CUBEPOSITIONS", par_.positions);
  reader.Required("CUBESHIFTDIST", par_.shiftDist);
  reader.Required("CUBE1OFFSET", par_.offset1);
  return ReadResult(reader);
}

Result Cube::ApplyPar() {
  return ApplyDriveProfile(motors_, par_.profile);
}

Result Cube::Init() {
  if (const Result read = ReadPar(); !read.ok()) return read;
  unitPerStep_ =
      CheckedScale(notifier_,
                   AxisMechanics{"CUBESTROKEPERROT", par_.strokePerRot, "CUBEMOTORSTEPS",
                                 par_.motorSteps, "CUBESTEPDIVIDE", par_.profile.stepDivide},
                   keywordFiles_.ParDir() + kCubeFile, "cube units");
  if (!unitPerStep_) return Cause::kNoParameters;
  if (!std::isfinite(par_.shiftDist) || par_.shiftDist == 0) {
    // No cube could be told from another: the changer stays off, and the operator learns why.
    notifier_.MessageBox("CUBESHIFTDIST in " + keywordFiles_.ParDir() + kCubeFile +
                             " gives no usable distance between cubes",
                         MsgIcon::Exclamation);
    return Cause::kNoParameters;
  }
  if (const Result applied = ApplyPar(); !applied.ok()) return applied;
  int16_t cube = 0;
  if (const Result read = ReadNearest(cube); !read.ok()) return read;
  currentCube_ = cube >= 1 && cube <= par_.positions ? cube : 0;
  return Cause::kDone;
}

Result Cube::Goto(int16_t cube) {
  if (cube < 1 || cube > par_.positions || !unitPerStep_) return Cause::kOutOfRange;
  const std::optional<int32_t> count = WholeSteps((cube - 1) * par_.shiftDist / *unitPerStep_);
  if (!count) return Cause::kOutOfRange;
  if (const Result ready = motors_.MotorTakesTarget(Unit()); ready.failed()) return ready;
  return Needed(motors_.MotorMoveAbs(Unit(), *count));
}

Result Cube::ReadNearest(int16_t& cube) {
  double count = 0;
  if (const Result read = motors_.MotorReadPos(Unit(), count); !read.ok()) return Needed(read);
  if (!unitPerStep_) return Cause::kNoParameters;
  // Homing puts cube 1 at the origin, so the count is measured from cube 1 already.
  const std::optional<int16_t> found = CubeAtCount(count, *unitPerStep_, par_.shiftDist);
  if (!found) return Cause::kOutOfRange;
  cube = *found;
  return Cause::kDone;
}

Result Cube::ReadPos(int16_t& cube) {
  int16_t nearest = 0;
  if (const Result read = ReadNearest(nearest); !read.ok()) return read;
  if (nearest < 1 || nearest > par_.positions) return Cause::kOutOfRange;
  cube = currentCube_ = nearest;
  return Cause::kDone;
}

Result Cube::Home() {
  Result outcome = HomeSmartOrStop(motors_, Unit(), par_.homeSpeed, par_.profile.initVelocity);
  if (!outcome.failed()) {
    const std::optional<int32_t> offset =
        unitPerStep_ ? WholeSteps(par_.offset1 / *unitPerStep_) : std::nullopt;
    // The origin may only be set once the changer stands at cube 1.
    outcome = offset ? motors_.MotorMoveRel(Unit(), *offset) : Result(Cause::kOutOfRange);
    if (!outcome.failed()) outcome = motors_.MotorWaitMoveEnd(Unit());
  }
  // Not at cube 1: no origin is taken from where the changer stands.
  if (outcome.failed()) return outcome;
  const Result pause = motors_.MotorPause(Unit(), 500);
  return OrDone(FirstFailure(pause, motors_.MotorSetOrigin(Unit(), 0)));
}

Result Cube::Wait() {
  return motors_.MotorWaitMoveEnd(Unit());
}

// --- Slide and turret ---

Result PositionDrive::ReadPar() {
  const std::string p = kind_.prefix;
  KeywordReader reader(keywordFiles_);
  if (!reader.Open(kind_.file)) return Cause::kNoParameters;
  reader.RequiredAddress(p + "CONTR", par_.profile.contr);
  if (kind_.strokeInFile) reader.Required(p + "STROKEPERROT", par_.strokePerRot);
  reader.Required(p + "MOTORSTEPS", par_.motorSteps);
  ReadProfileSettings(reader, {{p, par_.profile}});
  reader.Required(p + "HOMESPEED", par_.homeSpeed);
  return ReadResult(reader);
}

Result PositionDrive::ApplyPar() {
  return ApplyDriveProfile(motors_, par_.profile);
}

Result PositionDrive::Init() {
  if (const Result read = ReadPar(); !read.ok()) return read;
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
  if (!unitPerStep_) return Cause::kNoParameters;
  if (const Result applied = ApplyPar(); !applied.ok()) return applied;
  double position = 0;
  return ReadPos(position);
}

std::optional<double> PositionDrive::Microsteps(double units) const {
  if (!unitPerStep_) return std::nullopt;
  const double steps = units / *unitPerStep_;
  if (!std::isfinite(steps)) return std::nullopt;
  return steps;
}

Result PositionDrive::MoveRel(double distance) {
  const std::optional<double> steps = Microsteps(distance);
  if (!steps) return Cause::kOutOfRange;
  if (const Result ready = motors_.MotorTakesTarget(Unit()); ready.failed()) return ready;
  return motors_.MotorMoveRel(Unit(), *steps);
}

Result PositionDrive::MoveAbs(double target) {
  const std::optional<double> steps = Microsteps(target);
  if (!steps) return Cause::kOutOfRange;
  if (const Result ready = motors_.MotorTakesTarget(Unit()); ready.failed()) return ready;
  return motors_.MotorMoveAbs(Unit(), *steps);
}

Result PositionDrive::ReadPos(double& position) {
  double count = 0;
  if (const Result read = motors_.MotorReadPos(Unit(), count); !read.ok()) return Needed(read);
  if (!unitPerStep_) return Cause::kNoParameters;
  position_ = count * *unitPerStep_;
  position = position_;
  return Cause::kDone;
}

Result PositionDrive::Wait() {
  return motors_.MotorWaitMoveEnd(Unit());
}

Result PositionDrive::Home() {
  // A search that failed found no home: no origin is taken from where the drive stands.
  const Result homed = HomeSmartOrStop(motors_, Unit(), par_.homeSpeed, par_.profile.initVelocity);
  if (homed.failed()) return homed;
  const Result pause = motors_.MotorPause(Unit(), 500);
  return OrDone(FirstFailure(pause, motors_.MotorSetOrigin(Unit(), 0)));
}

}  // namespace qv
