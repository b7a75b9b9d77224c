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

// The line's type, its units' addresses in order, and the number of warnings.
std::tuple<ControllerType, std::string, size_t> Outline(const LinePlan& plan) {
  std::string addresses;
  for (const UnitPlan& unit : plan.units)
    addresses += unit.address;
  return {plan.type, addresses, plan.warnings.size()};
}

// Unusable values are warned about and defaulted.
TEST(SimConfigTest, AnEmptyFolderOrUnusableValuesGiveTheDefaultIm483iLineFilesTheirOwn) {
  TempFolder folder;
  LinePlan plan = ReadLinePlan(folder.Dir());
  EXPECT_EQ(Outline(plan), std::tuple(ControllerType::IM483I, "XYZFBSTCL", 0u));
  // X: 100 mm at 1600 microsteps/mm.
  EXPECT_EQ(std::tuple(plan.units[0].axis.kind, plan.units[0].axis.travel, plan.units[3].axis.kind,
                       plan.units[3].axis.revolution, plan.units[6].axis.revolution),
            std::tuple(AxisKind::Linear, 160000, AxisKind::Rotary, 9600, 1600));

  PutBytes(folder.File("QV_CONFIG.TXT"), "\"CONTRTYPE\",ezhr-17\r\n");
  PutBytes(folder.File("QV_PARZ.TXT"), "\"ZCONTR\",\r\n\"ZMOTORSTEPS\",lots\r\n");
  plan = ReadLinePlan(folder.Dir());
  ASSERT_EQ(Outline(plan), std::tuple(ControllerType::IM483I, "XYZFBSTCL", 2u));
  EXPECT_NE(plan.warnings[0].find("EZHR-17"), std::string::npos);
  EXPECT_NE(plan.warnings[1].find("ZMOTORSTEPS"), std::string::npos);
  EXPECT_EQ(plan.units[2].axis.travel, 16000);

  // Usable files give type and addresses, and units may be shared. (The mechanics the keys give:
  // the demonstration folders' counts at the ends, sensors and index marks in the transcripts.)
  TempFolder usable;
  PutBytes(usable.File("QV_CONFIG.TXT"), "\"CONTRTYPE\",EZHR17\r\n");
  PutBytes(usable.File("QV_PARXY.TXT"), "\"XCONTR\",  A \r\n\"YCONTR\",B\r\n");
  PutBytes(usable.File("QV_LEDS.TXT"), "\"LEDSCONTR\",  4 \r\n");  // shares the first wheel's unit
  plan = ReadLinePlan(usable.Dir());
  EXPECT_EQ(Outline(plan), std::tuple(ControllerType::EZHR17, "AB345678", 0u));

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

TEST_F(SimExecutableTest, ReplacesAStaleLinkRemovesItWhenStoppedAndNeverReplacesAFile) {
  fs::create_symlink(dir / "gone", link);  // a stale link of an earlier run is replaced
  Process sim(QV_SIM_EXECUTABLE, {"--dir", dir.string(), "--link", link.string()});
  for (int i = 0; i < 1000 && !fs::exists(link); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(fs::is_symlink(link));

  kill(sim.Pid(), SIGTERM);
  EXPECT_EQ(sim.Finish().exitCode, 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));

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
