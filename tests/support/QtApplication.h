#pragma once
// The one QApplication that widget tests need; made on first use, on the offscreen platform
// that the test run selects.
#include <QApplication>

namespace qv::test {

inline void EnsureQApplication() {
  static int argc = 1;
  static char name[] = "qv_ui_tests";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

}  // namespace qv::test
