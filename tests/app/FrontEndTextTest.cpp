// One text, every front end: an object comment typed on the console, sent by an automation
// client over the session bus or read from a file is stored, shown and written as the same
// UTF-8 text; a line or file in the old Windows code page is read as that code page. Relative
// paths in commands name files in the program folder, whatever the working directory. The
// program folder has no controller line: the object list needs none.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/foundation/TestFiles.h"
#include "tests/support/Process.h"
#include "tests/support/SimSystem.h"

namespace qv::test {
namespace {

const std::string kProgram = std::string(QV_BINARY_DIR) + "/app/quorvalin";
const std::string kExec = std::string(QV_BINARY_DIR) + "/app/quorvalin-exec";

// "café" in UTF-8 and in Windows-1252, "µm" and "α€" in UTF-8.
const std::string kCafe = "caf\xC3\xA9";
const std::string kCafeOld = "caf\xE9";
const std::string kMicro = "\xC2\xB5m";
const std::string kAlphaEuro = "\xCE\xB1\xE2\x82\xAC";

class FrontEndText : public ::testing::Test {
 protected:
  void SetUp() override {
    CopyFolder(RepoFolder("config/demo"), folder);
    SetKeyword(folder, "QV_CONFIG.TXT", "PORTNAME", runtime.File("no-line"));
    PutBytes(folder.File("OLD.TXT"),
             " 1 1.0 2.0 3.00 " + kCafeOld + "\r\n 2 4.0 5.0 6.00 \xB5m\r\n");
  }
  std::vector<std::string> Env() const {
    return {"QUORVALIN_RUNTIME_DIR=" + runtime.Dir(), "QT_QPA_PLATFORM=offscreen"};
  }
  // The lines every front end is given, and the replies they must give.
  static std::string Lines() {
    return "Obj ListRead OLD.TXT;Obj Get 1;Obj Get 2\n"
           "Obj Add 7 8 9 " +
           kAlphaEuro + ";Obj Get 3\nObj ListWrite NEW.TXT\n";
  }
  static std::string Replies() {
    return " 2 ;  1  2  3 " + kCafe + " ;  4  5  6 " + kMicro + " ; \n# 3 ;  7  8  9 " +
           kAlphaEuro + " ; \n 3 ; \n";
  }
  void ExpectNewFile() {
    EXPECT_EQ(GetBytes(folder.File("NEW.TXT")), " 1 1.0 2.0 3.00 " + kCafe +
                                                    "\r\n 2 4.0 5.0 6.00 " + kMicro +
                                                    "\r\n 3 7.0 8.0 9.00 " + kAlphaEuro + "\r\n");
    EXPECT_FALSE(std::filesystem::exists("NEW.TXT"));
  }

  TempFolder runtime;
  TempFolder folder;
};

TEST_F(FrontEndText, TheConsoleStoresAndShowsUtf8AndReadsOldBytesAsTheirCodePage) {
  Process p(kProgram, {"--console", "--dir", folder.Dir()}, Env());
  p.Write(Lines() + "Obj Add 1 1 1 " + kCafeOld + ";Obj Get 4\n");
  const ProcessResult r = p.Finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, Replies() + "# 4 ;  1  1  1 " + kCafe + " ; \n");
  ExpectNewFile();
}

TEST_F(FrontEndText, AProgramFileWithAByteOrderMarkRunsFromItsFirstLine) {
  PutBytes(folder.File("BOM.PRG"),
           "\xEF\xBB\xBFObj Add 1 2 3 " + kCafe + "\r\nObj Get 1\r\nEnd\r\n");
  Process p(kProgram, {"--console", "--dir", folder.Dir(), "--run", folder.File("BOM.PRG")}, Env());
  const ProcessResult r = p.Finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "# 1 ; \n 1  2  3 " + kCafe + " ; \nPROGRAM FINISHED\n");
}

TEST_F(FrontEndText, AnAutomationClientSendsAndGetsTheSameText) {
  PutBytes(runtime.File("lines"), Lines());
  // A private session bus: the program serves it (killed after 20 s whatever happens), the
  // client waits for it, sends the lines and unloads the window, so that the program ends with
  // its last client.
  const std::string script =
      "timeout -s KILL 20 \"$1\" --automation --dir \"$2\" & program=$!\n"
      "for i in $(seq 200); do \"$3\" Ver >/dev/null 2>&1 && break; sleep 0.05; done\n"
      "\"$3\" < \"$4\"; status=$?\n"
      "\"$3\" Unload >/dev/null; wait $program; exit $status\n";
  Process p(
      "/usr/bin/dbus-run-session",
      {"--", "/bin/sh", "-c", script, "sh", kProgram, folder.Dir(), kExec, runtime.File("lines")},
      Env());
  const ProcessResult r = p.Finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, Replies());
  ExpectNewFile();
}

}  // namespace
}  // namespace qv::test
