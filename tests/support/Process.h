#pragma once
// Runs a program of this build as a user would: arguments, changes to the environment, standard
// input from a text, signals, and standard output and error collected, with a time limit.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace qv::test {

struct ProcessResult {
  int exitCode = -1;  // -1 when it had to be killed
  std::string out;
  std::string err;
};

class Process {
 public:
  // `extraEnv`: "NAME=value" replaces NAME, a bare "NAME" removes it.
  Process(const std::string& program, const std::vector<std::string>& args,
          const std::vector<std::string>& extraEnv = {}) {
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err)) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    for (int fd : {in[1], out[0], err[0], in[0], out[1], err[1]}) {
      posix_spawn_file_actions_addclose(&actions, fd);
    }
    std::vector<std::string> argStore{program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStore;
    const auto name = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    for (char** e = environ; *e; ++e) {
      bool changed = false;
      for (const std::string& x : extraEnv)
        changed |= name(x) == name(*e);
      if (!changed) envStore.emplace_back(*e);
    }
    for (const std::string& x : extraEnv) {
      if (x.find('=') != std::string::npos) envStore.push_back(x);
    }
    std::vector<char*> envp;
    for (auto& e : envStore)
      envp.push_back(e.data());
    envp.push_back(nullptr);
    // A process group of its own, as a shell gives a job: a signal to the group (a terminal's
    // Ctrl-C) reaches the program and what it started.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    if (posix_spawn(&pid_, program.c_str(), &actions, &attributes, argv.data(), envp.data()) != 0) {
      throw std::runtime_error("cannot start " + program);
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    inFd_ = in[1];
    outFd_ = out[0];
    errFd_ = err[0];
    signal(SIGPIPE, SIG_IGN);
  }
  ~Process() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    for (int fd : {inFd_, outFd_, errFd_}) {
      if (fd >= 0) close(fd);
    }
  }

  pid_t Pid() const { return pid_; }

  void Write(const std::string& text) {
    if (::write(inFd_, text.data(), text.size()) < 0) throw std::runtime_error("write");
  }
  void CloseInput() {
    close(inFd_);
    inFd_ = -1;
  }
  void Signal(int number) { kill(pid_, number); }
  // To the program's process group, as Ctrl-C in its terminal.
  void SignalGroup(int number) { kill(-pid_, number); }

  // Reads both outputs until standard output (or error) holds `text`; false after `limit`.
  bool WaitFor(const std::string& text, bool onError = false,
               std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    const std::string& seen = onError ? early_.err : early_.out;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (seen.find(text) == std::string::npos) {
      if (!ReadSome(early_, deadline)) return false;
    }
    return true;
  }

  // What WaitFor has read of standard output.
  const std::string& OutSoFar() const { return early_.out; }

  // Waits for the end, reading both outputs; kills the program after `limit`.
  ProcessResult Finish(std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    if (inFd_ >= 0) CloseInput();
    ProcessResult result = std::move(early_);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (ReadSome(result, deadline)) {
    }
    int status = 0;
    if (outFd_ >= 0 || errFd_ >= 0) kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
    pid_ = -1;
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    return result;
  }

 private:
  static void Drain(const pollfd& p, int& fd, std::string& into) {
    if (fd < 0 || !(p.revents & (POLLIN | POLLHUP))) return;
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      into.append(buffer, static_cast<size_t>(n));
    } else {
      close(fd);
      fd = -1;
    }
  }

  // One read from whichever output has bytes; false when both are closed or time is up.
  bool ReadSome(ProcessResult& into, std::chrono::steady_clock::time_point deadline) {
    if (outFd_ < 0 && errFd_ < 0) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (poll(fds, 2, static_cast<int>(left.count())) <= 0) return true;
    Drain(fds[0], outFd_, into.out);
    Drain(fds[1], errFd_, into.err);
    return true;
  }

  pid_t pid_ = -1;
  int inFd_ = -1, outFd_ = -1, errFd_ = -1;
  ProcessResult early_;  // what WaitFor read before Finish
};

}  // namespace qv::test
