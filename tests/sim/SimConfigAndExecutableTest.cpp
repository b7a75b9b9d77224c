// The line a program folder gives the simulator, and the real quorvalin-sim with its link to a
// pseudo-terminal (the program speaking to it over the link: the executable's tests).
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "sim/SimConfig.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/Process.h"

namespace sim {
namespace {

namespace fs = std::filesystem;
using qv::test::GetBytes;
using qv::test::Process;
using qv::test::PutBytes;
using qv::test::TempFolder;

std::string Addresses(const LinePlan& plan) {
  std::string text;
  for (const UnitPlan& unit : plan.units)
    text += unit.address;
  return text;
}

// Unusable values are warned about and defaulted.
TEST(SimConfigTest, AnEmptyFolderOrUnusableValuesGiveAnIm483iLineWithTheDefaultNames) {
  TempFolder folder;
  LinePlan plan = ReadLinePlan(folder.Dir());
  EXPECT_EQ(plan.type, ControllerType::IM483I);
  EXPECT_EQ(Addresses(plan), "XYZFBSTCL");
  EXPECT_TRUE(plan.warnings.empty());
  // X: 100 mm at 1600 microsteps/mm.
  EXPECT_EQ(std::tuple(plan.units[0].axis.kind, plan.units[0].axis.travel, plan.units[3].axis.kind,
                       plan.units[3].axis.revolution, plan.units[6].axis.revolution),
            std::tuple(AxisKind::Linear, 160000, AxisKind::Rotary, 9600, 1600));

  PutBytes(folder.File("QV_CONFIG.TXT"), "\"CONTRTYPE\",ezhr17\r\n");
  PutBytes(folder.File("QV_PARZ.TXT"), "\"ZCONTR\",\r\n\"ZMOTORSTEPS\",lots\r\n");
  plan = ReadLinePlan(folder.Dir());
  EXPECT_EQ(plan.type, ControllerType::IM483I);
  EXPECT_EQ(Addresses(plan), "XYZFBSTCL");
  ASSERT_EQ(plan.warnings.size(), 2u);
  EXPECT_NE(plan.warnings[0].find("ezhr17"), std::string::npos);
  EXPECT_NE(plan.warnings[1].find("ZMOTORSTEPS"), std::string::npos);
  EXPECT_EQ(plan.units[2].axis.travel, 16000);
}

// The mechanics that the demonstration folders' keys give: the transcripts' counts at the ends,
// sensors and index marks.
TEST(SimConfigTest, FilesGiveTypeAndAddressesAndUnitsMayBeShared) {
  TempFolder folder;
  PutBytes(folder.File("QV_CONFIG.TXT"), "\"CONTRTYPE\",EZHR17\r\n");
  PutBytes(folder.File("QV_PARXY.TXT"), "\"XCONTR\",  A \r\n\"YCONTR\",B\r\n");
  PutBytes(folder.File("QV_LEDS.TXT"), "\"LEDSCONTR\",  4 \r\n");  // shares the first wheel's unit
  const LinePlan plan = ReadLinePlan(folder.Dir());
  EXPECT_EQ(plan.type, ControllerType::EZHR17);
  EXPECT_EQ(Addresses(plan), "AB345678");

  Line line(plan.type);
  AddUnits(line, plan, 4);
  ASSERT_NE(line.FindUnit('A'), nullptr);
  EXPECT_EQ(line.FindUnit('9'), nullptr);
  EXPECT_EQ(line.FindUnit('4')->GetAxis().Config().timeScale, 4);
}

int ExitCode(const std::vector<std::string>& args) {
  return Process(QV_SIM_EXECUTABLE, args).Finish().exitCode;
}

// A program folder of an EZHR17 line and a place for the link.
class SimExecutableTest : public ::testing::Test {
 protected:
  SimExecutableTest() { PutBytes(folder.File("QV_CONFIG.TXT"), "\"CONTRTYPE\",EZHR17\r\n"); }
  TempFolder folder;
  const fs::path dir = folder.Dir();
  const fs::path link = folder.File("line");
};

TEST_F(SimExecutableTest, ReplacesAStaleLinkAndRemovesItsLinkWhenStopped) {
  fs::create_symlink(dir / "gone", link);  // a stale link of an earlier run is replaced
  Process sim(QV_SIM_EXECUTABLE, {"--dir", dir.string(), "--link", link.string()});
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

  PutBytes(link, "keep");
  EXPECT_EQ(ExitCode({"--dir", dir.string(), "--link", link.string()}), 1);
  EXPECT_EQ(GetBytes(link), "keep");
}

}  // namespace
}  // namespace sim
