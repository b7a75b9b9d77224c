// The command line's options, the folder the program runs in when none is named, and the sample
// that starts a user's own.
#include "app/Options.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/ProgramFolder.h"
#include "app/SampleConfig.h"
#include "tests/foundation/TestFiles.h"

namespace qv::test {
namespace {

std::optional<Options> Parse(std::vector<std::string> args, std::string* errorOut = nullptr) {
  std::string error;
  auto options = ParseOptions(args, error);
  if (errorOut) *errorOut = error;
  return options;
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

namespace fs = std::filesystem;

TEST(ProgramFolder, UserFolderFollowsXdgConfigHome) {
  struct Case {
    const char* xdg;
    const char* home;
    const char* folder;
  };
  for (const Case& c : {Case{"/cfg", "/home/u", "/cfg/quorvalin"},
                        Case{nullptr, "/home/u", "/home/u/.config/quorvalin"},
                        Case{"", "/home/u", "/home/u/.config/quorvalin"},
                        Case{"relative/cfg", "/home/u", "/home/u/.config/quorvalin"}}) {
    EXPECT_EQ(UserProgramFolder(c.xdg, c.home), fs::path(c.folder)) << (c.xdg ? c.xdg : "unset");
  }
}

// --dir, then the executable's folder with a configuration, then the user's folder.
TEST(ProgramFolder, ChosenInItsOrder) {
  TempFolder exe, user, named;
  EXPECT_EQ(ChooseProgramFolder(named.Dir(), exe.File(""), user.File("")).folder,
            fs::path(named.File("")).parent_path());
  EXPECT_EQ(ChooseProgramFolder(named.File("nowhere"), exe.File(""), user.File("")).problem,
            "no such folder: " + named.File("nowhere"));

  const FolderChoice none = ChooseProgramFolder("", exe.File(""), user.File(""));
  EXPECT_TRUE(none.folder.empty());
  EXPECT_EQ(none.problem.rfind("No configuration yet in " + user.File("") + " ", 0), 0u);

  PutBytes(user.File("QV_CONFIG.TXT"), "");
  EXPECT_EQ(ChooseProgramFolder("", exe.File(""), user.File("")).folder, user.File(""));
  PutBytes(exe.File("QV_CONFIG.TXT"), "");
  EXPECT_EQ(ChooseProgramFolder("", exe.File(""), user.File("")).folder, exe.File(""));
  EXPECT_EQ(ChooseProgramFolder(named.Dir(), exe.File(""), user.File("")).folder,
            fs::path(named.File("")).parent_path());
}

// A copy into a folder the user has begun changes none of the user's files (a second copy is in
// tests/install/run.sh).
TEST(SampleConfig, CopiesOnlyWhatIsMissing) {
  TempFolder sample, home;
  for (const char* name : {"QV_CONFIG.TXT", "QV_PARXY.TXT", "QV_PARZ.TXT", "QV_ZOOM.TXT"})
    PutBytes(sample.File(name), std::string("sample ") + name);
  fs::create_directory(sample.File("sub"));
  const fs::path folder = home.File("cfg/quorvalin");
  fs::create_directories(folder);
  PutBytes((folder / "QV_PARXY.TXT").string(), "mine");
  fs::create_symlink(home.File("elsewhere"), folder / "QV_ZOOM.TXT");  // dangling

  std::ostringstream out, err;
  EXPECT_EQ(CopySampleConfig(sample.File(""), folder, out, err), 0);
  EXPECT_EQ(out.str(), "copied into " + folder.string() + " from " + sample.File("") +
                           ": QV_CONFIG.TXT QV_PARZ.TXT\n"
                           "kept as they were in " +
                           folder.string() +
                           ": QV_PARXY.TXT QV_ZOOM.TXT\n"
                           "Set the controllers' serial line in " +
                           (folder / "QV_CONFIG.TXT").string() +
                           ": MPORT n for /dev/ttyS(n-1), or PORTNAME with a device path.\n");
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(GetBytes((folder / "QV_PARXY.TXT").string()), "mine");
  EXPECT_FALSE(fs::exists(home.File("elsewhere")));
  EXPECT_EQ(GetBytes((folder / "QV_PARZ.TXT").string()), "sample QV_PARZ.TXT");
  EXPECT_FALSE(fs::exists(folder / "sub"));
}

TEST(SampleConfig, FailuresAreSaid) {
  TempFolder sample, home;
  std::ostringstream out, err;
  EXPECT_EQ(CopySampleConfig(sample.File("none"), home.File("q"), out, err), 1);
  EXPECT_EQ(err.str(), "no sample configuration in " + sample.File("none") +
                           ": the installation is incomplete\n");
  EXPECT_FALSE(fs::exists(home.File("q")));

  PutBytes(sample.File("QV_CONFIG.TXT"), "x");
  PutBytes(home.File("file"), "");
  err.str("");
  EXPECT_EQ(CopySampleConfig(sample.File(""), home.File("file/q"), out, err), 1);
  EXPECT_EQ(err.str().rfind("cannot make the folder " + home.File("file/q") + ": ", 0), 0u)
      << err.str();
  EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace qv::test
