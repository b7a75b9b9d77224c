#pragma once
// Where the joystick's readings come from: the platform's joystick in the program, a script in
// tests. One poll yields two absolute axis positions and the mask of the pressed buttons.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace qv {

struct JoystickReading {
  int32_t x = 0;         // raw axis position, the driver's units (0..65535 for most drivers)
  int32_t y = 0;         // raw axis position
  uint32_t buttons = 0;  // bit 0 is button 1
  int status = 0;        // 0 when the query succeeded
};

class JoystickSource {
 public:
  virtual ~JoystickSource() = default;
  virtual JoystickReading Read() = 0;
};

// No joystick attached: every query fails.
class AbsentJoystick final : public JoystickSource {
 public:
  JoystickReading Read() override { return {.status = 1}; }
};

// Replays its readings one per query; the last one repeats, and an empty script reads as a
// failing query.
class ScriptedJoystick final : public JoystickSource {
 public:
  ScriptedJoystick() = default;
  explicit ScriptedJoystick(std::vector<JoystickReading> script) : script_(std::move(script)) {}

  // Replaces whatever is still to come by one reading that repeats.
  void Hold(JoystickReading reading) {
    script_ = {reading};
    next_ = 0;
  }
  JoystickReading Read() override {
    ++queries;
    if (script_.empty()) return {.status = 1};
    const JoystickReading reading = script_[next_];
    if (next_ + 1 < script_.size()) ++next_;
    return reading;
  }

  int queries = 0;

 private:
  std::vector<JoystickReading> script_;
  std::size_t next_ = 0;
};

}  // namespace qv
