#pragma once
// Why a serial device could not be opened, found out as a user would find it (is it there, may
// this user read and write it, does another program hold it), and what the user can do about
// it: the first thing a lab meets on Linux is a USB adapter owned by the group dialout.
#include <string>

namespace qv {

// What the system says about a device that did not open.
struct DeviceFacts {
  int error = 0;               // errno that explains it (ENOENT, EACCES, EBUSY); 0: none found
  std::string group;           // the group that owns the device; empty when not known
  bool groupMayUse = false;    // that group may read and write the device
  bool listedInGroup = false;  // the user is a member of it in the group database
  std::string user;            // the user's name
  std::string holder;          // the program that has it open: "minicom (process 1234)"
};

// The facts about `device` for the user this process runs as. `busy`: the port itself reported
// that another program holds the device (its lock, or an exclusive open).
DeviceFacts ExamineDevice(const std::string& device, bool busy);

// The system's reason in its own words ("Permission denied"), with the holder when one was
// found; empty when the facts hold none.
std::string DeviceReason(const DeviceFacts& facts);

// What the user can do, in one or two sentences; empty when there is no advice to give.
std::string DeviceWayOn(const std::string& device, const DeviceFacts& facts);

}  // namespace qv
