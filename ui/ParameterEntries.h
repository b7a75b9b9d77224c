#pragma once
// The entries that hand a keyword file to the parameter editor (or replace it with one the
// operator chooses) and then bring the program in line with the file: device parameters,
// objective table, field of view and the LED controller; and the LED pictures' toggles.
#include <cstdint>

#include "ui/EntryContext.h"

namespace qv {

class ParameterEntries {
 public:
  explicit ParameterEntries(const EntryContext& context) : c_(context) {}

  // Editor on the device file, then the device initialised again: "XY On" or "XY Off" ...
  void EditDevice(DeviceId device);
  // A chosen file copied over the device file (its next initialisation reads it).
  void ReadParFile(DeviceId device);
  void EditObjectives();  // the table read again; the objective items follow
  void EditField();       // the field of view read again and the scan laid out again
  // Runs "Objective n", which makes position n current unless the scan layout refuses it.
  void ChooseObjective(int16_t position);

 private:
  // The editor on a file of the program folder, then the window's pending events.
  void Edit(const char* fileName);

  const EntryContext& c_;
};

class LedEntries {
 public:
  explicit LedEntries(const EntryContext& context) : c_(context) {}

  void Toggle(int16_t output);  // 0 red, 1 green, 2 blue; only while the LEDs are ready
  void EditParameters();        // QV_LEDS.TXT, then the LEDs initialised: "LEDs On"/"LEDs Off"

 private:
  const EntryContext& c_;
};

}  // namespace qv
