// The console front end in process (replies line by line, programs to their end), and the
// quorvalin executable as a user runs it: a console on a program folder, programs, automation
// clients, command lines on a local port, text in every front end, stop signals and the
// single-instance rule.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <thread>

#include "app/Console.h"
#include "tests/support/FakeClock.h"
#include "tests/support/Process.h"
#include "tests/support/ScriptedPort.h"
#include "tests/support/SimSystem.h"

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

const std::string kProgram = std::string(QV_BINARY_DIR) + "/app/quorvalin";
const std::string kSimulator = std::string(QV_BINARY_DIR) + "/sim/quorvalin-sim";
const std::string kExec = std::string(QV_BINARY_DIR) + "/app/quorvalin-exec";

// One text, every front end: object comments in UTF-8 ("café", "µm", "α€") or in the old Windows
// code page ("café" in OLD.TXT and on a line) are stored, shown and written as UTF-8; relative
// paths name files in the program folder, whatever the working directory.
const std::string kCafe = "caf\xC3\xA9", kCafeOld = "caf\xE9", kMicro = "\xC2\xB5m",
                  kAlphaEuro = "\xCE\xB1\xE2\x82\xAC";
const std::string kTextLines = "Obj ListRead OLD.TXT;Obj Get 1;Obj Get 2\nObj Add 7 8 9 " +
                               kAlphaEuro + ";Obj Get 3\nObj ListWrite NEW.TXT\n";
const std::string kTextReplies = " 2 ;  1  2  3 " + kCafe + " ;  4  5  6 " + kMicro +
                                 " ; \n# 3 ;  7  8  9 " + kAlphaEuro + " ; \n 3 ; \n";

// A port that was free a moment ago.
uint16_t FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
  socklen_t size = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), size);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);
  return ntohs(address.sin_port);
}

// A client program of the line server with a blocking socket; every wait ends after 30 s.
class Client {
 public:
  explicit Client(uint16_t port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    const timeval limit{30, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    const sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  }
  ~Client() { close(fd_); }

  // The answer line to `line`, without its LF; "<end>" when the connection ended first.
  std::string Ask(const std::string& line) {
    const std::string bytes = line + "\n";
    if (send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size()))
      return "<not sent>";
    return Line();
  }
  std::string Line() {
    std::string line;
    char c;
    while (true) {
      const ssize_t n = recv(fd_, &c, 1, 0);
      if (n == 0) return line + "<end>";
      if (n < 0) return line + "<no answer>";
      if (c == '\n') return line;
      line += c;
    }
  }

 private:
  int fd_;
};

// The folder a demonstration named on standard error, which must be gone when it ended.
void ExpectDemonstrationFolderGone(const std::string& err) {
  const size_t at = err.find("demonstration folder ");
  ASSERT_NE(at, std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(err.substr(at + 21, err.find('\n', at) - at - 21)));
}

class Executable : public ::testing::Test {
 protected:
  // Each test has a lock folder of its own, so tests running side by side do not meet. A window
  // runs offscreen and, without a session bus, serves no automation client.
  std::vector<std::string> Env(const std::string& bus = "") const {
    return {"QUORVALIN_RUNTIME_DIR=" + runtime.Dir(), "QT_QPA_PLATFORM=offscreen",
            "DBUS_SESSION_BUS_ADDRESS=unix:path=" + runtime.File(bus.empty() ? "no-bus" : bus)};
  }
  std::unique_ptr<Process> Start(const std::vector<std::string>& args) {
    return std::make_unique<Process>(kProgram, args, Env());
  }
  ProcessResult Console(const std::string& input, std::vector<std::string> extra = {},
                        std::vector<std::string> env = {}) {
    std::vector<std::string> args = {"--console", "--dir", demo.Dir()};
    args.insert(args.end(), extra.begin(), extra.end());
    env.push_back("QUORVALIN_RUNTIME_DIR=" + runtime.Dir());
    Process p(kProgram, args, env);
    p.Write(input);
    return p.Finish();
  }
  void SetUp() override { Prepare(RepoFolder("config/demo"), {}); }
  void PutOldText() {
    PutBytes(demo.File("OLD.TXT"), " 1 1.0 2.0 3.00 " + kCafeOld + "\r\n 2 4.0 5.0 6.00 \xB5m\r\n");
  }
  void ExpectNewText() {
    EXPECT_EQ(GetBytes(demo.File("NEW.TXT")), " 1 1.0 2.0 3.00 " + kCafe + "\r\n 2 4.0 5.0 6.00 " +
                                                  kMicro + "\r\n 3 7.0 8.0 9.00 " + kAlphaEuro +
                                                  "\r\n");
    EXPECT_FALSE(std::filesystem::exists("NEW.TXT"));
  }
  std::string Serving() const {
    return "command lines served on 127.0.0.1 and ::1 port " + std::to_string(port) + "\n";
  }

