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

using namespace std::string_literals;

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

// A controller's answer may hold any byte; the console still writes one line per input line.
TEST(ConsoleLine, AReplyWithLineBreaksStaysOneLine) {
  std::ostringstream err, out;
  ConsoleFrontEnd console{err};
  FakeClock clock;
  ScriptedPort port{clock};
  System system{Platform{console, clock, console, port}};
  system.state.Config.ContrType = "EZHR17";
  system.comm.CommInit();
  system.motCon.MotorInitChannel();
  system.comm.CommOpenPort(1);
  port.Reply("a\rb\nc\0d\\\x1B\r\n"s);
  std::istringstream in("CON x\nVer\n");
  RunConsole(system, in, out);
  EXPECT_EQ(out.str(), "a\\rb\\nc\\0d\\\\\\x1B ; \n4.0 ; \n");
}

TEST_F(ConsoleRun, NoLineIsReadOnceTheProgramIsToldToEnd) {
  clock.ending = true;
  std::istringstream in("Ver\n");
  std::ostringstream out;
  RunConsole(system, in, out);
  EXPECT_EQ(out.str(), "");
}

TEST_F(ConsoleRun, MessageBoxesGoToTheErrorStreamAndQuestionsAreDeclined) {
  EXPECT_EQ(console.MessageBox("File X\r\nOverwrite?", MsgIcon::None, "File overwrite",
                               MsgButtons::OkCancel),
            MsgResult::Cancel);
  EXPECT_EQ(err.str(), "File overwrite: File X Overwrite?\n");
}

TEST_F(ConsoleRun, AProgramRunsToItsEndWithItsReplies) {
  const std::string path = folder.File("TWICE.PRG");
  PutBytes(path, "Repeat 2 Times\r\n! step\r\nVer\r\nEndrepeat\r\nEnd\r\n");
  std::ostringstream out;
  EXPECT_EQ(RunProgramFile(system, path, out), 0);
  EXPECT_EQ(out.str(),
            "OK  ; \n ; \n4.0 ; \nOK  ; \nOK  ; \n ; \n4.0 ; \nOK  ; \nPROGRAM FINISHED\n");
  EXPECT_NE(err.str().find("step\n"), std::string::npos);
}

TEST_F(ConsoleRun, AFailingProgramStops) {
  const std::string path = folder.File("BAD.PRG");
  PutBytes(path, "Ver\r\nfoo\r\nVer\r\nEnd\r\n");
  std::ostringstream out;
  EXPECT_EQ(RunProgramFile(system, path, out), 1);
  EXPECT_EQ(out.str(), "4.0 ; \nError Unknown command ; \nPROGRAM STOPPED\n");
}

TEST_F(ConsoleRun, AMissingProgramIsReported) {
  std::ostringstream out;
  EXPECT_EQ(RunProgramFile(system, folder.File("NONE.PRG"), out), 1);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find("does not exist"), std::string::npos);
}

}  // namespace
}  // namespace qv::test
