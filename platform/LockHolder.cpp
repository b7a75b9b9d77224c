#include "platform/LockHolder.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace qv {

// A line: "1: FLOCK  ADVISORY  WRITE 1234 00:1a:5678 0 EOF"; the file is major:minor:inode, the
// device numbers in hex.
int LockHolderIn(std::string_view locks, unsigned deviceMajor, unsigned deviceMinor,
                 unsigned long inode) {
  std::istringstream lines{std::string(locks)};
  for (std::string line; std::getline(lines, line);) {
    char kind[16] = {}, mode[16] = {}, access[16] = {};
    int pid = 0;
    unsigned major = 0, minor = 0;
    unsigned long node = 0;
    if (std::sscanf(line.c_str(), "%*d: %15s %15s %15s %d %x:%x:%lu", kind, mode, access, &pid,
                    &major, &minor, &node) == 7 &&
        std::string_view(kind) == "FLOCK" && major == deviceMajor && minor == deviceMinor &&
        node == inode) {
      return pid;
    }
  }
  return 0;
}

std::string InstanceLockHolder(const std::string& lockFolder) {
  struct stat file {};
  if (stat((lockFolder + "/quorvalin.lock").c_str(), &file) != 0) return {};
  std::ostringstream locks;
  locks << std::ifstream("/proc/locks").rdbuf();
  const int pid = LockHolderIn(locks.str(), major(file.st_dev), minor(file.st_dev), file.st_ino);
  if (pid <= 0) return {};
  std::ostringstream arguments;
  arguments << std::ifstream("/proc/" + std::to_string(pid) + "/cmdline").rdbuf();
  std::string command = arguments.str();
  while (!command.empty() && command.back() == '\0')
    command.pop_back();
  for (char& c : command) {
    if (c == '\0') c = ' ';
  }
  return "process " + std::to_string(pid) + (command.empty() ? "" : " (" + command + ")");
}

}  // namespace qv