  // A copy of a program folder whose port is a simulator's pseudo-terminal.
  void Prepare(const std::string& source, std::vector<std::string> simulatorOptions) {
    CopyFolder(source, demo);
    SetKeyword(demo, "QV_CONFIG.TXT", "PORTNAME", runtime.File("line"));
    StartSimulator(simulatorOptions);
  }
  void StartSimulator(std::vector<std::string> options = {}) {
    const std::string link = runtime.File("line");
    std::vector<std::string> args = {"--dir", demo.Dir(), "--link", link};
    args.insert(args.end(), options.begin(), options.end());
    simulator = std::make_unique<Process>(kSimulator, args);
    for (int i = 0; i < 250 && !std::filesystem::exists(link); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(std::filesystem::exists(link));
  }
  TempFolder runtime;
  TempFolder demo;  // a copy, so that nothing a test does changes the repository's files
  std::unique_ptr<Process> simulator;
  uint16_t port = FreePort();
};

// One copy per user, whatever its environment: the lock is the user's, not the shell's.
TEST_F(Executable, ASecondStartIsRefusedAndLeavesTheFirstAlone) {
  const std::vector<std::string> desktop = {"QUORVALIN_RUNTIME_DIR", "USER=alice",
                                            "XDG_RUNTIME_DIR=" + runtime.Dir()};
  const std::vector<std::string> cron = {"QUORVALIN_RUNTIME_DIR", "USER=bob", "XDG_RUNTIME_DIR"};
  Process first(kProgram, {"--console", "--dir", demo.Dir()}, desktop);
  first.Write("Ver\n");
  if (!first.WaitFor("4.0 ; \n")) GTEST_SKIP() << "another copy of the program runs here";
  Process second(kProgram, {"--console", "--dir", demo.Dir()}, cron);
  const ProcessResult refused = second.Finish();
  EXPECT_EQ(std::tuple(refused.exitCode, refused.out, refused.err),
            std::tuple(1, "",
                       "Application is already running.\nIf user interface is not visible,\n"
                       "restore form, or give Show command from a client.\n"));
  first.Write("CommandCount\n");
  ASSERT_TRUE(first.WaitFor(" 3 ; \n"));
  first.Signal(SIGKILL);  // the lock it held must not outlive it
  EXPECT_EQ(first.Finish().out, "4.0 ; \n 3 ; \n");
  Process third(kProgram, {"--console", "--dir", demo.Dir()}, cron);
  third.Write("Ver\n");
  const ProcessResult r = third.Finish();
  EXPECT_EQ(std::tuple(r.exitCode, r.out), std::tuple(0, "4.0 ; \n")) << r.err;
}

// A stop signal ends every kind of program within 2 s, also during a long delay: the ready
// devices stop where they are, the serial line closes, a demonstration removes its folder.
TEST_F(Executable, StopSignalsEndTheProgramInOrder) {
  PutBytes(demo.File("LONG.PRG"), "Delay 20000\r\nVer\r\nVer\r\nEnd\r\n");
  struct Case {
    std::vector<std::string> args;
    std::string input;
    std::string ready;  // on standard error, or on standard output after "out:"
    int signal;
    std::string out;
  };
  const std::vector<Case> cases = {
      {{"--console", "--dir", demo.Dir()},
       "XY 40000 30000\nDelay 20000\nVer\n",
       "out:OK  ; \n",
       SIGTERM,
       "OK  ; \n20000 ; \n"},
      {{"--console", "--dir", demo.Dir(), "--run", demo.File("LONG.PRG")},
       "",
       "PROGRAM (RE)STARTED",
       SIGINT,
       "20000 ; \nError  ; \nPROGRAM STOPPED\n"},
      {{"--demo"}, "", "no automation", SIGHUP, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + std::to_string(c.signal));
    const auto p = Start(c.args);
    p->Write(c.input);
    const bool onError = c.ready.rfind("out:", 0) != 0;
    ASSERT_TRUE(p->WaitFor(onError ? c.ready : c.ready.substr(4), onError));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // well into the delay
    p->Signal(c.signal);
    const ProcessResult r = p->Finish(std::chrono::seconds(10));
    EXPECT_EQ(std::tuple(r.exitCode, r.out), std::tuple(128 + c.signal, c.out)) << r.err;
    EXPECT_NE(
        r.err.find(std::string(strsignal(c.signal)) + ": motions stopped, serial line closed\n"),
        std::string::npos)
        << r.err;
    if (c.args[0] == "--demo") ExpectDemonstrationFolderGone(r.err);
  }
  // The stage that was on its way stands where the stop caught it.
  const ProcessResult after = Console("XY ?;Delay 300;XY ?\n");
  const std::string first = after.out.substr(0, after.out.find(" ; "));
  EXPECT_NE(first, "40000.0 30000.0");
  EXPECT_EQ(after.out, first + " ; 300 ; " + first + " ; \n");
}

TEST_F(Executable, BadArgumentsAreExplained) {
  const ProcessResult r = Process(kProgram, {"--dir"}, Env()).Finish();
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("--dir needs a value"), std::string::npos);
}

