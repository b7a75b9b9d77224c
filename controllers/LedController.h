#pragma once
// The red, green and blue illumination LEDs on the three outputs of one motor controller:
// which unit that is and which output values mean on and off come from QV_LEDS.TXT.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "controllers/MotorControllers.h"
#include "foundation/KeywordFiles.h"

namespace qv {

inline constexpr const char* kLedsFileName = "QV_LEDS.TXT";

class LedController {
 public:
  LedController(KeywordFiles& keywordFiles, MotorControllers& motors)
      : keywordFiles_(keywordFiles), motors_(motors) {}

  // Done when the file was read and all three keys were found, else no parameters. A missing
  // key leaves its value as it was.
  Result LEDReadConfig();
  // Reads the file and switches all three LEDs off (no traffic without a file).
  Result LEDInit();
  // colour "R", "G" or "B", state "On" or "Off" (exact case): the output write's result, or out
  // of range for a word that is not known.
  Result LEDSet(std::string_view colour, std::string_view state);
  // Flips output n (0 red, 1 green, 2 blue) between 0 and 1, as the controller reports it.
  Result LEDToggle(int16_t n);

  // Whether LED n (0 red, 1 green, 2 blue) is lit, as far as the program switched it: empty
  // before the LEDs were initialised and after a switch that failed. A switch that the
  // controller type cannot make (not sent) leaves the LED as it was.
  std::optional<bool> LEDIsOn(int16_t n) const;

  int16_t LEDAddress() const { return ledAddress_; }

 private:
  KeywordFiles& keywordFiles_;
  MotorControllers& motors_;
  int16_t ledAddress_ = 0;  // character code of the unit that carries the LEDs
  int16_t ledOnVal_ = 0;    // output value that lights an LED
  int16_t ledOffVal_ = 0;   // output value that darkens an LED
  // The output values last written and taken, in output order; empty when not known.
  std::array<std::optional<int16_t>, 3> written_{};

  void Remember(int16_t n, int16_t value, Result result);
};

}  // namespace qv
