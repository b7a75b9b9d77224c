#pragma once
// The one QApplication that widget tests need; made on first use, on the offscreen platform
// that the test run selects.
#include <QApplication>

#include <gtest/gtest.h>

namespace qv::test {

// Deletes the application when the run ends. Its destructor stops the threads Qt's painting
// started, so the process ends with its main thread alone: LeakSanitizer's check at exit suspends
// every thread that is left, and its tracer has been seen to crash with idle painting threads.
class QApplicationTeardown : public ::testing::Environment {
 public:
  void TearDown() override { delete QCoreApplication::instance(); }
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
