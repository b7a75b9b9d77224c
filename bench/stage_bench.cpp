// 1,000 stage moves (absolute move, wait, position query) through the command language against
// quorvalin-sim at 9600 baud over a pseudo-terminal, compared with the time that their wire
// bytes and the simulated motions need (target: within 5 %).
// usage: qv_stage_bench SIMULATOR SOURCE_DIR [moves]
#include <QCoreApplication>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/Console.h"
#include "app/System.h"
#include "bench/DemoLine.h"
#include "platform/QtSerialPort.h"

namespace {

constexpr double kByteSeconds = 10.0 / 9600.0;  // 8N1: ten bits a byte
constexpr double kSlewSteps = 8000;             // XSLEWVELOCITY, YSLEWVELOCITY of the demo
constexpr double kUmPerStep = 0.625;            // the demo stage's scale

// Wire time of one exchange: the framed command and its reply.
double Exchange(const std::string& command, const std::string& replyData) {
  const size_t sent = 1 + 1 + command.size() + 1;        // "/", address, command, CR
  const size_t received = 3 + 1 + replyData.size() + 3;  // FF "/0", status, data, ETX CR LF
  return static_cast<double>(sent + received) * kByteSeconds;
}

// The time one cycle needs: both move commands, the longer motion (each axis starts when its
// command has arrived), one status poll for each axis after its motion, both position queries.
double Needed(long fromX, long fromY, long toX, long toY) {
  const double tx = Exchange("A" + std::to_string(toX) + "R", "");
  const double ty = Exchange("A" + std::to_string(toY) + "R", "");
  const double endX = tx + std::abs(toX - fromX) / kSlewSteps;
  const double endY = tx + ty + std::abs(toY - fromY) / kSlewSteps;
  const double poll = Exchange("Q", "");
  const double query = Exchange("?0", std::to_string(toX)) + Exchange("?0", std::to_string(toY));
  return std::max(endX, endY) + 2 * poll + query;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: qv_stage_bench SIMULATOR SOURCE_DIR [moves]\n");
    return 2;
  }
  const int moves = argc > 3 ? std::atoi(argv[3]) : 1000;
  std::optional<bench::DemoLine> demo;
  demo.emplace(argv[1], argv[2], "qv-stage-bench");

  std::ostringstream silent;
  qv::ConsoleFrontEnd front(silent);
  qv::SystemClock clock;
  qv::QtSerialPort port;
  qv::System system(qv::Platform{front, clock, front, port});
  const int16_t started = system.InitSystem(demo->Folder());
  system.ExecuteLine("XY 0 0;XY Wait");

  double needed = 0;
  long x = 0, y = 0;
  bool allOk = started == 1;
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < moves; ++i) {
    const double toXum = (i % 2 == 0) ? 1000 : 200 + (i % 7) * 100;
    const double toYum = (i % 2 == 0) ? 500 : 100 + (i % 5) * 50;
    const long toX = std::lround(toXum / kUmPerStep);
    const long toY = std::lround(toYum / kUmPerStep);
    std::ostringstream line;
    line << "XY " << toXum << " " << toYum << ";XY Wait;XY ?";
    const std::string reply = system.ExecuteLine(line.str());
    allOk &= reply.find("Error") == std::string::npos && reply.find("Off") == std::string::npos;
    needed += Needed(x, y, toX, toY);
    x = toX;
    y = toY;
  }
  const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  system.Shutdown();
  demo.reset();  // the simulator stops before the results are printed

  const double ratio = took / needed;
  std::printf(
      "%d stage moves at 9600 baud: %.3f s, wire bytes and motions need %.3f s, ratio "
      "%.4f (target within 5 %%)%s\n",
      moves, took, needed, ratio, allOk ? "" : "  [some commands failed]");
  const bool pass = allOk && std::abs(ratio - 1) <= 0.05;
  std::printf("%s\n", pass ? "PASS" : "FAIL");
  return pass ? 0 : 1;
}
