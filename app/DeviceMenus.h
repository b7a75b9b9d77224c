#pragma once
// What the main window's device parameter entries do once the operator has edited or chosen a
// device file: initialise the device again and say whether it is on, or put the chosen file in
// place of the device file.
#include <string>

#include "app/System.h"

namespace qv {

// Initialises the device from its (edited) file, sets its ready flag and returns the status
// line text: its command word and "On" or "Off" ("XY On", "Cube Off").
std::string ReinitialiseDevice(System& system, DeviceId device);

// Copies folder/file over folder/deviceFile (the file the program reads for that device) and
// returns the message line text; an empty file name means the dialog was cancelled. The device
// is not initialised again: the new values take effect at its next initialisation.
std::string ReplaceDeviceFile(const std::string& folder, const std::string& file,
                              const std::string& deviceFile);

}  // namespace qv
