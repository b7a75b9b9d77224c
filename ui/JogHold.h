#pragma once
// One held jog control, a button or a key. Pressing it makes one step; holding it makes further
// steps, each after the one before has ended; releasing it ends the jog: a single step runs to
// its end, a repeating jog is stopped at once. Then the position is shown. From the press until
// the position is shown the program counts as busy, so the timer leaves the joystick and the
// map alone, and a second press (another button or key) is ignored.
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "ui/EntryContext.h"

namespace qv {

struct JogMotion {
  std::string what;             // the busy text: "Stage Right", "Up Fine"
  std::function<bool()> ready;  // the device can be jogged
  std::function<bool()> step;   // starts one step; false when the device refused it
  std::function<void()> wait;   // until the device is still; lets window events run
  std::function<void()> stop;   // stops the device at once
  std::function<void()> showPosition;
};

class JogHold : public QObject {
  Q_OBJECT

 public:
  // The hold keeps the command flag and shows the jog as running through `services`; the
  // operator's Stop, read from `motors`, ends the repeats.
  JogHold(SharedState& state, const MotorControllers& motors, const WindowServices& services,
          QObject* parent = nullptr);
  ~JogHold() override;

  // False when the device is not ready or another jog is held or ending.
  bool Press(JogMotion motion);
  void Release();
  // The repeat timer's work, also callable directly: waits for the step before, then steps
  // again while the control is still held.
  void Repeat();
  bool Idle() const { return phase_ == Phase::Idle; }

 private:
  enum class Phase { Idle, Held, Ending };
  void End();

  SharedState& state_;
  const MotorControllers& motors_;
  const WindowServices& services_;
  JogMotion motion_;
  Phase phase_ = Phase::Idle;
  bool repeated_ = false;   // a second step was made: the release stops the device
  bool repeating_ = false;  // inside Repeat(), whose wait lets the release arrive
  std::unique_ptr<BusyScope> busy_;
  QTimer timer_;
};

}  // namespace qv
