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
  for (const char* port : {"65536", "-1", "50x", "telnet"}) {
    EXPECT_FALSE(Parse({"--listen", port}, &error));
    EXPECT_EQ(error, std::string("--listen takes a port number from 0 to 65535, not ") + port);
  }
  EXPECT_FALSE(Parse({"--console", "--run", "A.PRG", "--listen"}, &error));
  EXPECT_EQ(error, "--listen does not work with --run");
}

// The server runs only when asked for: by --listen or by the configuration's LISTENPORT.
TEST(Options, TheListenPortComesFromTheOptionThenTheConfigurationThen5025) {
  struct Case {
    std::vector<std::string> args;
    int32_t configured;
    std::optional<uint16_t> port;
  };
  const Case cases[] = {
      {{"--console"}, -1, std::nullopt},
      {{"--listen"}, -1, 5025},
      {{"--listen", "--console"}, -1, 5025},
      {{"--listen", "0"}, -1, 0},
      {{"--listen", "6000"}, 7000, 6000},
      {{"--listen"}, 7000, 7000},
      {{}, 7000, 7000},
      {{"--console", "--run", "A.PRG"}, 7000, std::nullopt},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(ListenPort(*Parse(c.args), c.configured, error), c.port) << c.args.size();
    EXPECT_EQ(error, "");
  }
  std::string error;
  EXPECT_EQ(ListenPort(*Parse({"--listen"}), 70000, error), std::nullopt);
  EXPECT_EQ(error, "LISTENPORT 70000 is no port number (0 to 65535)");
}

}  // namespace
}  // namespace qv
