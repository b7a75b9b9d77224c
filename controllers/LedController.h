#pragma once
// The red, green and blue illumination LEDs on the three outputs of one motor controller:
// which unit that is and which output values mean on and off come from QV_LEDS.TXT.
#include <cstdint>
#include <string_view>

#include "controllers/MotCon.h"
#include "foundation/Trapar.h"

namespace qv {

inline constexpr const char* kLedsFileName = "QV_LEDS.TXT";

class LedController {
 public:
  LedController(Trapar& trapar, MotCon& motCon) : trapar_(trapar), motCon_(motCon) {}

  // 1 when the file was read and all three keys were found, else -1. A missing key leaves
  // its value as it was.
  int16_t LEDReadConfig();
  // Reads the file and switches all three LEDs off: 1, or -1 (no traffic without a file).
  int16_t LEDInit();
  // colour "R", "G" or "B", state "On" or "Off" (exact case): the output write's result, or -1
  // for a word that is not known.
  int16_t LEDSet(std::string_view colour, std::string_view state);
  // Flips output n (0 red, 1 green, 2 blue) between 0 and 1, as the controller reports it.
  int16_t LEDToggle(int16_t n);

  int16_t LEDAddress() const { return ledAddress_; }
  int16_t LEDOnVal() const { return ledOnVal_; }
  int16_t LEDOffVal() const { return ledOffVal_; }

 private:
  Trapar& trapar_;
  MotCon& motCon_;
  int16_t ledAddress_ = 0;  // character code of the unit that carries the LEDs
  int16_t ledOnVal_ = 0;    // output value that lights an LED
  int16_t ledOffVal_ = 0;   // output value that darkens an LED
};

}  // namespace qv
