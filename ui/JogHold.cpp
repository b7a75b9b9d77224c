#include "ui/JogHold.h"

namespace qv {

namespace {
constexpr int kFirstRepeatMs = 400;  // ms a control is held before it repeats
constexpr int kRepeatMs = 60;        // ms between the end of a step and the next one
}  // namespace

JogHold::JogHold(SharedState& state, const MotorControllers& motors, const WindowServices& services,
                 QObject* parent)
    : QObject(parent), state_(state), motors_(motors), services_(services) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &JogHold::Repeat);
}

JogHold::~JogHold() = default;

bool JogHold::Press(JogMotion motion) {
  if (phase_ != Phase::Idle || !motion.ready()) return false;
  motion_ = std::move(motion);
  phase_ = Phase::Held;
  repeated_ = false;
  busy_ = std::make_unique<BusyScope>(state_, motors_, services_, motion_.what);
  // A refused step is shown by the motion; the hold still waits for its release.
  if (motion_.step()) timer_.start(kFirstRepeatMs);
  return true;
}

void JogHold::Repeat() {
  if (phase_ != Phase::Held || repeating_) return;
  repeating_ = true;
  motion_.wait();
  const bool again = phase_ == Phase::Held && !busy_->Stopped() && motion_.ready();
  if (again && motion_.step()) {
    repeated_ = true;
    timer_.start(kRepeatMs);
  }
  repeating_ = false;
  // The release came while the step before was awaited: the jog ends here.
  if (phase_ == Phase::Ending) End();
}

void JogHold::Release() {
  if (phase_ != Phase::Held) return;
  phase_ = Phase::Ending;
  timer_.stop();
  if (!repeating_) End();
}

void JogHold::End() {
  if (repeated_) motion_.stop();
  motion_.wait();
  motion_.showPosition();
  busy_.reset();
  phase_ = Phase::Idle;
}

}  // namespace qv
