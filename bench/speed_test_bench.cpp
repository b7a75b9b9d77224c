// The limit-loop and scan speed tests of the stage against quorvalin-sim at 9600 baud over a
// pseudo-terminal: the times the tests report beside the time that the simulator's motions and
// the wire bytes of their exchanges need (target: within 5 %).
// usage: qv_speed_test_bench SIMULATOR SOURCE_DIR
#include <QCoreApplication>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/Console.h"
#include "app/System.h"
#include "bench/DemoLine.h"
#include "commands/SpeedTests.h"
#include "platform/QtSerialPort.h"
#include "sim/SimConfig.h"

namespace {

constexpr double kByteSeconds = 10.0 / 9600.0;  // 8N1: ten bits a byte
constexpr double kPollGapSeconds = 0.0011;      // WAITPOLLINGINTERVAL 1: "more than 1 ms"
constexpr int kLimitSpeed = 40000;              // microsteps/s asked for both axes

// Wire times of an EZHR17 exchange: "/", address, command, CR; FF "/0", status, data, ETX CR LF.
double Sent(const std::string& command) {
  return static_cast<double>(2 + command.size() + 1) * kByteSeconds;
}
double Received(const std::string& data) {
  return static_cast<double>(3 + 1 + data.size() + 3) * kByteSeconds;
}
double Exchange(const std::string& command, const std::string& data) {
  return Sent(command) + Received(data);
}

struct AxisModel {
  double travel;  // microsteps between the ends
  double width;   // microsteps over which an end sensor is active
  double start;   // microsteps from the low end at power-up
  double play;    // microsteps of backlash
  double slew;    // microsteps/s, the configured top speed
};

// One run to a limit: the saved top speed read, the limits, the endless move, the motion, the
// poll that finds the limit, the stop, the top speed back and the position.
double LimitLeg(double steps, double speed, double slew) {
  const std::string v = "V" + std::to_string(static_cast<long>(speed)) + "P0R";
  const double poll = Exchange("?4", "0");
  return Exchange("?2", std::to_string(static_cast<long>(slew))) + poll + Sent(v) + steps / speed +
         poll + Exchange("T", "") +
         Exchange("V" + std::to_string(static_cast<long>(slew)) + "R", "") +
         Exchange("?0", "123456");
}

double LimitLoopNeeded(const AxisModel& x, const AxisModel& y) {
  const double highX = x.travel - x.width - x.start, highY = y.travel - y.width - y.start;
  const double fullX = x.travel - 2 * x.width + x.play, fullY = y.travel - 2 * y.width + y.play;
  return LimitLeg(highX, kLimitSpeed, x.slew) + LimitLeg(highY, kLimitSpeed, y.slew) +
         LimitLeg(fullX, kLimitSpeed, x.slew) + LimitLeg(fullY, kLimitSpeed, y.slew);
}

// One relative move and its wait: the command, the motion from its arrival, then on average half
// a poll cycle before the poll that finds the unit still, and that poll's reply.
double ScanMove(double steps, double slew) {
  const std::string command = "P" + std::to_string(std::lround(steps)) + "R";
  const double cycle = Exchange("Q", "") + kPollGapSeconds;
  return Sent(command) + std::max(steps / slew, Received("")) + cycle / 2 + Received("");
}

// The milliseconds in a result text: the number before " ms" or " msec".
double ReportedMs(const std::string& text, const std::string& before, const std::string& unit) {
  const size_t from = text.find(before) + before.size();
  return std::atof(text.substr(from, text.find(unit, from) - from).c_str());
}

void Print(const char* what, const std::string& result, double reportedMs, double neededMs) {
  std::printf("%s: \"%s\"\n  reported %.0f ms, predicted %.1f ms, difference %+.2f %%\n", what,
              result.c_str(), reportedMs, neededMs, 100 * (reportedMs - neededMs) / neededMs);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: qv_speed_test_bench SIMULATOR SOURCE_DIR\n");
    return 2;
  }
  std::optional<bench::DemoLine> demo;
  demo.emplace(argv[1], argv[2], "qv-speed-bench");
  const sim::LinePlan plan = sim::ReadLinePlan(demo->Folder());

  std::ostringstream silent;
  qv::ConsoleFrontEnd front(silent);
  qv::SystemClock clock;
  qv::QtSerialPort port;
  qv::System system(qv::Platform{front, clock, front, port});
  const int16_t started = system.InitSystem(demo->Folder());

  std::deque<std::string> answers;
  qv::SpeedTests tests(
      qv::SpeedTestDevices{system.stage, system.motors, system.wheels, system.cube, clock},
      [&](const std::string&, const std::string&) -> std::optional<std::string> {
        if (answers.empty()) return std::nullopt;
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
      },
      {});
  auto model = [&](sim::Role role, const qv::StageAxisParams& par) {
    for (const sim::UnitPlan& unit : plan.units) {
      if (unit.role == role) {
        return AxisModel{
            static_cast<double>(unit.axis.travel), static_cast<double>(unit.axis.sensorWidth),
            static_cast<double>(unit.axis.startPosition), static_cast<double>(unit.axis.backlash),
            static_cast<double>(par.profile.slewVelocity)};
      }
    }
    return AxisModel{};
  };
  const AxisModel x = model(sim::Role::X, system.stage.Params().X);
  const AxisModel y = model(sim::Role::Y, system.stage.Params().Y);

  const std::string speed = std::to_string(kLimitSpeed);
  answers = {speed, speed, "1"};
  const std::string loop = tests.LimitLoop();
  const double loopNeeded = 1000 * LimitLoopNeeded(x, y);
  const double loopMs = ReportedMs(loop, "rep ", " ms");

  // Ten by ten fields 500 microns apart along X: nine lines of nine X moves and a Y move.
  constexpr int kFields = 10;
  constexpr double kStepUm = 500;
  answers = {std::to_string(kFields), std::to_string(kFields), "500", "500", "0"};
  const std::string scan = tests.Scan();
  const double stepsX = kStepUm / system.stage.XUmPerStep();
  const double stepsY = kStepUm / system.stage.YUmPerStep();
  const double scanNeeded =
      1000 * (kFields - 1) * ((kFields - 1) * ScanMove(stepsX, x.slew) + ScanMove(stepsY, y.slew));
  const std::string scanHead = std::to_string(static_cast<int>(kStepUm));
  const double scanMs = ReportedMs(scan, scanHead + " *" + " " + scanHead, " msec");
  system.stage.XYWait();

  system.Shutdown();
  demo.reset();  // the simulator stops before the results are printed

  Print("limit loop, 1 repetition at 40000 microsteps/s", loop, loopMs, loopNeeded);
  Print("scan, 10 x 10 fields of 500 microns along X", scan, scanMs, scanNeeded);
  const bool pass = started == 1 && loop.rfind(" 1 rep ", 0) == 0 &&
                    scan.rfind(" 10 * 10", 0) == 0 &&
                    std::abs(loopMs - loopNeeded) <= 0.05 * loopNeeded &&
                    std::abs(scanMs - scanNeeded) <= 0.05 * scanNeeded;
  std::printf("%s (target within 5 %%)\n", pass ? "PASS" : "FAIL");
  return pass ? 0 : 1;
}
