#pragma once
// The one QApplication that widget tests need; made on first use, on the offscreen platform
// that the test run selects.
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace qv::test {

// The names of this process's threads other than the calling one.
inline std::vector<std::string> OtherThreadNames() {
  std::vector<std::string> names;
  const std::string self = std::to_string(gettid());
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    if (task.path().filename() == self) continue;
    std::ifstream comm(task.path() / "comm");
    std::getline(comm, names.emplace_back());
  }
  return names;
}

// Deletes the application when the run ends. Its destructor stops the threads Qt's painting
// started, so the process ends with its main thread alone: LeakSanitizer's check at exit suspends
// every thread that is left, and its tracer has been seen to crash with idle painting threads.
class QApplicationTeardown : public ::testing::Environment {
 public:
  void TearDown() override {
    delete QCoreApplication::instance();
    // Qt waits for its threads' work, not for the threads themselves: each is gone a moment later.
    std::vector<std::string> left = OtherThreadNames();
    for (int wait = 0; wait < 200 && !left.empty(); ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      left = OtherThreadNames();
    }
    EXPECT_EQ(left, std::vector<std::string>{})
        << "threads still run 2 s after the application was deleted";
  }
};

inline void EnsureQApplication() {
  static int argc = 1;
  static char name[] = "qv_ui_tests";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() != nullptr) return;
  new QApplication(argc, argv);
  ::testing::AddGlobalTestEnvironment(new QApplicationTeardown);
}

}  // namespace qv::test
