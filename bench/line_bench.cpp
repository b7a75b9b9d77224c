// Benchmarks of the controller line over a real pseudo-terminal with quorvalin-sim on the other
// side:
//   1. the cost of one exchange without byte pacing (target: under 0.2 ms);
//   2. 1,000 exchanges at --baud 9600 against the wire time of their bytes (target: within 3 %);
//   3. the processor time of waiting 5 s for a simulated motion (target: under 5 % of a core).
// usage: qv_line_bench SIMULATOR [exchanges]
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "controllers/Comm.h"
#include "controllers/MotorControllers.h"
#include "platform/QtSerialPort.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// utime + stime of another process, from /proc.
double ChildCpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string field;
  for (int i = 1; i <= 13 && stat >> field; ++i) {
  }
  long utime = 0, stime = 0;
  stat >> utime >> stime;
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

class Simulator {
 public:
  Simulator(const std::string& program, const std::string& folder, const std::string& link,
            const std::vector<std::string>& extra) {
    std::vector<std::string> args = {program, "--dir", folder, "--link", link};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& a : args)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv.data(), environ);
    for (int i = 0; i < 250 && !std::filesystem::exists(link); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  ~Simulator() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

struct Line {
  explicit Line(const std::string& link) {
    port.Open(link);
    comm.CommInit();
    comm.CommSetTimeout(2000);
    motors.MotorInitChannel();
    motors.MotorSetMoveTimeout(60);
  }
  qv::SystemClock clock;
  qv::QtSerialPort port;
  qv::Comm comm{port, clock};
  qv::EventPump pump;
  std::string contrType = "EZHR17";
  int16_t pollingMs = 50;
  qv::MotorControllers motors{comm, clock, pump, contrType, pollingMs};
};

void WriteFolder(const std::string& folder) {
  std::ofstream(folder + "/QV_CONFIG.TXT") << "\"CONTRTYPE\",EZHR17\r\n";
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);  // the serial port's notifiers need one
  if (argc < 2) {
    std::fprintf(stderr, "usage: qv_line_bench SIMULATOR [exchanges]\n");
    return 2;
  }
  const std::string simulator = argv[1];
  const int exchanges = argc > 2 ? std::atoi(argv[2]) : 1000;
  const std::string folder =
      std::filesystem::temp_directory_path() / ("qv-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  WriteFolder(folder);
  const std::string link = folder + "/line";
  bool pass = true;

  {  // 1. unpaced exchanges
    Simulator sim(simulator, folder, link, {});
    Line line(link);
    double position = 0;
    line.motors.MotorReadPos('1', position);  // warm up
    const auto t0 = Clock::now();
    for (int i = 0; i < exchanges; ++i)
      line.motors.MotorReadPos('1', position);
    const double each =
        std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / exchanges;
    std::printf("unpaced exchange: %.3f ms each over %d exchanges (target < 0.2 ms)\n", each,
                exchanges);
    pass &= each < 0.2;
  }
  {  // 2. paced at 9600 baud: 10 bits a byte
    Simulator sim(simulator, folder, link, {"--baud", "9600"});
    Line line(link);
    double position = 0;
    line.motors.MotorReadPos('1', position);
    const std::string sent = "/1?0\r";
    const std::string reply = "\xFF/0`" + std::to_string(static_cast<long>(position)) + "\x03\r\n";
    const double wire = exchanges * (sent.size() + reply.size()) * 10.0 / 9600.0;
    const auto t0 = Clock::now();
    for (int i = 0; i < exchanges; ++i)
      line.motors.MotorReadPos('1', position);
    const double took = std::chrono::duration<double>(Clock::now() - t0).count();
    const double off = (took - wire) / wire * 100.0;
    std::printf(
        "paced 9600 baud: %d exchanges in %.3f s, wire time %.3f s, %+.2f %% (target "
        "within 3 %%)\n",
        exchanges, took, wire, off);
    pass &= off < 3.0 && off > -3.0;
  }
  {  // 3. waiting for a 5 s motion
    Simulator sim(simulator, folder, link, {});
    Line line(link);
    line.motors.MotorSetSlewSpeed('1', 1000);
    const double cpu0 = CpuSeconds();
    const double simCpu0 = ChildCpuSeconds(sim.Pid());
    const auto t0 = Clock::now();
    line.motors.MotorMoveRel('1', 5000);
    const qv::Result waited = line.motors.MotorWaitMoveEnd('1');
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = (CpuSeconds() - cpu0) / wall * 100.0;
    const double simCpu = (ChildCpuSeconds(sim.Pid()) - simCpu0) / wall * 100.0;
    std::printf(
        "motion wait: %s after %.2f s; program %.2f %% of a core, simulator "
        "%.2f %% (target < 5 %%)\n",
        std::string(qv::CauseName(waited.cause())).c_str(), wall, cpu, simCpu);
    pass &= waited.ok() && wall > 4.5 && cpu < 5.0;
  }
  std::filesystem::remove_all(folder);
  std::printf("%s\n", pass ? "PASS" : "FAIL");
  return pass ? 0 : 1;
}
