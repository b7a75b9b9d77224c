#pragma once
// A private X display for a test: Xvfb on a display number it picks itself, ended with the test.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

extern char** environ;

namespace qv::test {

class XvfbDisplay {
 public:
  // Starts `xvfb` (its path) and waits at most `waitMs` for it to accept clients.
  XvfbDisplay(const std::string& xvfb, int waitMs) {
    int ready[2];
    if (pipe(ready) != 0) return;
    const std::string fd = std::to_string(ready[1]);
    std::string args[] = {xvfb, "-displayfd", fd, "-nolisten", "tcp", "-screen", "0", "640x480x24"};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), args[4].data(),
                    args[5].data(), args[6].data(), args[7].data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, ready[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid_, xvfb.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(ready[1]);
    if (pid_ > 0) ReadDisplayNumber(ready[0], waitMs);
    close(ready[0]);
  }
  ~XvfbDisplay() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  XvfbDisplay(const XvfbDisplay&) = delete;
  XvfbDisplay& operator=(const XvfbDisplay&) = delete;

  // ":N", empty when the server did not come up.
  const std::string& Name() const { return name_; }

 private:
  void ReadDisplayNumber(int fd, int waitMs) {
    std::string number;
    pollfd p{fd, POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, waitMs) > 0 && read(fd, &c, 1) == 1 && c != '\n')
      number += c;
    if (c == '\n' && !number.empty()) name_ = ":" + number;
  }

  pid_t pid_ = -1;
  std::string name_;
};

}  // namespace qv::test
