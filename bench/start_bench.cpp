// Start-ups on a noisy line: the program starts N times on each demonstration microscope, its
// simulated line injecting faults as `quorvalin-sim --faults *:random=RATE` does (a fresh seed
// each start, 9600 baud, the simulator in process on a clock that moves only when the program
// waits), and counts the devices that came up ready (target at a rate of 0.02: every device
// ready in at least 99 % of the starts).
// usage: qv_start_bench SOURCE_DIR [starts] [rate]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/System.h"
#include "sim/Loopback.h"
#include "sim/SimConfig.h"

namespace {

struct Tally {
  int starts = 0;
  int allReady = 0;
  int retries = 0;             // exchanges made once more
  std::vector<int> ready;      // per device of the device table
  std::vector<int> installed;  // the same
};

// One start on a private copy of `source`: adds its outcome to `tally`.
void StartOnce(const std::filesystem::path& source, uint32_t seed, double rate, Tally& tally) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("qv-start-bench-" + std::to_string(getpid()) + "-" + std::to_string(seed));
  std::filesystem::create_directories(folder);
  for (const auto& entry : std::filesystem::directory_iterator(source))
    std::filesystem::copy(entry.path(), folder / entry.path().filename());
  const sim::LinePlan plan = sim::ReadLinePlan(folder.string());
  sim::Line line(plan.type, sim::LineOptions{.baud = 9600, .seed = seed});
  sim::AddUnits(line, plan);
  line.SetRandomFaults(rate);
  sim::SimClock clock;
  sim::LoopbackPort port(line, clock);
  qv::SilentNotifier notifier;
  qv::FrontEnd front;
  qv::System system(qv::Platform{notifier, clock, front, port});
  system.InitSystem(folder.string());

  bool all = true;
  tally.ready.resize(qv::kDeviceTable.size());
  tally.installed.resize(qv::kDeviceTable.size());
  for (size_t i = 0; i < qv::kDeviceTable.size(); ++i) {
    const qv::DeviceRow& row = qv::kDeviceTable[i];
    if (system.state.Config.Installed[row.id] != 1) continue;
    ++tally.installed[i];
    const bool ready = system.state.Ready[row.id] == 1;
    tally.ready[i] += ready;
    all = all && ready;
  }
  const std::string log = system.comm.CommLogText();
  for (size_t at = 0; (at = log.find("Retrying ", at)) != std::string::npos; ++at)
    ++tally.retries;
  ++tally.starts;
  tally.allReady += all;
  std::filesystem::remove_all(folder);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: qv_start_bench SOURCE_DIR [starts] [rate]\n");
    return 2;
  }
  const int starts = argc > 2 ? std::atoi(argv[2]) : 1000;
  const double rate = argc > 3 ? std::atof(argv[3]) : 0.02;
  for (const char* demo : {"demo", "demo-im483i"}) {
    Tally tally;
    for (int i = 0; i < starts; ++i)
      StartOnce(std::filesystem::path(argv[1]) / "config" / demo, static_cast<uint32_t>(i + 1),
                rate, tally);
    std::printf(
        "%-12s %d starts at a fault rate of %.3f: every device ready in %d (%.1f %%), "
        "%.1f exchanges made again a start\n",
        demo, tally.starts, rate, tally.allReady, 100.0 * tally.allReady / tally.starts,
        static_cast<double>(tally.retries) / tally.starts);
    for (size_t i = 0; i < tally.ready.size(); ++i) {
      if (tally.installed[i] == 0) continue;
      std::printf("  %-6s ready in %5.1f %%\n", qv::kDeviceTable[i].word,
                  100.0 * tally.ready[i] / tally.installed[i]);
    }
  }
  return 0;
}
