// The console front end over streams: replies line by line, programs to their end.
#include "app/Console.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/System.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/FakeClock.h"
#include "tests/support/ScriptedPort.h"

namespace qv::test {
namespace {

class ConsoleRun : public ::testing::Test {
 protected:
  std::ostringstream err;
  ConsoleFrontEnd console{err};
  FakeClock clock;
  SilentPort port{clock};
  System system{Platform{console, clock, console, port}};
  TempFolder folder;
};

TEST_F(ConsoleRun, EachInputLineGetsOneReplyLine) {
  std::istringstream in("Ver\r\nVer; ;Ver\nxy Home\nZ ?\nWait\n\n");
  std::ostringstream out;
  RunConsole(system, in, out);
  EXPECT_EQ(out.str(), "4.0 ; \n4.0 ;  ; 4.0 ; \nError Unknown command ; \nOff  ; \nOff  ; \n\n");
}

TEST_F(ConsoleRun, MessageBoxesGoToTheErrorStreamAndQuestionsAreDeclined) {
  EXPECT_EQ(console.MessageBox("File X\r\nOverwrite?", MsgIcon::None, "File overwrite",
                               MsgButtons::OkCancel),
            MsgResult::Cancel);
  EXPECT_EQ(err.str(), "File overwrite: File X Overwrite?\n");
}

// A program's replies, one line each, and its end; comment lines go to the error stream.
TEST_F(ConsoleRun, AProgramRunsToItsEndOrStopsAtAFailingLine) {
  const struct {
    const char* program;  // nullptr: no such file
    int result;
    std::string out, err;
  } cases[] = {
      {"Repeat 2 Times\r\n! step\r\nVer\r\nEndrepeat\r\nEnd\r\n", 0,
       "OK  ; \n ; \n4.0 ; \nOK  ; \nOK  ; \n ; \n4.0 ; \nOK  ; \nPROGRAM FINISHED\n", "step\n"},
      {"Ver\r\nfoo\r\nVer\r\nEnd\r\n", 1, "4.0 ; \nError Unknown command ; \nPROGRAM STOPPED\n",
       ""},
      {nullptr, 1, "", "does not exist"},
  };
  for (const auto& c : cases) {
    const std::string path = folder.File("A.PRG");
    if (c.program != nullptr) PutBytes(path, c.program);
    std::ostringstream out;
    err.str("");
    EXPECT_EQ(RunProgramFile(system, c.program ? path : folder.File("NONE.PRG"), out), c.result);
    EXPECT_EQ(out.str(), c.out);
    EXPECT_NE(err.str().find(c.err), std::string::npos) << err.str();
  }
}

}  // namespace
}  // namespace qv::test
