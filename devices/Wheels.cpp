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

Wheels::Wheels(Trapar& trapar, MotCon& motCon, Comm& comm, const std::string& contrType,
               const ReadyFlags& ready, FocusLink focus)
    : trapar_(trapar),
      motCon_(motCon),
      comm_(comm),
      contrType_(contrType),
      ready_(ready),
      focus_(std::move(focus)),
      compensation_(trapar) {}

int16_t Wheels::ReadPar(int n) {
  if (n != 1 && n != 2) return -1;
  const std::string p = "W" + std::to_string(n);
  KeywordReader reader(trapar_);
  if (!reader.Open("QV_PARW" + std::to_string(n) + ".TXT")) return -1;
  WheelParams& par = wheel_[n].par;
  reader.RequiredAddress(p + "CONTR", par.profile.contr);
  ReadProfileSettings(reader, p, par.profile);
  reader.Optional(p + "JOGSPEEDLOW", par.jogSpeedLow, int32_t{10});
  reader.Optional(p + "JOGSPEEDHIGH", par.jogSpeedHigh, int32_t{50});
  reader.Required(p + "MSTEPSPERFILT", par.mstepsPerFilt);
  reader.Required(p + "OFFSETHOME", par.offsetHome);
  reader.Required(p + "FILTPOSITIONS", par.filtPositions);
  reader.Required(p + "HOMESPEED", par.homeSpeed);
  reader.Optional(p + "POWERUPORIGIN", par.powerUpOrigin, int32_t{0});
  return reader.Result();
}

int16_t Wheels::ApplyPar(int n) {
  if (n != 1 && n != 2) return -1;
  const WheelParams& par = wheel_[n].par;
  if (ApplyDriveProfile(motCon_, par.profile) < 0) return -1;
  if (motCon_.MotorSetJogSpeeds(par.jogSpeedLow, par.jogSpeedHigh) < 0) return -1;
  if (par.powerUpOrigin != 0) {
    // Only a controller that has just been powered (count 0) gets the origin, so that the
    // count of a running one survives a restart of the program.
    double count = -1;
    if (motCon_.MotorReadPos(count) < 0) return -1;
    if (count == 0) {
      if (motCon_.MotorMoveRel(1) < 0) return -1;
      if (motCon_.MotorSetOrigin(par.powerUpOrigin) < 0) return -1;
    }
  }
  if (motCon_.MotorSetLimitPolarity(0) < 0) return -1;
  if (motCon_.MotorEnableLimits(0) < 0) return -1;
  if (motCon_.MotorSetModeFlags(1) < 0) return -1;
  const std::optional<int16_t> indexSteps = RoundToInt16(par.mstepsPerFilt);
  if (!indexSteps) return -1;  // a filter distance the controller's setting cannot hold
  if (motCon_.MotorSetIndexSteps(*indexSteps) < 0) return -1;
  return 1;
}

int16_t Wheels::Init(int n) {
  if (ReadPar(n) < 0) return -1;
  if (ApplyPar(n) < 0) return -1;
  SelectWheel(n);
  int16_t filter = 0;
  return ReadFilter(filter);
}

int16_t Wheels::SelectWheel(int n) {
  if (n != 1 && n != 2) return 0;
  current_ = n;
  return wheel_[n].par.filtPositions;
}

int16_t Wheels::ReadCountFromFilter1(double& count) {
  const Wheel& w = Current();
  motCon_.MotorSelect(w.par.profile.contr);
  double raw = 0;
  const int16_t status = motCon_.MotorReadPos(raw);
  if (status != 1) return -1;
  // An EZHR17 wheel keeps counting from where its origin was set before homing; filter 1 lies
  // at the count read back after the homing, that is the origin plus the homing offset.
  count = Ez() ? raw - w.homingOffset - w.par.powerUpOrigin : raw;
  return 1;
}

int16_t Wheels::ReadFilter(int16_t& filter) {
  double count = 0;
  if (ReadCountFromFilter1(count) < 0) return -1;
  const WheelParams& par = Current().par;
  const std::optional<int16_t> found = FilterAtCount(count, par.mstepsPerFilt, par.filtPositions);
  if (!found) return -1;
  filter = *found;
  Current().currentFilter = filter;
  return 1;
}

int16_t Wheels::GotoFilter(int16_t filter) {
  const WheelParams& par = Current().par;
  if (filter < 1 || filter > par.filtPositions) return -1;
  motCon_.MotorSelect(par.profile.contr);
  const int16_t waited = motCon_.MotorWaitMoveEnd();
  if (waited < 0) return waited;
  double count = 0;
  if (ReadCountFromFilter1(count) < 0) return -1;
  const std::optional<double> move =
      ShortestMove(count, filter, par.mstepsPerFilt, par.filtPositions);
  if (!move) return -1;
  return motCon_.MotorMoveRel(*move);
}

