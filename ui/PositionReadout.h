#pragma once
// The status bar's stage and focus positions, kept true without asking the controllers while
// nothing moves. Whatever may move the stage or the focus (a command from any source, an
// operation or a menu entry of the window, the joystick, Stop) makes the readout unsettled.
// Once nothing runs, the window's timer asks the units whether they still move: while one does,
// the positions are read and shown as moving; once all stand, they are read a last time and the
// readout is settled. A settled readout sends nothing.
#include <cstdint>
#include <vector>

#include "controllers/MotorControllers.h"
#include "devices/Focus.h"
#include "devices/Stage.h"
#include "foundation/SharedState.h"

namespace qv {

// Which positions of the readout may be out of date because their device moves or may move.
struct ReadoutMotion {
  bool xy = false;
  bool z = false;
};

// What the readout reads: the stage, the focus, and their units' moving status.
struct ReadoutCore {
  SharedState& state;
  Stage& stage;
  Focus& focus;
  MotorControllers& motors;
};

class PositionReadout {
 public:
  explicit PositionReadout(const ReadoutCore& core);

  // Something that may move the stage or the focus ran, runs or has just been started.
  void MayHaveMoved();
  // The window's idle work, only while no command and no operation runs.
  void Check();
  ReadoutMotion Motion() const { return {xy_.unsettled, z_.unsettled}; }

 private:
  struct Tracked {
    bool unsettled = false;  // moved or may have moved since its position was last read
  };
  // True while one of the units reports a motion; a unit that does not answer counts as still,
  // so that a silent controller does not keep the line busy.
  bool AnyMoving(const std::vector<int16_t>& units);
  template <class Read>
  void CheckDevice(Tracked& device, int16_t ready, const std::vector<int16_t>& units, Read read);

  ReadoutCore core_;
  int32_t commandsSeen_ = 0;  // CommandCount when last looked at
  Tracked xy_;
  Tracked z_;
};

}  // namespace qv
