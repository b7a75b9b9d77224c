#pragma once
// The entries that hand a keyword file to the parameter editor (or replace it with one the
// operator chooses) and then bring the program in line with the file: device parameters,
// objective table, field of view and the LED controller; and the LED pictures' toggles.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "commands/CommandDispatcher.h"
#include "controllers/Comm.h"
#include "controllers/LedController.h"
#include "foundation/DeviceTable.h"
#include "specimen/MapView.h"
#include "specimen/Scan.h"
#include "ui/EntryContext.h"

namespace qv {

// What the device menus' parameter entries and typed entries drive beside the devices: the line
// whose log tells of errors while a file loads, the scan and its outline laid out again after the
// field of view changed, the command language, and a device brought up again from its file.
struct DeviceSetup {
  Comm& comm;
  Scan& scan;
  MapView& map;
  CommandDispatcher& dispatcher;
  CommandSource& windowSource;  // what the window's commands run as
  // A device initialised again from its file: "XY On" or "XY Off".
  std::function<std::string(DeviceId)> reinitialise;
  // A chosen file (folder, name) copied over a device file: the message line text.
  std::function<std::string(const std::string&, const std::string&, const std::string&)>
      replaceDeviceFile;
};

class ParameterEntries {
 public:
  // `setup` outlives the entries.
  ParameterEntries(const EntryWindow& window, Notifier& notifier, FrontEnd& frontEnd,
                   const DevicesChanged& changed, Objectives& objectives, const DeviceSetup& setup)
      : window_(window),
        notifier_(notifier),
        frontEnd_(frontEnd),
        changed_(changed),
        objectives_(objectives),
        setup_(setup) {}

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

  EntryWindow window_;
  Notifier& notifier_;  // the messages a load showed; the field file's message boxes
  FrontEnd& frontEnd_;  // the window's events, let run after the editor
  const DevicesChanged& changed_;
  Objectives& objectives_;
  const DeviceSetup& setup_;
};

class LedEntries {
 public:
  LedEntries(const EntryWindow& window, FrontEnd& frontEnd, const DevicesChanged& changed,
             LedController& leds)
      : window_(window), frontEnd_(frontEnd), changed_(changed), leds_(leds) {}

  void Toggle(int16_t output);  // 0 red, 1 green, 2 blue; only while the LEDs are ready
  void EditParameters();        // QV_LEDS.TXT, then the LEDs initialised: "LEDs On"/"LEDs Off"
  // Whether the program lit LED `output`; nothing when the controllers cannot tell.
  std::optional<bool> Lit(int16_t output) const { return leds_.LEDIsOn(output); }

 private:
  EntryWindow window_;
  FrontEnd& frontEnd_;  // the window's events, let run after the editor
  const DevicesChanged& changed_;
  LedController& leds_;
};

}  // namespace qv