int16_t Wheels::GotoFilterComp(int16_t filter) {
  const int16_t before = Current().currentFilter;
  const int16_t moved = GotoFilter(filter);
  if (moved <= 0) return moved;
  // The wheel is on its way: whatever the focus does, this is the filter from now on.
  Current().currentFilter = filter;
  if (!compensation_.IsOn(current_)) return moved;
  if (!ShiftsFocus()) {
    comm_.CommLogShow(std::string(current_ == 1 ? "F" : "B") +
                      " focus shift skipped: Z is not ready");
    return moved;
  }
  if (!focus_.moveRel) return -1;
  return focus_.moveRel(compensation_.Shift(current_, before, filter));
}

int16_t Wheels::Step(int delta) {
  if (!Ready(current_)) return 0;
  const int16_t positions = Current().par.filtPositions;
  int filter = Current().currentFilter + delta;
  if (filter > positions) filter = 1;
  if (filter < 1) filter = positions;
  return GotoFilterComp(static_cast<int16_t>(filter));
}

int16_t Wheels::Next() {
  return Step(1);
}
int16_t Wheels::Prev() {
  return Step(-1);
}

int16_t Wheels::Home() {
  switch (ControllerKindOf(contrType_)) {
    case ControllerKind::kIm483i:
      return HomeIm483i();
    case ControllerKind::kEzhr17:
      return HomeEzhr17();
    case ControllerKind::kNone:
      break;
  }
  return 0;
}

int16_t Wheels::HomeIm483i() {
  const WheelParams& par = Current().par;
  motCon_.MotorSelect(par.profile.contr);
  bool ok = motCon_.MotorHomeSmart(par.homeSpeed, par.profile.initVelocity) >= 0;
  if (ok && par.offsetHome != 0) {
    ok = motCon_.MotorMoveRel(par.offsetHome) >= 0 && motCon_.MotorWaitMoveEnd() >= 0;
  }
  if (!ok) return -1;  // not at filter 1: no origin is taken from where the wheel stands
  if (motCon_.MotorPause(500) < 0) ok = false;
  if (motCon_.MotorSetOrigin(par.powerUpOrigin) < 0) ok = false;
  return ok ? 1 : -1;
}

int16_t Wheels::HomeEzhr17() {
  Wheel& w = Current();
  const WheelParams& par = w.par;
  motCon_.MotorSelect(par.profile.contr);
  if (motCon_.MotorSetOrigin(par.powerUpOrigin) < 0) return -1;
  bool ok = motCon_.Ezhr17().RunHomeProgram() >= 0;
  double position = 0;  // microsteps, at filter 1
  if (ok) {
    // The offset move has to end before the count at filter 1 can be read.
    ok = motCon_.MotorMoveRel(par.offsetHome) >= 0 && motCon_.MotorWaitMoveEnd() >= 0 &&
         motCon_.Ezhr17().ReadPos(position) >= 0;
  } else {
    motCon_.MotorMoveAtSpeed(0);  // the program searches without end when it never finds home
  }
  // The homing program leaves its own speeds and ramp behind.
  if (motCon_.MotorSetSlewSpeed(par.profile.slewVelocity) < 0) ok = false;
  if (motCon_.MotorSetInitSpeed(par.profile.initVelocity) < 0) ok = false;
  if (motCon_.MotorSetRamp(par.profile.acceleration, par.profile.deceleration) < 0) ok = false;
  if (!ok) return -1;
  w.homingOffset = position - par.powerUpOrigin;
  return 1;
}

int16_t Wheels::Wait() {
  motCon_.MotorSelect(Current().par.profile.contr);
  return motCon_.MotorWaitMoveEnd();
}

int16_t Wheels::WaitComp() {
  const int16_t wheel = Wait();
  if (!ShiftsFocus()) return wheel;
  const int16_t focus = focus_.wait ? focus_.wait() : -1;
  return wheel < 0 ? wheel : focus;
}

int16_t Wheels::Lamp(int16_t value) {
  motCon_.MotorSelect(Current().par.profile.contr);
  const int16_t status = motCon_.MotorSetOutput(0, value);
  if (status > 0) Current().lamp = value;
  return status;
}

int16_t Wheels::ReadZCompTable(int n, const std::string& fileName) {
  if (n != 1 && n != 2) return -1;
  return compensation_.ReadTable(n, wheel_[n].par.filtPositions, fileName);
}

void Wheels::AssignJoyWheelToReady() {
  if (Ready(1)) {
    joyWheel_ = 1;
  } else if (Ready(2)) {
    joyWheel_ = 2;
  }
}

int16_t Wheels::JoyStep(double deflection, double range) {
  if (!Ready(joyWheel_)) return 1;
  const bool back = deflection < -0.8 * range;
  const bool forth = deflection > 0.8 * range;
  if ((back || forth) && joyLatchOpen_) {
    SelectWheel(joyWheel_);
    Wait();
    const int16_t status = back ? Prev() : Next();
    joyLatchOpen_ = false;
    if (filterChanged_) filterChanged_();
    return status;
  }
  if (-0.2 * range < deflection && deflection < 0.2 * range) joyLatchOpen_ = true;
  return 1;
}

}  // namespace qv
