// The real quorvalin-sim and its link to a pseudo-terminal (the program speaking to it over the
// link: the executable's tests).
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/foundation/TestFiles.h"
#include "tests/support/Process.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

int ExitCode(const std::vector<std::string>& args) {
  return qv::test::Process(QV_SIM_EXECUTABLE, args).Finish().exitCode;
}

// A program folder of an EZHR17 line and a place for the link.
class SimExecutableTest : public ::testing::Test {
 protected:
  SimExecutableTest() {
    qv::test::PutBytes(folder.File("QV_CONFIG.TXT"), "\"CONTRTYPE\",EZHR17\r\n");
  }
  qv::test::TempFolder folder;
  const fs::path dir = folder.Dir();
  const fs::path link = folder.File("line");
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

  qv::test::PutBytes(link, "keep");
  EXPECT_EQ(ExitCode({"--dir", dir.string(), "--link", link.string()}), 1);
  EXPECT_EQ(qv::test::GetBytes(link), "keep");
}

}  // namespace
}  // namespace sim
