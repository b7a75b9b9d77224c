#include "devices/Wheels.h"

#include <cmath>

#include "foundation/KeywordReader.h"
#include "foundation/NumberText.h"

namespace qv {
namespace {

// Counts beyond this are no position a wheel can have reached; they only come from bad replies.
constexpr double kLargestCount = 1e15;  // microsteps

// The remainder that takes the sign of the divisor: the angle on the wheel, whatever the turns.
double FloorMod(double value, double divisor) {
  return value - std::floor(value / divisor) * divisor;
}

bool UsableGeometry(double mstepsPerFilt, int16_t positions) {
  return positions >= 1 && std::isfinite(mstepsPerFilt) && mstepsPerFilt != 0;
}

}  // namespace

std::optional<int16_t> FilterAtCount(double count, double mstepsPerFilt, int16_t positions) {
  if (!UsableGeometry(mstepsPerFilt, positions) || !(std::fabs(count) <= kLargestCount)) {
    return std::nullopt;
  }
  const double nearest = std::ceil(count / mstepsPerFilt - 0.5);  // a tie goes to the lower
  return static_cast<int16_t>(FloorMod(nearest, positions) + 1);
}

std::optional<double> ShortestMove(double count, int16_t filter, double mstepsPerFilt,
                                   int16_t positions) {
  if (!UsableGeometry(mstepsPerFilt, positions) || !(std::fabs(count) <= kLargestCount)) {
    return std::nullopt;
  }
  if (filter < 1 || filter > positions) return std::nullopt;
  const double turn = std::nearbyint(std::fabs(positions * mstepsPerFilt));  // microsteps
  if (turn < 1) return std::nullopt;
  const double from = FloorMod(std::nearbyint(count), turn);
  double to = FloorMod(std::ceil((filter - 1) * mstepsPerFilt - 0.5), turn);
  if (to < from) to += turn;
  const double forward = to - from;
  const double backward = forward - turn;
  return std::fabs(forward) >= std::fabs(backward) ? backward : forward;
}

Wheels::Wheels(KeywordFiles& keywordFiles, MotorControllers& motors, Comm& comm,
               const DeviceFlags& ready, FocusLink focus)
    : keywordFiles_(keywordFiles),
      motors_(motors),
      comm_(comm),
      ready_(ready),
      focus_(std::move(focus)),
      compensation_(keywordFiles) {}

Result Wheels::ReadPar(int n) {
  if (n != 1 && n != 2) return Cause::kOutOfRange;
  const std::string p = "W" + std::to_string(n);
  KeywordReader reader(keywordFiles_);
  if (!reader.Open("QV_PARW" + std::to_string(n) + ".TXT")) return Cause::kNoParameters;
  WheelParams& par = wheel_[n].par;
  reader.RequiredAddress(p + "CONTR", par.profile.contr);
  ReadProfileSettings(reader, {{p, par.profile}});
  reader.Optional(p + "JOGSPEEDLOW", par.jogSpeedLow, int32_t{10});
  reader.Optional(p + "JOGSPEEDHIGH", par.jogSpeedHigh, int32_t{50});
  reader.Required(p + "MSTEPSPERFILT", par.mstepsPerFilt);
  reader.Required(p + "OFFSETHOME", par.offsetHome);
  reader.Required(p + "FILTPOSITIONS", par.filtPositions);
  reader.Required(p + "HOMESPEED", par.homeSpeed);
  reader.Optional(p + "POWERUPORIGIN", par.powerUpOrigin, int32_t{0});
  return reader.Result() > 0 ? Cause::kDone : Cause::kNoParameters;
}

Result Wheels::ApplyPar(int n) {
  if (n != 1 && n != 2) return Cause::kOutOfRange;
  const WheelParams& par = wheel_[n].par;
  const int16_t unit = Unit(n);
  Result r = ApplyDriveProfile(motors_, par.profile);
  if (!r.failed()) r = motors_.MotorSetJogSpeeds(unit, par.jogSpeedLow, par.jogSpeedHigh);
  if (!r.failed()) r = ApplyPowerUpOrigin(motors_, unit, par.powerUpOrigin);
  if (!r.failed()) r = motors_.MotorSetLimitPolarity(unit, 0);
  if (!r.failed()) r = motors_.MotorEnableLimits(unit, 0);
  if (!r.failed()) r = motors_.MotorSetModeFlags(unit, 1);
  if (r.failed()) return r;
  const std::optional<int16_t> indexSteps = RoundToInt16(par.mstepsPerFilt);
  // A filter distance the controller's setting cannot hold.
  if (!indexSteps) return Cause::kOutOfRange;
  return OrDone(motors_.MotorSetIndexSteps(unit, *indexSteps));
}

Result Wheels::Init(int n) {
  if (const Result read = ReadPar(n); !read.ok()) return read;
  if (const Result applied = ApplyPar(n); !applied.ok()) return applied;
  int16_t filter = 0;
  return ReadFilter(n, filter);
}

int16_t Wheels::Positions(int n) const {
  if (n != 1 && n != 2) return 0;
  return wheel_[n].par.filtPositions;
}

Result Wheels::ReadCountFromFilter1(int n, double& count) {
  const Wheel& w = Of(n);
  double raw = 0;
  if (const Result read = motors_.MotorReadPos(Unit(n), raw); !read.ok()) return Needed(read);
  // A wheel keeps counting from where its origin was set before homing (an IM483I counter only
  // ever becomes 0 there); filter 1 lies at that origin's count plus the homing offset.
  count = raw - w.homingOffset - motors_.MotorCountAtOrigin(w.par.powerUpOrigin);
  return Cause::kDone;
}

Result Wheels::ReadFilter(int n, int16_t& filter) {
  double count = 0;
  if (const Result read = ReadCountFromFilter1(n, count); !read.ok()) return read;
  const WheelParams& par = Of(n).par;
  const std::optional<int16_t> found = FilterAtCount(count, par.mstepsPerFilt, par.filtPositions);
  if (!found) return Cause::kOutOfRange;
  filter = *found;
  Of(n).currentFilter = filter;
  return Cause::kDone;
}

Result Wheels::GotoFilter(int n, int16_t filter) {
  const WheelParams& par = Of(n).par;
  if (filter < 1 || filter > par.filtPositions) return Cause::kOutOfRange;
  if (const Result waited = motors_.MotorWaitMoveEnd(Unit(n)); waited.failed()) return waited;
  double count = 0;
  if (const Result read = ReadCountFromFilter1(n, count); !read.ok()) return read;
  const std::optional<double> move =
      ShortestMove(count, filter, par.mstepsPerFilt, par.filtPositions);
  if (!move) return Cause::kOutOfRange;
  return motors_.MotorMoveRel(Unit(n), *move);
}

Result Wheels::GotoFilterComp(int n, int16_t filter) {
  const int16_t before = Of(n).currentFilter;
  const Result moved = GotoFilter(n, filter);
  if (!moved.ok()) return moved;
  // The wheel is on its way: whatever the focus does, this is the filter from now on.
  Of(n).currentFilter = filter;
  const int slot = Index(n);
  if (!compensation_.IsOn(slot)) return moved;
  if (!ShiftsFocus(slot)) {
    comm_.CommLogShow(std::string(slot == 1 ? "F" : "B") + " focus shift skipped: Z is not ready");
    return moved;
  }
  if (!focus_.moveRel) return Cause::kUnsupported;
  return focus_.moveRel(compensation_.Shift(slot, before, filter));
}

Result Wheels::Step(int n, int delta) {
  if (!Ready(n)) return Cause::kNotSent;
  const int16_t positions = Of(n).par.filtPositions;
  int filter = Of(n).currentFilter + delta;
  if (filter > positions) filter = 1;
  if (filter < 1) filter = positions;
  return GotoFilterComp(n, static_cast<int16_t>(filter));
}

Result Wheels::Next(int n) {
  return Step(n, 1);
}
Result Wheels::Prev(int n) {
  return Step(n, -1);
}

Result Wheels::Home(int n) {
  Wheel& w = Of(n);
  const WheelParams& par = w.par;
  const IndexerHoming homing{.homeSpeed = par.homeSpeed,
                             .initVelocity = par.profile.initVelocity,
                             .offsetHome = par.offsetHome,
                             .powerUpOrigin = par.powerUpOrigin,
                             .slewVelocity = par.profile.slewVelocity,
                             .acceleration = par.profile.acceleration,
                             .deceleration = par.profile.deceleration};
  double positionOne = 0;  // microsteps, the count at filter 1
  const Result result = motors_.MotorHomeIndexer(Unit(n), homing, positionOne);
  if (!result.ok()) return result;  // an unknown controller type homes nothing
  w.homingOffset = positionOne - motors_.MotorCountAtOrigin(par.powerUpOrigin);
  return Cause::kDone;
}

Result Wheels::Wait(int n) {
  return motors_.MotorWaitMoveEnd(Unit(n));
}

Result Wheels::WaitComp(int n) {
  const Result wheel = Wait(n);
  if (!ShiftsFocus(Index(n))) return wheel;
  const Result focus = focus_.wait ? focus_.wait() : Result(Cause::kUnsupported);
  return wheel.failed() ? wheel : focus;
}

Result Wheels::Lamp(int n, int16_t value) {
  const Result status = motors_.MotorSetOutput(Unit(n), 0, value);
  if (status.ok()) Of(n).lamp = value;
  return status;
}

Result Wheels::ReadZCompTable(int n, const std::string& fileName) {
  if (n != 1 && n != 2) return Cause::kOutOfRange;
  return compensation_.ReadTable(n, wheel_[n].par.filtPositions, fileName);
}

void Wheels::AssignJoyWheelToReady() {
  if (Ready(1)) {
    joyWheel_ = 1;
  } else if (Ready(2)) {
    joyWheel_ = 2;
  }
}

Result Wheels::JoyStep(double deflection, double range) {
  if (!Ready(joyWheel_)) return Cause::kDone;
  const bool back = deflection < -0.8 * range;
  const bool forth = deflection > 0.8 * range;
  if ((back || forth) && joyLatchOpen_) {
    const int n = joyWheel_;
    Wait(n);
    const Result status = back ? Prev(n) : Next(n);
    joyLatchOpen_ = false;
    if (filterChanged_) filterChanged_();
    return status;
  }
  if (-0.2 * range < deflection && deflection < 0.2 * range) joyLatchOpen_ = true;
  return Cause::kDone;
}

}  // namespace qv
