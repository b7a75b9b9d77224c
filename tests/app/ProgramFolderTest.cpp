// Which folder the program runs in when none is named, and the sample that starts a user's own.
#include "app/ProgramFolder.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/SampleConfig.h"
#include "tests/foundation/TestFiles.h"

namespace qv::test {
namespace {

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

// A second copy, or one into a folder the user has begun, changes none of the user's files.
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

  PutBytes((folder / "QV_CONFIG.TXT").string(), "edited");
  std::ostringstream again;
  EXPECT_EQ(CopySampleConfig(sample.File(""), folder, again, err), 0);
  EXPECT_EQ(GetBytes((folder / "QV_CONFIG.TXT").string()), "edited");
  EXPECT_EQ(again.str(), "kept as they were in " + folder.string() +
                             ": QV_CONFIG.TXT QV_PARXY.TXT QV_PARZ.TXT QV_ZOOM.TXT\n");
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
