// quorvalin-sim: the controllers of one serial line, behind a pseudo-terminal that the program
// opens like a serial port.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "foundation/ProgramFiles.h"
#include "foundation/Version.h"
#include "sim/Faults.h"
#include "sim/Line.h"
#include "sim/SimConfig.h"

namespace {

constexpr const char* kUsage =
    "usage: quorvalin-sim [--dir DIR] --link PATH [--time-scale N] [--baud B] [--latency MS]\n"
    "                     [--faults SPEC] [--seed S] [--strict-busy]\n"
    "       quorvalin-sim --version | --help\n"
    "\n"
    "Simulates the motor controllers of the program folder DIR (QV_CONFIG.TXT CONTRTYPE and the\n"
    "unit addresses of the device files) on a pseudo-terminal and makes PATH a symbolic link to\n"
    "it. Runs until SIGINT or SIGTERM, then removes the link. Without --dir it simulates the\n"
    "EZHR17 demonstration microscope (share/quorvalin/demo beside the program's bin folder).\n"
    "\n"
    "  --version       print the version and end\n"
    "  --help          print this text and end\n"
    "  --time-scale N  motions run N times faster (default 1)\n"
    "  --baud B        bytes take 10 bits of wire time at B baud, both ways (default: none)\n"
    "  --latency MS    every reply starts MS milliseconds later (a USB adapter: 16)\n"
    "  --seed S        seed of random faults and garbage bytes (default 1)\n"
    "  --strict-busy   EZHR17: a run command during a run also fails with error 15\n"
    "  --faults SPEC   comma-separated items ADDR:KIND[=VALUE][#COUNT] or *:random=RATE\n"
    "      ADDR  a unit's address character, or * for every unit\n"
    "      KIND  noreply        the command runs, the reply is lost\n"
    "            late[=MS]      the reply comes MS later (300)\n"
    "            pieces[=MS]    the reply comes in two halves MS apart (20)\n"
    "            badframe       EZHR17: damaged \"/0\"; IM483I: echo in the wrong letter case\n"
    "            error[=CODE]   refused: EZHR17 error status CODE (9); IM483I echo and \"?\"\n"
    "            garbage[=N]    N noise bytes before the reply (4)\n"
    "            nonumber       letters for the digits of a query's answer\n"
    "      #COUNT only the next COUNT replies of that unit\n"
    "      *:random=RATE  each reply gets a random fault with probability RATE (0..1)\n"
    "      example: 3:noreply#1,5:late=300,*:random=0.05\n";

struct Options {
  std::string dir;
  std::string link;
  double timeScale = 1;
  int baud = 0;
  double latencyMs = 0;
  uint32_t seed = 1;
  bool strictBusy = false;
  sim::FaultPlan faults;
};

volatile sig_atomic_t gStop = 0;
void OnSignal(int) {
  gStop = 1;
}

template <class T>
bool ParseNumber(const std::string& text, T& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

// 0 to run, 1 after --help, 2 with `error` set, 3 after --version.
int ParseArguments(int argc, char** argv, Options& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") return 1;
    if (arg == "--version") return 3;
    if (arg == "--strict-busy") {
      options.strictBusy = true;
      continue;
    }
    if (i + 1 >= argc) {
      error = arg.rfind("--", 0) == 0 ? arg + " needs a value" : "unknown argument " + arg;
      return 2;
    }
    const std::string value = argv[++i];
    bool ok = true;
    if (arg == "--dir") {
      options.dir = value;
    } else if (arg == "--link") {
      options.link = value;
    } else if (arg == "--time-scale") {
      ok = ParseNumber(value, options.timeScale) && options.timeScale > 0 &&
           options.timeScale <= 1e6;
    } else if (arg == "--baud") {
      ok = ParseNumber(value, options.baud) && options.baud >= 0 && options.baud <= 10'000'000;
    } else if (arg == "--latency") {
      ok = ParseNumber(value, options.latencyMs) && options.latencyMs >= 0 &&
           options.latencyMs <= 60000;
    } else if (arg == "--seed") {
      ok = ParseNumber(value, options.seed);
    } else if (arg == "--faults") {
      std::string why;
      if (!sim::ParseFaultSpec(value, options.faults, why)) {
        error = "--faults: " + why;
        return 2;
      }
    } else {
      error = "unknown argument " + arg;
      return 2;
    }
    if (!ok) {
      error = "bad value \"" + value + "\" for " + arg;
      return 2;
    }
  }
  if (options.link.empty()) {
    error = "--link is required";
    return 2;
  }
  if (options.dir.empty()) options.dir = qv::DemoFolder(qv::ExecutableFolder(), "ezhr17").string();
  struct stat info {};
  if (stat(options.dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    error = "--dir " + options.dir + " is not a folder";
    return 2;
  }
  return 0;
}

struct Pty {
  int master = -1;
  int slave = -1;  // kept open so the line survives between the program's sessions
  std::string name;
};

bool OpenPty(Pty& pty, std::string& error) {
  pty.master = posix_openpt(O_RDWR | O_NOCTTY);
  if (pty.master < 0 || grantpt(pty.master) != 0 || unlockpt(pty.master) != 0) {
    error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
    return false;
  }
  const char* name = ptsname(pty.master);
  if (name == nullptr) {
    error = "cannot name the pseudo-terminal";
    return false;
  }
  pty.name = name;
  pty.slave = open(name, O_RDWR | O_NOCTTY);
  termios tio{};
  if (pty.slave < 0 || tcgetattr(pty.slave, &tio) != 0) {
    error = "cannot open " + pty.name + ": " + std::strerror(errno);
    return false;
  }
  cfmakeraw(&tio);  // no echo, no CR/LF translation: the frames pass byte for byte
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  tcsetattr(pty.slave, TCSANOW, &tio);
  fcntl(pty.master, F_SETFL, fcntl(pty.master, F_GETFL) | O_NONBLOCK);
  return true;
}

bool PublishLink(const std::string& link, const std::string& target, std::string& error) {
  struct stat info {};
  if (lstat(link.c_str(), &info) == 0) {
    if (!S_ISLNK(info.st_mode)) {
      error = "refusing to replace " + link + ": it is not a symbolic link";
      return false;
    }
    unlink(link.c_str());  // a stale link of an earlier run
  }
  if (symlink(target.c_str(), link.c_str()) != 0) {
    error = "cannot create the link " + link + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

void RemoveLink(const std::string& link, const std::string& target) {
  char buffer[4096];
  const ssize_t n = readlink(link.c_str(), buffer, sizeof buffer);
  if (n > 0 && std::string(buffer, static_cast<size_t>(n)) == target) unlink(link.c_str());
}

sim::Micros Now(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

// Answers until a stop signal: blocks in ppoll until bytes come or the next byte is due.
void Serve(sim::Line& line, int master, const sigset_t& waitMask) {
  const auto start = std::chrono::steady_clock::now();
  std::string pending;  // reply bytes due but not yet taken by the pseudo-terminal
  while (!gStop) {
    const sim::Micros now = Now(start);
    pending += line.TakeDue(now);
    if (!pending.empty()) {
      const ssize_t n = write(master, pending.data(), pending.size());
      if (n > 0) pending.erase(0, static_cast<size_t>(n));
    }
    const sim::Micros next = line.NextEventTime();
    timespec timeout{};
    timespec* wait = nullptr;
    if (next != sim::kNever) {
      const sim::Micros delta = std::max<sim::Micros>(0, next - Now(start));
      timeout.tv_sec = delta / 1'000'000;
      timeout.tv_nsec = (delta % 1'000'000) * 1000;
      wait = &timeout;
    }
    pollfd fd{master, static_cast<short>(POLLIN | (pending.empty() ? 0 : POLLOUT)), 0};
    const int ready = ppoll(&fd, 1, wait, &waitMask);
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0 && (fd.revents & POLLIN)) {
      char buffer[4096];
      const ssize_t n = read(master, buffer, sizeof buffer);
      if (n > 0) line.Receive(std::string_view(buffer, static_cast<size_t>(n)), Now(start));
    }
    if (ready > 0 && (fd.revents & (POLLHUP | POLLERR)) && !(fd.revents & POLLIN)) {
      usleep(10000);  // nobody on the other side; do not spin while waiting for one
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  const int parsed = ParseArguments(argc, argv, options, error);
  if (parsed == 1) {
    std::cout << kUsage;
    return 0;
  }
  if (parsed == 3) {
    std::cout << "quorvalin-sim " << qv::kProgramVersion << '\n';
    return 0;
  }
  if (parsed == 2) {
    std::cerr << "quorvalin-sim: " << error << "\n" << kUsage;
    return 2;
  }

  const sim::LinePlan plan = sim::ReadLinePlan(options.dir);
  for (const std::string& warning : plan.warnings)
    std::cerr << "quorvalin-sim: " << warning << "\n";
  sim::LineOptions lineOptions;
  lineOptions.baud = options.baud;
  lineOptions.latency = static_cast<sim::Micros>(options.latencyMs * 1000);
  lineOptions.seed = options.seed;
  lineOptions.strictBusy = options.strictBusy;
  sim::Line line(plan.type, lineOptions);
  sim::AddUnits(line, plan, options.timeScale);
  line.ApplyFaultPlan(options.faults);

  // The stop signals stay blocked except inside ppoll, so none is lost between two waits.
  sigset_t blocked, waitMask;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGINT);
  sigaddset(&blocked, SIGTERM);
  sigprocmask(SIG_BLOCK, &blocked, &waitMask);
  sigdelset(&waitMask, SIGINT);
  sigdelset(&waitMask, SIGTERM);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  Pty pty;
  if (!OpenPty(pty, error) || !PublishLink(options.link, pty.name, error)) {
    std::cerr << "quorvalin-sim: " << error << "\n";
    return 1;
  }
  std::cout << "quorvalin-sim: " << (plan.type == sim::ControllerType::EZHR17 ? "EZHR17" : "IM483I")
            << " units";
  for (const sim::UnitPlan& unit : plan.units) {
    std::cout << ' ' << sim::RoleName(unit.role) << '=' << unit.address;
  }
  std::cout << " on " << pty.name << " linked as " << options.link << std::endl;

  Serve(line, pty.master, waitMask);

  RemoveLink(options.link, pty.name);
  close(pty.slave);
  close(pty.master);
  return 0;
}
