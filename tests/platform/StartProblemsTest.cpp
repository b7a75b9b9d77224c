// What the program finds out when it cannot start as asked: why a serial device does not open
// and what the user can do (the messages as a user meets them: the executable's tests), and which
// copy holds the lock against a second one.
#include <errno.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <fcntl.h>

#include <string>
#include <tuple>

#include "platform/LockHolder.h"
#include "platform/SerialDeviceCheck.h"
#include "tests/foundation/TestFiles.h"

namespace qv {
namespace {

TEST(SerialDeviceCheck, TheWayOnFitsTheReason) {
  // errno, group, the group may use it, the user is listed in it, holder; reason; way on.
  const std::tuple<int, std::string, bool, bool, std::string, std::string, std::string> cases[] = {
      {ENOENT, "", false, false, "", "No such file or directory",
       "Plug in the adapter, or set PORTNAME in QV_CONFIG.TXT to the controllers' serial device "
       "(ls /dev/serial/by-id names the USB adapters)."},
      {EACCES, "dialout", true, false, "", "Permission denied",
       "Add yourself to the group that owns /dev/ttyUSB0 (dialout) and log in again: sudo "
       "usermod -aG dialout alice"},
      {EACCES, "dialout", true, true, "", "Permission denied",
       "You are in the group that owns /dev/ttyUSB0 (dialout), but this login began before you "
       "were: log in again."},
      {EACCES, "root", false, false, "", "Permission denied",
       "Only the owner of /dev/ttyUSB0 may use it: a udev rule can give it to a group of yours "
       "(see SERIAL PORTS in man quorvalin)."},
      {EBUSY, "dialout", true, true, "minicom (process 42)",
       "Device or resource busy (minicom (process 42) has it open)",
       "End minicom (process 42), or set PORTNAME in QV_CONFIG.TXT to another device."},
      {EBUSY, "dialout", true, true, "", "Device or resource busy",
       "Another program has it open: end it (fuser -v /dev/ttyUSB0 names it), or set PORTNAME in "
       "QV_CONFIG.TXT to another device."},
      {0, "dialout", true, true, "", "", ""},
  };
  for (const auto& [error, group, groupMayUse, listed, holder, reason, wayOn] : cases) {
    SCOPED_TRACE(std::to_string(error) + " " + group + " " + reason);
    const DeviceFacts facts{error, group, groupMayUse, listed, "alice", holder};
    EXPECT_EQ(DeviceReason(facts), reason);
    EXPECT_EQ(DeviceWayOn("/dev/ttyUSB0", facts), wayOn);
  }
  EXPECT_EQ(ExamineDevice("/nonexistent/ttyUSB0", false).error, ENOENT);
}

// The holder is found in the kernel's lock table, with its command line.
TEST(LockHolder, TheCopyHoldingTheLockIsNamedWithItsCommandLine) {
  test::TempFolder folder;
  EXPECT_EQ(InstanceLockHolder(folder.Dir()), "");
  const int fd = open(folder.File("quorvalin.lock").c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
  const std::string holder = InstanceLockHolder(folder.Dir());
  EXPECT_EQ(holder.rfind("process " + std::to_string(getpid()) + " (", 0), 0u) << holder;
  EXPECT_NE(holder.find("qv_platform_tests"), std::string::npos) << holder;
  close(fd);
  EXPECT_EQ(InstanceLockHolder(folder.Dir()), "");
}

}  // namespace
}  // namespace qv
