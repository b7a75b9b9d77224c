// The real quorvalin-sim and its link to a pseudo-terminal (the program speaking to it over the
// link: the executable's tests).
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/Process.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

int ExitCode(const std::vector<std::string>& args) {
  return qv::test::Process(QV_SIM_EXECUTABLE, args).Finish().exitCode;
}

class SimExecutableTest : public ::testing::Test {
 protected:
  SimExecutableTest() {
    dir = fs::temp_directory_path() / ("qv-simexe-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "QV_CONFIG.TXT", std::ios::binary) << "\"CONTRTYPE\",EZHR17\r\n";
    link = dir / "line";
  }
  ~SimExecutableTest() override { fs::remove_all(dir); }

  fs::path dir;
  fs::path link;
};

TEST_F(SimExecutableTest, ReplacesAStaleLinkAndRemovesItsLinkWhenStopped) {
  fs::create_symlink(dir / "gone", link);  // a stale link of an earlier run is replaced
  qv::test::Process sim(QV_SIM_EXECUTABLE, {"--dir", dir.string(), "--link", link.string()});
  for (int i = 0; i < 1000 && !fs::exists(link); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(fs::is_symlink(link));

  kill(sim.Pid(), SIGTERM);
  EXPECT_EQ(sim.Finish().exitCode, 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST_F(SimExecutableTest, BadArgumentsExitWithTwoAndAFileIsNeverReplaced) {
  EXPECT_EQ(ExitCode({"--dir", dir.string()}), 2);
  EXPECT_EQ(ExitCode({"--dir", dir.string(), "--link", link.string(), "--baud", "x"}), 2);
  EXPECT_EQ(ExitCode({"--dir", dir.string(), "--link", link.string(), "--faults", "1:z"}), 2);
  EXPECT_EQ(ExitCode({"--dir", (dir / "none").string(), "--link", link.string()}), 2);
  EXPECT_EQ(ExitCode({"--dir", dir.string(), "--link", link.string(), "--bogus", "1"}), 2);
  EXPECT_EQ(ExitCode({"--help"}), 0);

  std::ofstream(link, std::ios::binary) << "keep";
  EXPECT_EQ(ExitCode({"--dir", dir.string(), "--link", link.string()}), 1);
  std::ifstream in(link, std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "keep");
}

}  // namespace
}  // namespace sim
