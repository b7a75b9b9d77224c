// The real quorvalin-sim on a pseudo-terminal, spoken to as the program speaks to a serial port.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/Process.h"
#include "tests/support/SimLine.h"

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

TEST_F(SimExecutableTest, AnswersOnItsLinkAndRemovesTheLinkWhenStopped) {
  fs::create_symlink(dir / "gone", link);  // a stale link of an earlier run is replaced
  qv::test::Process sim(QV_SIM_EXECUTABLE, {"--dir", dir.string(), "--link", link.string()});
  for (int i = 0; i < 1000 && !fs::exists(link); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(fs::is_symlink(link));

  const int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  termios tio{};
  ASSERT_EQ(tcgetattr(fd, &tio), 0);
  cfmakeraw(&tio);
  tcsetattr(fd, TCSANOW, &tio);
  const std::string query = "/1?0\r";
  ASSERT_EQ(write(fd, query.data(), query.size()), static_cast<ssize_t>(query.size()));
  const std::string expected = test::Ez('`', "0");
  std::string reply;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (reply.size() < expected.size() && std::chrono::steady_clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buffer[64];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) reply.append(buffer, static_cast<size_t>(n));
  }
  EXPECT_EQ(reply, expected);
  const std::string absent = "/C?0\r";
  ASSERT_EQ(write(fd, absent.data(), absent.size()), static_cast<ssize_t>(absent.size()));
  pollfd p{fd, POLLIN, 0};
  EXPECT_EQ(poll(&p, 1, 100), 0);  // nobody answers for an absent unit
  close(fd);

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
