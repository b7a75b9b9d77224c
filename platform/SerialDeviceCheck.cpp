#include "platform/SerialDeviceCheck.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace qv {

namespace {

namespace fs = std::filesystem;

// The first other process that has the character device `device` open, as "NAME (process
// PID)". Only the processes whose descriptors this user may see are searched.
std::string Holder(const struct stat& device) {
  std::error_code error;
  const std::string self = std::to_string(getpid());
  for (const fs::directory_entry& process : fs::directory_iterator("/proc", error)) {
    const std::string pid = process.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
    std::error_code hidden;
    for (const fs::directory_entry& fd : fs::directory_iterator(process.path() / "fd", hidden)) {
      struct stat open {};
      if (stat(fd.path().c_str(), &open) != 0 || !S_ISCHR(open.st_mode) ||
          open.st_rdev != device.st_rdev) {
        continue;
      }
      std::string name;
      std::getline(std::ifstream(process.path() / "comm"), name);
      return name + " (process " + pid + ")";
    }
  }
  return {};
}

}  // namespace

DeviceFacts ExamineDevice(const std::string& device, bool busy) {
  DeviceFacts facts;
  const passwd* me = getpwuid(geteuid());
  if (me != nullptr) facts.user = me->pw_name;
  struct stat info {};
  if (stat(device.c_str(), &info) != 0) {
    facts.error = errno;
    return facts;
  }
  if (const group* owner = getgrgid(info.st_gid)) {
    facts.group = owner->gr_name;
    for (char** member = owner->gr_mem; *member != nullptr; ++member)
      facts.listedInGroup = facts.listedInGroup || facts.user == *member;
    facts.listedInGroup = facts.listedInGroup || (me != nullptr && me->pw_gid == info.st_gid);
  }
  facts.groupMayUse = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
  if (faccessat(AT_FDCWD, device.c_str(), R_OK | W_OK, AT_EACCESS) != 0) {
    facts.error = errno;
  } else if (busy) {
    facts.error = EBUSY;
    if (S_ISCHR(info.st_mode)) facts.holder = Holder(info);
  }
  return facts;
}

std::string DeviceReason(const DeviceFacts& facts) {
  if (facts.error == 0) return {};
  std::string reason = std::strerror(facts.error);
  if (!facts.holder.empty()) reason += " (" + facts.holder + " has it open)";
  return reason;
}

std::string DeviceWayOn(const std::string& device, const DeviceFacts& facts) {
  const std::string elsewhere =
      "set PORTNAME in QV_CONFIG.TXT to the controllers' serial device "
      "(ls /dev/serial/by-id names the USB adapters).";
  switch (facts.error) {
    case 0:
      return {};
    case ENOENT:
    case ENOTDIR:
      return "Plug in the adapter, or " + elsewhere;
    case EACCES:
    case EPERM:
      if (!facts.groupMayUse || facts.group.empty()) {
        return "Only the owner of " + device +
               " may use it: a udev rule can give it to a group of yours (see SERIAL PORTS in "
               "man quorvalin).";
      }
      if (facts.listedInGroup) {
        return "You are in the group that owns " + device + " (" + facts.group +
               "), but this login began before you were: log in again.";
      }
      return "Add yourself to the group that owns " + device + " (" + facts.group +
             ") and log in again: sudo usermod -aG " + facts.group + " " +
             (facts.user.empty() ? "$USER" : facts.user);
    case EBUSY:
      return (facts.holder.empty()
                  ? "Another program has it open: end it (fuser -v " + device + " names it), or "
                  : "End " + facts.holder + ", or ") +
             "set PORTNAME in QV_CONFIG.TXT to another device.";
    default:
      return "Check that it is the controllers' line, or " + elsewhere;
  }
}

}  // namespace qv