// Processor time (user and system) that a process has used so far, in seconds.
double CpuSeconds(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  const std::string stat((std::istreambuf_iterator<char>(file)), {});
  // The fields after the parenthesised name start with the state (field 3); utime and stime
  // are fields 14 and 15.
  std::istringstream rest(stat.substr(stat.rfind(')') + 1));
  const std::vector<std::string> fields{std::istream_iterator<std::string>(rest), {}};
  return (std::stod(fields.at(11)) + std::stod(fields.at(12))) /
         static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The window program, offscreen and serving clients on a private bus: their text as the console's,
// and, while its simulator ends and starts again on the same link, no processor time while the
// line is gone and answers again once it is back.
TEST_F(Executable, AVanishedLineCostsNothingAndComesBack) {
  Process daemon("/usr/bin/dbus-daemon",
                 {"--session", "--nofork", "--address=unix:path=" + runtime.File("bus")});
  for (int i = 0; i < 250 && !std::filesystem::exists(runtime.File("bus")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const std::vector<std::string> env = Env("bus");
  Process program(kProgram, {"--automation", "--dir", demo.Dir()}, env);
  const auto exec = [&env](const std::string& line) {
    return Process(kExec, {line}, env).Finish().out;
  };
  std::string reply;
  for (int i = 0; i < 100 && (reply = exec("Ver")) != "4.0 ; \n"; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_EQ(reply, "4.0 ; \n");
  EXPECT_EQ(exec("XY Wait;XY 100 200;XY Wait;XY ?"), "OK  ; OK  ; OK  ; 100.0 200.0 ; \n");
  PutOldText();
  Process client(kExec, {}, env);  // lines on its standard input
  client.Write(kTextLines);
  EXPECT_EQ(client.Finish().out, kTextReplies);
  ExpectNewText();

  kill(simulator->Pid(), SIGTERM);  // it removes its link as it ends
  EXPECT_EQ(simulator->Finish().exitCode, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const double before = CpuSeconds(program.Pid());
  std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_LT(CpuSeconds(program.Pid()) - before, 0.3);  // a spinning program uses 3 s
  EXPECT_EQ(exec("XY ?"), "Error  ; \n");

  StartSimulator();
  EXPECT_EQ(exec("Z 5;Z Wait;Z ?"), "OK  ; OK  ; 5.00 ; \n");
}

// The console and a socket client drive one demonstration microscope. When the console's input
// ends the program goes on for its client; a stop signal ends it, and it starts again at once on
// the same port although its side of the connection was the first to close. A demonstration
// that ends removes its folder, simulator and link; a controller's raw answer reaches the console
// as one line of visible text.
TEST_F(Executable, TheConsoleAndASocketClientShareTheDemonstration) {
  auto first = Start({"--demo", "--console", "--listen", std::to_string(port)});
  ASSERT_TRUE(first->WaitFor(Serving(), true));
  Client client(port);
  EXPECT_EQ(client.Ask("XY 100 200;XY Wait;XY ?"), "OK  ; OK  ; 100.0 200.0 ; ");
  first->Write("XY ?\n");
  EXPECT_TRUE(first->WaitFor("100.0 200.0 ; \n"));
  first->CloseInput();
  EXPECT_TRUE(first->WaitFor("the console has ended", true));
  EXPECT_EQ(client.Ask("Ver"), "4.0 ; ");
  first->Signal(SIGTERM);
  EXPECT_EQ(client.Line(), "<end>");
  const ProcessResult ended = first->Finish(std::chrono::seconds(5));
  EXPECT_EQ(ended.exitCode, 128 + SIGTERM) << ended.err;

  auto again = Start({"--demo", "--console", "--listen", std::to_string(port)});
  ASSERT_TRUE(again->WaitFor(Serving(), true));
  EXPECT_EQ(Client(port).Ask("Ver"), "4.0 ; ");
  again->Write("Ver\nCON /2?0\n");
  const ProcessResult r = again->Finish();
  EXPECT_EQ(std::tuple(r.exitCode, r.out), std::tuple(0, "4.0 ; \n\xC3\xBF/0`0\\x03 ; \n"))
      << r.err;
  ExpectDemonstrationFolderGone(r.err);
}

// Both demonstration microscopes on the console over a real pseudo-terminal, motions sped up
// twentyfold, in a locale with decimal commas, with the text lines. Start-up times out for the same
// addresses as in process, and the channel log shows it.
class DemoMicroscope : public Executable, public ::testing::WithParamInterface<std::string> {
 protected:
  void SetUp() override {
    Prepare(RepoFolder(GetParam()), {"--time-scale", "20"});
    PutOldText();
  }
};

TEST_P(DemoMicroscope, DevicesMoveWaitAndReportWhereTheyAre) {
  const ProcessResult r = Console(kTextLines + "Obj Add 1 1 1 " + kCafeOld +
                                      ";Obj Get 4\nDelay .5;Delay SLOW\n"
                                      "XY 1000 500;XY Wait;XY ??\nZ 12.5;Z Wait;Z ?\n",
                                  {"--channel-log"}, {"LC_ALL=de_DE.UTF-8"});
  EXPECT_EQ(std::tuple(r.exitCode, r.out),
            std::tuple(0, kTextReplies + "# 4 ;  1  1  1 " + kCafe +
                              " ; \n.5 ;  200 ; \nOK  ; OK  ; XY 1000.0 500.0 ; \n"
                              "OK  ; OK  ; 12.50 ; \n"))
      << r.err;
  SimSystem inProcess(RepoFolder(GetParam()));
  inProcess.Start();
  EXPECT_EQ(std::ranges::count(SimSystem::SplitLog(r.err), "Port TimeOut"),
            std::ranges::count(inProcess.Log(), "Port TimeOut"));
  ExpectNewText();
}

INSTANTIATE_TEST_SUITE_P(BothLines, DemoMicroscope,
                         ::testing::Values("config/demo", "config/demo-im483i"), LineName());

}  // namespace
}  // namespace qv::test
