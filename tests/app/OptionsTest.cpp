#include "app/Options.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

std::optional<Options> Parse(std::vector<std::string> args, std::string* errorOut = nullptr) {
  std::string error;
  auto options = ParseOptions(args, error);
  if (errorOut) *errorOut = error;
  return options;
}

TEST(Options, ConsoleWithFolderAndProgram) {
  const auto o = Parse({"--console", "--dir", "config/demo", "--run", "A.PRG"});
  ASSERT_TRUE(o);
  EXPECT_TRUE(o->console);
  EXPECT_EQ(o->dir, "config/demo");
  EXPECT_EQ(o->runFile, "A.PRG");
  EXPECT_FALSE(o->automation);
}

TEST(Options, MistakesAreExplained) {
  std::string error;
  EXPECT_FALSE(Parse({"--dir"}, &error));
  EXPECT_EQ(error, "--dir needs a value");
  EXPECT_FALSE(Parse({"--colour"}, &error));
  EXPECT_EQ(error, "unknown option --colour");
  EXPECT_FALSE(Parse({"--run", "A.PRG"}, &error));
  EXPECT_FALSE(Parse({"--demo", "--dir", "x"}, &error));
  EXPECT_TRUE(Parse({"--demo", "--automation"}));
  EXPECT_EQ(Parse({"--demo", "im483i", "--console"})->demoLine, "im483i");
  EXPECT_EQ(Parse({"--demo"})->demoLine, "ezhr17");
  EXPECT_FALSE(Parse({"--demo", "imx"}, &error));
  EXPECT_EQ(error, "--demo takes ezhr17 or im483i, not imx");
  EXPECT_EQ(Parse({"--init-config"})->initConfig, "ezhr17");
  EXPECT_EQ(Parse({"--init-config", "im483i", "--dir", "x"})->initConfig, "im483i");
  EXPECT_FALSE(Parse({"--init-config", "imx"}, &error));
  EXPECT_EQ(error, "--init-config takes ezhr17 or im483i, not imx");
  EXPECT_FALSE(Parse({"--init-config", "--demo"}, &error));
  EXPECT_TRUE(Parse({"--version"})->version);
  EXPECT_EQ(Parse({"--console"})->initConfig, "");
}

}  // namespace
}  // namespace qv
