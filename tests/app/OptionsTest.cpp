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
  const std::pair<std::vector<std::string>, std::string> refused[] = {
      {{"--dir"}, "--dir needs a value"},
      {{"--colour"}, "unknown option --colour"},
      {{"--run", "A.PRG"}, "--run works with --console"},
      {{"--demo", "--dir", "x"}, "--demo and --dir choose the program folder both; give one"},
      {{"--demo", "imx"}, "--demo takes ezhr17 or im483i, not imx"},
      {{"--init-config", "imx"}, "--init-config takes ezhr17 or im483i, not imx"},
      {{"--init-config", "--demo"},
       "--init-config copies into the user's folder or --dir, not a demonstration"},
      {{"--listen", "65536"}, "--listen takes a port number from 0 to 65535, not 65536"},
      {{"--listen", "-1"}, "--listen takes a port number from 0 to 65535, not -1"},
      {{"--listen", "50x"}, "--listen takes a port number from 0 to 65535, not 50x"},
      {{"--listen", "telnet"}, "--listen takes a port number from 0 to 65535, not telnet"},
      {{"--console", "--run", "A.PRG", "--listen"}, "--listen does not work with --run"},
  };
  for (const auto& [args, message] : refused) {
    std::string error;
    EXPECT_FALSE(Parse(args, &error));
    EXPECT_EQ(error, message);
  }
  EXPECT_TRUE(Parse({"--demo", "--automation"}));
  EXPECT_EQ(Parse({"--demo", "im483i", "--console"})->demoLine, "im483i");
  EXPECT_EQ(Parse({"--demo"})->demoLine, "ezhr17");
  EXPECT_EQ(Parse({"--init-config"})->initConfig, "ezhr17");
  EXPECT_EQ(Parse({"--init-config", "im483i", "--dir", "x"})->initConfig, "im483i");
  EXPECT_TRUE(Parse({"--version"})->version);
  EXPECT_EQ(Parse({"--console"})->initConfig, "");
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
