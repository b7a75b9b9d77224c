// The program as a whole: options, program folder and sample, start-up and what a failed step
// leaves; both demonstration microscopes on the simulated line (line faults, Stop, the command
// reference, parameter entries, a wait serving other commands; CON, LED, homing and saved positions
// are transcripts, homing faults are in tests/devices/); the console; and the quorvalin executable
// as a user runs it, with its clients, text in every front end, stop signals and single instance.
#include <arpa/inet.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pty.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <thread>
#include <tuple>

#include "app/Console.h"
#include "app/DeviceMenus.h"
#include "app/Options.h"
#include "app/ProgramFolder.h"
#include "app/SampleConfig.h"
#include "app/StopAll.h"
#include "commands/Automation.h"
#include "tests/support/Process.h"
#include "tests/support/SimSystem.h"
#include "tests/support/TestSystem.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

std::optional<Options> Parse(const std::vector<std::string>& args) {
  std::string error;
  return ParseOptions(args, error);
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
      {{"--console", "--run", "A.PRG", "--listen"}, "--listen does not work with --run"},
  };
  for (const auto& [args, message] : refused) {
    SCOPED_TRACE(message);
    std::string error;
    EXPECT_FALSE(ParseOptions(args, error));
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

// The server runs only when asked for: by --listen or by the configuration's LISTENPORT, which
// is refused out of range, -1 included.
TEST(Options, TheListenPortComesFromTheOptionThenTheConfigurationThen5025) {
  const auto Refused = [](const std::string& port) {
    return "LISTENPORT " + port +
           " in QV_CONFIG.TXT is no port number (0 to 65535), so no command lines are served.";
  };
  // Options, the configured LISTENPORT, the port served, the message.
  const std::tuple<std::vector<std::string>, std::optional<int32_t>, std::optional<uint16_t>,
                   std::string>
      cases[] = {
          {{"--console"}, std::nullopt, std::nullopt, ""},
          {{"--listen"}, std::nullopt, 5025, ""},
          {{"--listen", "0"}, std::nullopt, 0, ""},
          {{"--listen", "6000"}, 7000, 6000, ""},
          {{"--listen"}, 7000, 7000, ""},
          {{}, 7000, 7000, ""},
          {{"--console", "--run", "A.PRG"}, 7000, std::nullopt, ""},
          {{"--listen"}, 70000, std::nullopt, Refused("70000")},
          {{}, -1, std::nullopt, Refused("-1")},
      };
  for (const auto& [args, configured, port, message] : cases) {
    std::string trace = "LISTENPORT " + (configured ? std::to_string(*configured) : "none");
    for (const std::string& arg : args)
      trace += " " + arg;
    SCOPED_TRACE(trace);
    std::string error;
    EXPECT_EQ(ListenPort(*Parse(args), configured, error), port);
    EXPECT_EQ(error, message);
  }
}

TEST(ProgramFolder, UserFolderFollowsXdgConfigHome) {
  // Only an absolute XDG_CONFIG_HOME counts.
  for (const char* xdg : std::initializer_list<const char*>{nullptr, "", "relative/cfg"})
    EXPECT_EQ(UserProgramFolder(xdg, "/home/u"), fs::path("/home/u/.config/quorvalin"))
        << (xdg ? xdg : "unset");
  EXPECT_EQ(UserProgramFolder("/cfg", "/home/u"), fs::path("/cfg/quorvalin"));
}

// --dir, then the executable's folder with a configuration, then the user's folder; a folder
// named with --dir that holds no configuration is met as the user's folder is.
TEST(ProgramFolder, ChosenInItsOrder) {
  TempFolder exe, user, named;
  EXPECT_EQ(ChooseProgramFolder(named.File("nowhere"), exe.File(""), user.File("")).problem,
            "no such folder: " + named.File("nowhere"));
  fs::create_directory(named.File("my scope"));
  EXPECT_EQ(ChooseProgramFolder(named.File("my scope"), exe.File(""), user.File("")).problem,
            "No configuration yet in " + named.File("my scope") +
                " (it holds no QV_CONFIG.TXT).\nCopy a sample configuration there and set its "
                "serial port:\n    quorvalin --init-config [ezhr17|im483i] --dir '" +
                named.File("my scope") +
                "'\nor try the simulated microscope:\n    quorvalin --demo");
  PutBytes(named.File("QV_CONFIG.TXT"), "");
  EXPECT_EQ(ChooseProgramFolder(named.Dir(), exe.File(""), user.File("")).folder,
            fs::path(named.File("")).parent_path());

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
  EXPECT_EQ(std::tuple(err.str(), GetBytes((folder / "QV_PARXY.TXT").string()),
                       fs::exists(home.File("elsewhere")),
                       GetBytes((folder / "QV_PARZ.TXT").string()), fs::exists(folder / "sub")),
            std::tuple("", "mine", false, "sample QV_PARZ.TXT", false));
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

const std::string kConfig =
    "\"MPORT\", 1\r\n\"PORTTIMEOUT\", 200\r\n\"MOVETIMEOUT\", 60\r\n"
    "\"WAITPOLLINGINTERVAL\", 50\r\n";
const std::string kEzhr17 = kConfig + "\"CONTRTYPE\",EZHR17\r\n";

// Every file start-up reads, the configuration `config`, and the rest of the demonstration
// folder's specimen and joystick files; `missing` is left out.
void PutFolder(TestSystem& t, const std::string& config, const std::string& missing = "") {
  for (const char* name : {"QV_FIELD.TXT", "QV_SPECIMEN.TXT", "QV_SCANAREA.TXT", "QV_SCANGRID.TXT",
                           "QV_ZOOM.TXT", "QV_SCAN.TXT", "QV_JOY.TXT"})
    PutBytes(t.folder.File(name), GetBytes(RepoFolder("config/demo") + "/" + name));
  PutBytes(t.folder.File("QV_CONFIG.TXT"), config);
  PutBytes(t.folder.File("QV_JOYCMDS.TXT"), "Ver\r\nXY Stop\r\n");
  PutBytes(t.folder.File("QV_SYMCONST.TXT"), "\"SLOW\", 200\r\n");
  PutBytes(t.folder.File("QV_OBJPOSMAG.TXT"), "\"OBJPOS1\", 10\r\n");
  if (!missing.empty()) std::filesystem::remove(t.folder.File(missing));
}

class Startup : public ::testing::Test {
 protected:
  void PutComplete(const std::string& extraConfig = "") { PutFolder(t, kEzhr17 + extraConfig); }
  TestSystem t;
  const Configuration& config = t.system.state.Config;
};

// The folder gets its separator; the first joystick command runs once, on the joystick's own
// source, though it finds no device ready, so that the first count is two.
TEST_F(Startup, ACompleteFolderStartsCleanly) {
  PutComplete(
      "\"W2_INSTALLED\", 0\r\n\"JOYSTARTON\", 1\r\n"
      "\"CAPTUREPROGRAM\", /opt/cam/shoot --keys \"/tmp/a b\"\r\n"
      "\"TEXTEDITOR\",gedit --new-window\r\n\"LISTENPORT\",5025\r\n");
  PutBytes(t.folder.File("QV_OBJPOSMAG.TXT"), "\"OBJPOS1\", 4\r\n");
  PutBytes(t.folder.File("QV_JOYCMDS.TXT"), "Z Home\r\nXY Stop\r\n");
  PutBytes(t.folder.File(".QV_SCAN.TXT.qvtmp.k1LL3d"), "left by a write that was killed");
  std::string dir = t.folder.Dir();
  dir.pop_back();
  t.front.LoadWindows();
  EXPECT_EQ(t.system.InitSystem(dir), 1);
  EXPECT_TRUE(t.notifier.Messages.empty()) << t.notifier.LastText();
  EXPECT_FALSE(std::filesystem::exists(t.folder.File(".QV_SCAN.TXT.qvtmp.k1LL3d")));
  EXPECT_EQ(
      std::tuple(config.MPort, config.PortTimeout, config.MoveTimeout, config.WaitPollingInterval,
                 config.ContrType, config.Installed[DeviceId::W2], config.Installed[DeviceId::Z],
                 config.CaptureProgram, config.TextEditor, config.ListenPort),
      std::tuple(1, 200, 60, 50, "EZHR17", 0, 0, "/opt/cam/shoot --keys \"/tmp/a b\"",
                 "gedit --new-window", std::optional<int32_t>(5025)));
  // JoyOn: no joystick to be found centred.
  EXPECT_EQ(std::tuple(t.system.state.AppDir, t.system.keywordFiles.ParDir(),
                       t.system.objectives.ObjCount(), t.system.objectives.Mag(),
                       t.system.state.HistoryMax, t.system.state.JoyOn,
                       t.system.interpreter.State().ProgLines, t.system.joyCommands.Commands(),
                       t.system.joyCommands.Source().LastDevice),
            std::tuple(t.folder.Dir(), t.folder.Dir(), 1, 10, 30, 0, PlainList{"End"},
                       PlainList{"Z Home", "XY Stop"}, "Z"));
  EXPECT_EQ(t.Run("CommandCount;Delay SLOW"), " 2 ;  200 ; ");
  // Channel messages reach the window's message line once it is up.
  t.system.comm.CommLogShow("Port TimeOut");
  t.system.comm.CommLogAppend("XZ\\");
  EXPECT_EQ(t.front.LastMessage(), "Port TimeOut, XZ\\");
  // The serial line is open on the configured port with its time-out until the shutdown.
  EXPECT_EQ(std::tuple(t.port.opened, t.system.comm.CommTimeoutMs(), t.system.comm.CommIsReady()),
            std::tuple("/dev/ttyS0", 200, 1));
  t.system.Shutdown();
  EXPECT_EQ(std::tuple(t.system.comm.CommIsReady(), t.port.IsOpen()), std::tuple(0, false));
}

// A missing or faulty file fails start-up with one message that names the problem. The keys read
// before a bad value stand; a missing required key does not end the reading; only the value 1
// installs a device; without the symbols numbers still work; without the joystick's list its
// first, empty, command is still dispatched.
TEST(StartupFaults, OneMessageNamesTheProblemAndWhatWasReadStands) {
  // The file left out, the configuration, the message, the values read (MPORT PORTTIMEOUT
  // WAITPOLLINGINTERVAL XY_INSTALLED Z_INSTALLED CONTRTYPE), a command line and its reply.
  const std::tuple<std::string, std::string, std::string, std::string, std::string, std::string>
      cases[] = {
          {"QV_CONFIG.TXT", "", "QV_CONFIG.TXT does not exist", "0 0 0 0 0 ", "Ver;F 3",
           "4.0 ; Off  ; "},
          {"", "\"MPORT\", 70000\r\n\"PORTTIMEOUT\", 200\r\n", "MPORT", "0 0 0 0 0 ", "XY ?",
           "Off  ; "},
          {"", "\"MPORT\", 1\r\n\"PORTTIMEOUT\", 200\r\n\"WAITPOLLINGINTERVAL\", 50\r\n",
           "Parameter MOVETIMEOUT not found in ", "1 200 50 0 0 IM483I", "XY ?", "Off  ; "},
          {"", kConfig + "\"XY_INSTALLED\", yes\r\n\"Z_INSTALLED\", 1\r\n", "XY_INSTALLED",
           "1 200 50 0 0 IM483I", "Z ?", "Off  ; "},
          // Z is installed, with no file to read; the stage is not, so its file is not looked for.
          {"", kEzhr17 + "\"XY_INSTALLED\", 2\r\n\"Z_INSTALLED\", 1.4\r\n",
           "QV_PARZ.TXT does not exist", "1 200 50 2 1 EZHR17", "XY ?;Z ?", "Off  ; Off  ; "},
          {"QV_SYMCONST.TXT", kConfig, "QV_SYMCONST.TXT does not exist", "1 200 50 0 0 IM483I",
           "Delay 5;Delay SLOW", "5 ; Error Not a Number ; "},
          {"QV_JOYCMDS.TXT", kConfig, "QV_JOYCMDS.TXT does not exist", "1 200 50 0 0 IM483I",
           "CommandCount", " 2 ; "},
          {"QV_SPECIMEN.TXT", kConfig, "QV_SPECIMEN.TXT does not exist", "1 200 50 0 0 IM483I",
           "Ver", "4.0 ; "},
      };
  for (const auto& [missing, config, message, read, line, reply] : cases) {
    SCOPED_TRACE(message);
    TestSystem t;
    PutFolder(t, config, missing);
    EXPECT_EQ(t.system.InitSystem(t.folder.Dir()), -1);
    ASSERT_EQ(t.notifier.Messages.size(), 1u) << t.notifier.LastText();
    EXPECT_NE(t.notifier.Messages[0].Text.find(message), std::string::npos)
        << t.notifier.Messages[0].Text;
    const Configuration& c = t.system.state.Config;
    const std::string values = std::to_string(c.MPort) + " " + std::to_string(c.PortTimeout) + " " +
                               std::to_string(c.WaitPollingInterval) + " " +
                               std::to_string(c.Installed[DeviceId::XY]) + " " +
                               std::to_string(c.Installed[DeviceId::Z]) + " " + c.ContrType;
    EXPECT_EQ(std::tuple(values, t.Run(line)), std::tuple(read, reply));
  }
}

// An exchange of an initialisation that a noisy line damaged is made once more, and the log says
// so: the device comes up. (How often every device comes up on such a line: qv_start_bench.)
TEST(StartupFaults, ADamagedInitialisationExchangeIsMadeOnceMore) {
  for (const auto& [folder, x, replies] : {std::tuple{"config/demo", '1', 2},  // and the greeting
                                           std::tuple{"config/demo-im483i", 'X', 1}}) {
    SCOPED_TRACE(folder);
    SimSystem s(RepoFolder(folder));
    s.line.SetFault(x, sim::Fault{sim::FaultKind::ErrorStatus, 9, replies});
    EXPECT_EQ(std::tuple(s.Start(), s.system.state.Ready[DeviceId::XY]), std::tuple(1, 1));
    const std::vector<std::string> log = s.Log();
    EXPECT_EQ(
        std::ranges::count_if(log, [](const std::string& m) { return m.starts_with("Retrying "); }),
        1);
  }
}

// A port that is no number is named; start-up goes on, without the server.
TEST_F(Startup, TheOutsideProgramsAndTheListenPortAreOptional) {
  PutComplete("\"LISTENPORT\",telnet\r\n");
  EXPECT_EQ(t.system.InitSystem(t.folder.Dir()), 1);
  EXPECT_EQ(std::tuple(config.CaptureProgram, config.TextEditor, config.ListenPort),
            std::tuple("", "", std::optional<int32_t>()));
  EXPECT_NE(t.notifier.LastText().find("LISTENPORT"), std::string::npos) << t.notifier.LastText();
}

// What makes the line unusable is said once, in one message box, with the device, the reason and
// the way on; its first sentence stays for the main window's message line. A port that does not
// open fails start-up, its fault goes to the channel log, and the time-out stays at 1000 ms, as
// it does for a PORTTIMEOUT of 0 or less. (A clean start says nothing:
// ACompleteFolderStartsCleanly.)
TEST(StartupLine, AnUnusableLineIsSaidOnceWithWhatToDo) {
  // The configuration's line keys, whether the port opens, the message.
  const std::tuple<std::string, bool, std::string> cases[] = {
      {"\"CONTRTYPE\", EZHR-17\r\n\"PORTTIMEOUT\", 0\r\n", true,
       "CONTRTYPE \"EZHR-17\" in QV_CONFIG.TXT is no controller type: it may be EZHR17 or IM483I; "
       "every device stays off.\nPORTTIMEOUT 0 in QV_CONFIG.TXT leaves no time for a reply: it is "
       "the milliseconds one reply may take (200 suits most lines); the line waits 1000 ms "
       "meanwhile."},
      {"\"CONTRTYPE\",IM483I\r\n\"PORTTIMEOUT\", -5\r\n\"PORTNAME\",/dev/ttyUSB7\r\n", false,
       "The controllers' serial line /dev/ttyUSB7 (PORTNAME in FOLDER/QV_CONFIG.TXT) cannot be "
       "opened: No such file or directory; every device stays off.\nPORTTIMEOUT -5 in "
       "QV_CONFIG.TXT leaves no time for a reply: it is the milliseconds one reply may take (200 "
       "suits most lines); the line waits 1000 ms meanwhile."},
      {"\"PORTTIMEOUT\", 200\r\n", false,
       "The controllers' serial line /dev/ttyS1 (MPORT 2 in FOLDER/QV_CONFIG.TXT) cannot be "
       "opened: No such file or directory; every device stays off."},
  };
  for (const auto& [keys, opens, message] : cases) {
    SCOPED_TRACE(keys);
    TestSystem t;
    PutFolder(t, "\"MPORT\", 2\r\n\"MOVETIMEOUT\", 60\r\n\"WAITPOLLINGINTERVAL\", 50\r\n" + keys);
    t.port.failOpen = !opens;
    t.front.LoadWindows();
    EXPECT_EQ(t.system.InitSystem(t.folder.Dir()), -1);
    std::string expected = message;
    for (size_t at; (at = expected.find("FOLDER/")) != std::string::npos;)
      expected.replace(at, 7, t.folder.Dir());
    ASSERT_EQ(t.notifier.Messages.size(), 1u);
    EXPECT_EQ(t.notifier.LastText(), expected);
    EXPECT_EQ(t.system.LineProblem(), expected.substr(0, expected.find('\n')));
    EXPECT_EQ(std::tuple(t.front.LastMessage(), t.system.comm.CommTimeoutMs(),
                         t.system.comm.CommLogText().rfind(
                             "CommOpenPort  2 No such file or directory\r\n", 0) == 0),
              std::tuple(t.system.LineProblem(), 1000, !opens));
  }
}

TEST(ControllerLine, WakingTheDemoLineTimesOutOnlyForAbsentAddresses) {
  SimSystem s(RepoFolder("config/demo"));  // EZHR17
  EXPECT_EQ(s.Start(), 1);
  int absent = 0;
  for (char a : std::string("123456789ABCDEF"))
    absent += s.line.FindUnit(a) == nullptr;
  EXPECT_GT(absent, 0);
  EXPECT_EQ(s.Log(), std::vector<std::string>(absent, "Port TimeOut"));  // and nothing else
}

TEST(ControllerLine, TenThousandExchangesWithRandomFaultsAllEnd) {
  SimSystem s(RepoFolder("config/demo"), sim::LineOptions{.baud = 0, .latency = 0, .seed = 7});
  s.Start();
  s.line.SetRandomFaults(0.3);
  s.system.comm.CommSetTimeout(50);
  const std::string units = "12345678";
  int failed = 0;
  int discarded = 0;  // late replies dropped before a command: logged, but not a failure
  for (int i = 0; i < 10000; ++i) {
    const int16_t unit = static_cast<unsigned char>(units[static_cast<size_t>(i) % units.size()]);
    s.system.comm.CommLogAdd("before");
    double position = 0;
    const Result result = s.system.motors.MotorReadPos(unit, position);
    ASSERT_TRUE(result.ok() || result.failed()) << result;
    // A failure is logged last; a good exchange may follow the line's way back in step.
    const std::vector<std::string> log = s.Log();
    const auto since = std::find(log.rbegin(), log.rend(), "before");
    discarded += static_cast<int>(std::count_if(log.rbegin(), since, [](const std::string& m) {
      return m.starts_with("Late reply discarded: ");
    }));
    ASSERT_TRUE(result.ok() || log.back() != "before") << "exchange " << i << " unlogged";
    failed += result.failed() ? 1 : 0;
  }
  std::string latest;
  for (int i = 0; i < 101; ++i) {
    s.system.comm.CommLogAdd("m" + std::to_string(i));
    latest += "m" + std::to_string(i) + "\r\n";
  }
  EXPECT_EQ(s.system.comm.CommLogText(), latest);  // the ring holds the latest 101
  EXPECT_GT(failed, 1000);
  EXPECT_LT(failed, 9000);
  EXPECT_GT(discarded, 0);
}

// Every device of both demonstration microscopes, started on a line of 9600 baud.
class DeviceLine : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { ASSERT_EQ(s.Start(), 1) << s.system.comm.CommLogText(); }
  bool Ezhr17() const { return GetParam() == "config/demo"; }
  char X() { return static_cast<char>(s.system.stage.XUnit()); }
  char Y() { return static_cast<char>(s.system.stage.YUnit()); }
  char Z() { return static_cast<char>(s.system.focus.Unit()); }
  SimSystem s{RepoFolder(GetParam()), sim::LineOptions{.baud = 9600}};
  Automation automation{s.system.state, s.system.dispatcher,
                        Automation::Hooks{[] { return true; }, [] { return true; }, [] {}}};
};

// The line's device goes away (the simulator ended, an adapter unplugged) and comes back.
TEST_P(DeviceLine, ALostLineFailsEveryCommandAtOnceUntilItIsBack) {
  ASSERT_EQ(s.Run("XY Wait;XY 100 200;XY Wait"), "OK  ; OK  ; OK  ; ");
  const auto notReady = [this] {  // the words of installed devices that are not ready
    std::string words;
    for (const DeviceRow& row : kDeviceTable) {
      if (s.system.state.Ready[row.id] != s.system.state.Config.Installed[row.id])
        words += row.word;
    }
    return words;
  };
  ASSERT_EQ(s.Run("Z 500"), "OK  ; ");  // still moving when the line goes: its wait fails at once
  s.port.SetDevicePresent(false);
  s.line.ClearFrames();
  const sim::Micros before = s.clock.Now();
  EXPECT_EQ(s.Run("XY ?;Z 10;XY ??;Z Wait"), "Error  ; Error  ; Error  ; Error  ; ");
  EXPECT_EQ(std::tuple(s.clock.Now() - before, s.line.Frames().size()), std::tuple(0, 0u));

  s.port.SetDevicePresent(true);
  EXPECT_EQ(s.Run("XY ?;Z Wait;Z 10;Z Wait;Z ?"), "100.0 200.0 ; OK  ; OK  ; OK  ; 10.00 ; ");
  const auto log = s.Log();
  EXPECT_EQ(std::tuple(std::ranges::count(log, "Port lost: /dev/ttyS0"),
                       std::ranges::count(log, "Port reopened: /dev/ttyS0")),
            std::tuple(1, 1));
  EXPECT_EQ(notReady(), "");
}

// The operator's Stop: one stop to every ready unit, in the device order, nothing to a device
// that is not ready.
TEST_P(DeviceLine, StopAllStopsEveryReadyDeviceAtOnce) {
  s.system.state.Ready[DeviceId::Slide] = 0;
  s.Run("XY 30000 20000;Z 500;F 4;B 2;Cube 3;Turn 300");
  ASSERT_TRUE(s.State(X()).moving);
  s.line.ClearFrames();
  EXPECT_TRUE(StopAllDevices(s.system).empty());
  const System& sys = s.system;
  std::vector<std::string> expected;
  for (const int16_t unit : {sys.stage.XUnit(), sys.stage.YUnit(), sys.focus.Unit(),
                             sys.wheels.Params(1).profile.contr, sys.wheels.Params(2).profile.contr,
                             sys.cube.Params().profile.contr, sys.turret.Params().profile.contr}) {
    const char address = static_cast<char>(unit);
    expected.push_back(Ezhr17() ? std::string("/") + address + "T"
                                : std::string(1, address) + "M0");
    EXPECT_FALSE(s.State(address).moving) << address;
  }
  EXPECT_EQ(std::vector<std::string>(s.line.Frames().begin(), s.line.Frames().end()), expected);

  // A unit that does not answer keeps no other from its stop, and is named; after a run the
  // stage and the focus of an EZHR17 line get their slew velocities back.
  s.Run("XY Move 300 300;Z Move 300");
  s.line.SetFault(X(), sim::Fault{sim::FaultKind::NoReply, 0, 1});
  s.line.ClearFrames();
  EXPECT_EQ(StopAllDevices(s.system), std::vector<std::string>{"XY"});
  const std::deque<std::string>& frames = s.line.Frames();
  EXPECT_EQ(std::tuple(s.State(X()).moving, s.State(Y()).moving, s.State(Z()).moving,
                       std::ranges::count(frames, Ezhr17() ? "/2V8000R" : "YM0"),
                       std::ranges::count(frames, Ezhr17() ? "/3V8000R" : "ZM0")),
            std::tuple(false, false, false, 1, 1));
}

// Every device through its descriptor: what start-up, the Stop and the command words use must be
// there and must reach the device's own units.
TEST_P(DeviceLine, EveryDescriptorStartsStopsAndAnswersThroughItsOwnUnits) {
  std::multiset<char> used;
  s.Run("XY 30000 20000;Z 500;F 4;B 2;Cube 3;Turn 300;Slide 1000");
  for (const DeviceDescriptor& d : s.system.Descriptors()) {
    const std::string word = d.Row().word;
    SCOPED_TRACE(word);
    ASSERT_TRUE(d.init && d.units && d.stop && d.subCommands);
    EXPECT_EQ(s.system.devices.Words()[DeviceIndex(d.id)].word, d.Row().word);
    const std::vector<int16_t> units = d.units();
    s.line.ClearFrames();
    EXPECT_EQ(d.stop(), Result());
    for (const int16_t unit : units) {
      const char address = static_cast<char>(unit);
      used.insert(address);
      ASSERT_NE(s.line.FindUnit(address), nullptr) << address;
      EXPECT_FALSE(s.State(address).moving) << address;
    }
    // A stop goes to the device's own units only (none for the LEDs, which do not move).
    EXPECT_EQ(s.line.Frames().size(), units.size());
    std::string rest;
    EXPECT_NE(d.subCommands(d.id == DeviceId::Leds ? "R" : "?", rest), "Error ");
    EXPECT_EQ(d.init(), Result());
  }
  // Together the devices drive every unit of the line but the LEDs', each unit once.
  std::multiset<char> expected;
  for (const sim::UnitPlan& unit : s.plan.units)
    if (unit.role != sim::Role::Leds) expected.insert(unit.address);
  EXPECT_EQ(used, expected);
}

// "Int." > "Commands" opens the folder's command reference: it must name every command word
// and program statement at the start of a line, as the operator looks them up.
TEST_P(DeviceLine, TheCommandReferenceNamesEveryCommandWord) {
  const std::string reference = "\r\n" + GetBytes(RepoFolder(GetParam()) + "/QV_COMMANDS.TXT");
  std::vector<std::string> words = {"Repeat", "Endrepeat", "Stop", "End", "Call"};
  for (const CommandEntry& entry : s.system.dispatcher.Table())
    words.push_back(entry.word);
  for (const std::string& word : words)
    EXPECT_NE(reference.find("\r\n" + word + " "), std::string::npos) << word;
}

TEST_P(DeviceLine, ParameterEntriesInitialiseAgainAndReplaceFiles) {
  const std::string zFile = s.folder.File("QV_PARZ.TXT");
  const std::string original = GetBytes(zFile);
  PutBytes(s.folder.File("QV_PARZ_BROKEN.TXT"), "\"ZCONTR\", 3\r\n");
  EXPECT_EQ(ReplaceDeviceFile(s.folder.Dir() + ".", "QV_PARZ_BROKEN.TXT", "QV_PARZ.TXT"),
            "Parameter file " + s.folder.Dir() + "./QV_PARZ_BROKEN.TXT read");
  EXPECT_EQ(s.system.state.Ready[DeviceId::Z], 1);  // not initialised again by the copy
  EXPECT_EQ(ReinitialiseDevice(s.system, DeviceId::Z), "Z Off");
  EXPECT_EQ(s.Run("Z ?"), "Off  ; ");
  PutBytes(zFile, original);
  EXPECT_EQ(ReinitialiseDevice(s.system, DeviceId::Z), "Z On");
  EXPECT_EQ(ReplaceDeviceFile(s.folder.Dir() + ".", "NONE.TXT", "QV_PARZ.TXT"),
            "Parameter file not read");
  EXPECT_EQ(GetBytes(zFile), original);
}

// "Wait" waits for its own source's last device. The first source moves the stage; the second
// sends "Z 3" where the first lets events run before its next line (the window and the program
// runner do) or between its calls (clients: ":1.5" on the bus, "tcp:1" on the line server); the
// first's "Wait" still waits for the stage.
TEST_P(DeviceLine, WaitFollowsTheLastDeviceOfItsOwnSource) {
  const std::pair<std::string, std::string> cases[] = {
      {"window", ":1.5"}, {"program", "tcp:1"}, {":1.5", "tcp:1"}, {"tcp:1", "window"}};
  for (const auto& [first, second] : cases) {
    SCOPED_TRACE(first + " then " + second);
    s.Run("XY Wait;Z Wait");  // a row that failed may leave the stage moving
    ASSERT_EQ(s.Run("XY 0 0;Z 0;XY Wait;Z Wait"), "OK  ; OK  ; OK  ; OK  ; ");
    std::string secondReply;
    bool sent = false;
    const auto fromSecond = [&, &second = second] {
      if (std::exchange(sent, true)) return;
      secondReply = second == "window" ? s.Run("Z 3") : automation.Exec(second, "Z 3");
    };
    std::string reply;
    if (first == "window") {
      s.Run("XY 30000 0");
      s.front.onDoEvents = fromSecond;
      reply = s.system.dispatcher.ExecuteFromWindow(s.system.windowSource, "Wait;XY ?", s.clock);
    } else if (first == "program") {
      s.front.LoadWindows();  // the program runs the command box
      s.system.interpreter.SetRows(20);
      s.system.interpreter.State().ProgLines = {"XY 30000 0", "Wait", "XY ?"};
      s.system.interpreter.StartOver();
      s.system.interpreter.Run();
      s.system.runner.Tick();
      s.front.onDoEvents = fromSecond;
      reply = s.system.runner.Tick().reply;
      reply += s.system.runner.Tick().reply;
      s.front.loaded.clear();
    } else {
      automation.Exec(first, "XY 30000 0");
      fromSecond();
      reply = automation.Exec(first, "Wait;XY ?");
    }
    s.front.onDoEvents = nullptr;
    EXPECT_EQ(std::pair(reply, secondReply),
              std::pair(std::string("OK  ; 30000.0 0.0 ; "), std::string("OK  ; ")));
  }
}

// A client's "Wait" inside another client's motion wait waits for its own device, not for the
// stage that the other one waits for.
TEST_P(DeviceLine, AWaitInsideAnotherSourcesWaitWaitsForItsOwnDevice) {
  ASSERT_EQ(automation.Exec("tcp:1", "Z 3;Z Wait"), "OK  ; OK  ; ");
  std::string nested;
  bool stageMoving = false;
  s.front.onDoEvents = [&] {
    if (!nested.empty()) return;
    nested = automation.Exec("tcp:1", "Wait");
    stageMoving = s.State(X()).moving;
  };
  EXPECT_EQ(automation.Exec(":1.5", "XY 30000 0;XY Wait;XY ?"), "OK  ; OK  ; 30000.0 0.0 ; ");
  s.front.onDoEvents = nullptr;
  EXPECT_EQ(std::pair(nested, stageMoving), std::pair(std::string("OK  ; "), true));
}

// A missing key's message is a modal box, in which another source's command writes a keyword
// file of its own: the device's file is read on to its end and every message names it.
TEST_P(DeviceLine, AKeywordFileIsReadOnWhileAnotherSourceWritesOneUnderItsMessage) {
  SetKeyword(s.folder, "QV_PARZ.TXT", "ZSTROKEPERROT", std::nullopt);
  s.notifier.Clear();
  std::string clientReply;
  s.notifier.whileShown = [&] { clientReply = s.Run("Grid Step 120 130"); };
  EXPECT_EQ(ReinitialiseDevice(s.system, DeviceId::Z), "Z Off");
  std::vector<std::string> shown;
  for (const RecordedMessage& message : s.notifier.Messages)
    shown.push_back(message.Text);
  EXPECT_EQ(shown, std::vector<std::string>{"Parameter ZSTROKEPERROT not found in " +
                                            s.folder.File("QV_PARZ.TXT")});
  ParList grid;
  ASSERT_EQ(s.system.keywordFiles.ReadParList(s.folder.File("QV_SCANGRID.TXT"), grid), 1);
  int32_t stepX = 0, stepY = 0;
  GetPar(grid, "GRIDSTEPX", stepX);
  GetPar(grid, "GRIDSTEPY", stepY);
  EXPECT_EQ(std::tuple(clientReply, stepX, stepY), std::tuple("OK  ; ", 120, 130));
}

INSTANTIATE_TEST_SUITE_P(BothLines, DeviceLine,
                         ::testing::Values("config/demo", "config/demo-im483i"), LineName());

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

// Message boxes go to the error stream and their questions are declined; --channel-log writes a
// line of text for each message, a controller's raw bytes as escapes.
TEST_F(ConsoleRun, MessageBoxesAndTheChannelLogAreText) {
  EXPECT_EQ(console.MessageBox("File X\r\nOverwrite?", MsgIcon::None, "File overwrite",
                               MsgButtons::OkCancel),
            MsgResult::Cancel);
  EXPECT_EQ(err.str(), "File overwrite: File X Overwrite?\n");
  system.comm.CommLogAdd("Port TimeOut");
  system.comm.CommLogAdd("/1?0 \xFF/0`12\x03\r");
  EXPECT_EQ(ChannelLogAsText(system.comm.CommLogText()),
            "Port TimeOut\n/1?0 \xC3\xBF/0`12\\x03\\r\n");
}

// A program's replies, one line each, and its end; comment lines go to the error stream; a
// program that is not there fails. (A failing line's stop: Executable.ARunSaysHowItsProgramEnded.)
TEST_F(ConsoleRun, AProgramRunsToItsEndAndAMissingOneFails) {
  PutBytes(folder.File("A.PRG"), "Repeat 2 Times\r\n! step\r\nVer\r\nEndrepeat\r\nEnd\r\n");
  std::ostringstream out;
  EXPECT_EQ(RunProgramFile(system, folder.File("A.PRG"), out), 0);
  EXPECT_EQ(out.str(),
            "OK  ; \n ; \n4.0 ; \nOK  ; \nOK  ; \n ; \n4.0 ; \nOK  ; \nPROGRAM FINISHED\n");
  EXPECT_NE(err.str().find("\nstep\n"), std::string::npos) << err.str();
  std::ostringstream none;
  EXPECT_EQ(RunProgramFile(system, folder.File("NONE.PRG"), none), 1);
  EXPECT_EQ(none.str(), "");
  EXPECT_NE(err.str().find("NONE.PRG does not exist"), std::string::npos) << err.str();
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
  EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), size), 0);
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
    EXPECT_EQ(connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
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
  // Where no lock can be taken, no copy starts.
  const std::string missing = runtime.File("missing");
  const ProcessResult unlocked =
      Process(kProgram, {"--console", "--dir", demo.Dir()}, {"QUORVALIN_RUNTIME_DIR=" + missing})
          .Finish();
  EXPECT_EQ(std::tuple(unlocked.exitCode, unlocked.out, unlocked.err),
            std::tuple(1, "",
                       "quorvalin: Cannot make sure that no other copy of Quorvalin runs: cannot "
                       "open " +
                           missing + "/quorvalin.lock: No such file or directory\n"));
}

// A stop signal ends every kind of program within 2 s, also during a long delay, which then
// replies "Error ": the ready devices stop where they are, the serial line closes, a
// demonstration removes its folder. A signal to the whole process group (-SIGINT below) is what
// Ctrl-C in a terminal sends.
TEST_F(Executable, StopSignalsEndTheProgramInOrder) {
  PutBytes(demo.File("LONG.PRG"), "Delay 20000\r\nVer\r\nVer\r\nEnd\r\n");
  // Arguments, input, what shows it is ready (on standard error, or on standard output after
  // "out:"), the signal, the output.
  const std::tuple<std::vector<std::string>, std::string, std::string, int, std::string> cases[] = {
      {{"--console", "--dir", demo.Dir()},
       "XY 40000 30000\nDelay 20000\nVer\n",
       "out:OK  ; \n",
       SIGTERM,
       "OK  ; \nError  ; \n"},
      {{"--console", "--dir", demo.Dir(), "--run", demo.File("LONG.PRG")},
       "",
       "PROGRAM (RE)STARTED",
       SIGINT,
       "Error  ; \nPROGRAM STOPPED\n"},
      {{"--demo"}, "", "no automation", SIGHUP, ""},
      // Ctrl-C in a terminal: to the demonstration's simulator too, which must not end first.
      {{"--demo", "--console"}, "Ver\n", "out:4.0 ; \n", -SIGINT, "4.0 ; \n"},
  };
  for (auto [args, input, ready, signal, out] : cases) {
    SCOPED_TRACE(args[0] + " " + std::to_string(signal));
    const auto p = Start(args);
    p->Write(input);
    const bool onError = ready.rfind("out:", 0) != 0;
    ASSERT_TRUE(p->WaitFor(onError ? ready : ready.substr(4), onError));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // well into the delay
    if (signal < 0) {
      signal = -signal;
      p->SignalGroup(signal);
    } else {
      p->Signal(signal);
    }
    const ProcessResult r = p->Finish(std::chrono::seconds(10));
    EXPECT_EQ(std::tuple(r.exitCode, r.out), std::tuple(128 + signal, out)) << r.err;
    EXPECT_NE(
        r.err.find(std::string(strsignal(signal)) + ": motions stopped, serial line closed\n"),
        std::string::npos)
        << r.err;
    if (args[0] == "--demo") ExpectDemonstrationFolderGone(r.err);
  }
  // The stage that was on its way stands where the stop caught it.
  const ProcessResult after = Console("XY ?;Delay 300;XY ?\n");
  const std::string first = after.out.substr(0, after.out.find(" ; "));
  EXPECT_NE(first, "40000.0 30000.0");
  EXPECT_EQ(after.out, first + " ; 300 ; " + first + " ; \n");
}

// The folders that writes made temporary files in are noted in a folder of the user's (for the
// tests, the lock's folder); a start removes what a killed write left in any of them (the kill
// itself: the atomic writer's tests).
TEST_F(Executable, AStartRemovesTheLeftoversOfKilledWritesWhereverTheyWereMade) {
  const std::string sub = demo.File("sub");
  std::filesystem::create_directory(sub);
  PutBytes(sub + "/.OBJ.TXT.qvtmp.Ab3dE9", "part of a killed write");
  PutBytes(runtime.File("quorvalin.writes"), sub + "\n");
  EXPECT_EQ(Console("Obj ListWrite sub/OBJ.TXT\n").out, " 0 ; \n");
  EXPECT_EQ(std::filesystem::exists(sub + "/.OBJ.TXT.qvtmp.Ab3dE9"), false);
  EXPECT_EQ(GetBytes(runtime.File("quorvalin.writes")), sub + "\n");
}

// "--run" ends with its final line, and its status says how the program ended: 0 at its end, 1
// when a line failed (a device that is not ready answers "Off"), 3 at a "Stop" statement.
TEST_F(Executable, ARunSaysHowItsProgramEnded) {
  SetKeyword(demo, "QV_CONFIG.TXT", "XY_INSTALLED", "0");
  const std::tuple<std::string, int, std::string> cases[] = {
      {"Z 5\r\nZ Wait\r\nZ ?\r\n", 0, "OK  ; \nOK  ; \n5.00 ; \nPROGRAM FINISHED\n"},
      {"Z 5\r\nXY 100 200\r\nZ 0\r\n", 1, "OK  ; \nOff  ; \nPROGRAM STOPPED\n"},
      {"Ver\r\nStop\r\nVer\r\n", 3, "4.0 ; \nOK  ; \nPROGRAM STOPPED\n"},
  };
  for (const auto& [program, status, out] : cases) {
    SCOPED_TRACE(program);
    PutBytes(demo.File("A.PRG"), program);
    const ProcessResult r = Console("", {"--run", demo.File("A.PRG")});
    EXPECT_EQ(std::tuple(r.exitCode, r.out), std::tuple(status, out)) << r.err;
  }
}

// A start that cannot do what was asked says why in one message and ends: a wrong option, a
// folder without a configuration, a port for the command lines that another program has.
TEST_F(Executable, AStartThatCannotBeDoneIsExplained) {
  TempFolder empty;
  const int taken = socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
  ASSERT_EQ(bind(taken, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  // Arguments, the status, the start of the message.
  const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
      {{"--dir"}, 2, "quorvalin: --dir needs a value\n"},
      {{"--console", "--dir", empty.Dir()},
       2,
       "quorvalin: No configuration yet in " + fs::path(empty.File("")).parent_path().string() +
           " (it holds no QV_CONFIG.TXT).\n"},
      {{"--console", "--dir", demo.Dir(), "--listen", std::to_string(port)},
       1,
       "Quorvalin: No command lines are served: cannot listen on 127.0.0.1 port " +
           std::to_string(port) + " ("},
  };
  for (const auto& [args, status, message] : cases) {
    SCOPED_TRACE(args.back());
    const ProcessResult r = Process(kProgram, args, Env()).Finish();
    EXPECT_EQ(std::tuple(r.exitCode, r.out, r.err.substr(0, message.size())),
              std::tuple(status, "", message))
        << r.err;
  }
  close(taken);
}

// A line that cannot be used is named with the system's reason and the way on, once, and every
// device answers "Off "; CONTRTYPE is taken in any letter case. Permission is denied to another
// user than the one the device's group lets in: root may open anything.
TEST_F(Executable, AnUnusableLineIsNamedWithItsReasonAndTheWayOn) {
  SetKeyword(demo, "QV_CONFIG.TXT", "CONTRTYPE", "ezhr17");
  const ProcessResult r = Console("XY 100 200;XY Wait;XY ?\n");
  EXPECT_EQ(std::tuple(r.exitCode, r.out, r.err),
            std::tuple(0, "OK  ; OK  ; 100.0 200.0 ; \n", ""));

  SetKeyword(demo, "QV_CONFIG.TXT", "PORTNAME", runtime.File("ttyUSB9"));
  const ProcessResult missing = Console("XY ?\n");
  EXPECT_EQ(std::tuple(missing.out, missing.err),
            std::tuple("Off  ; \n", "Quorvalin: The controllers' serial line " +
                                        runtime.File("ttyUSB9") + " (PORTNAME in " + demo.Dir() +
                                        "QV_CONFIG.TXT) cannot be opened: No such file or "
                                        "directory; every device stays off. Plug in the adapter, "
                                        "or set PORTNAME in QV_CONFIG.TXT to the controllers' "
                                        "serial device (ls /dev/serial/by-id names the USB "
                                        "adapters).\n"));

  if (geteuid() != 0) GTEST_SKIP() << "running the program as another user needs root";
  // A device of the group dialout, and the program as user nobody, who is not in it.
  const group* dialout = getgrnam("dialout");
  ASSERT_NE(dialout, nullptr);
  PutBytes(runtime.File("ttyUSB0"), "");
  ASSERT_EQ(chown(runtime.File("ttyUSB0").c_str(), 0, dialout->gr_gid), 0);
  chmod(runtime.File("ttyUSB0").c_str(), 0660);
  SetKeyword(demo, "QV_CONFIG.TXT", "PORTNAME", runtime.File("ttyUSB0"));
  TempFolder lock;
  for (const std::string& folder : {runtime.Dir(), demo.Dir()})
    chmod(folder.c_str(), 0755);
  for (const fs::directory_entry& file : fs::directory_iterator(demo.Dir()))
    chmod(file.path().c_str(), 0644);
  ASSERT_EQ(chown(lock.Dir().c_str(), 65534, 65534), 0);
  Process denied("/usr/bin/setpriv",
                 {"--reuid=nobody", "--regid=nogroup", "--clear-groups", kProgram, "--console",
                  "--dir", demo.Dir()},
                 {"QUORVALIN_RUNTIME_DIR=" + lock.Dir(), "HOME=/nonexistent"});
  denied.Write("XY ?\n");
  const ProcessResult d = denied.Finish();
  EXPECT_EQ(std::tuple(d.out, d.err),
            std::tuple("Off  ; \n", "Quorvalin: The controllers' serial line " +
                                        runtime.File("ttyUSB0") + " (PORTNAME in " + demo.Dir() +
                                        "QV_CONFIG.TXT) cannot be opened: Permission denied; "
                                        "every device stays off. Add yourself to the group that "
                                        "owns " +
                                        runtime.File("ttyUSB0") +
                                        " (dialout) and log in again: sudo usermod -aG dialout "
                                        "nobody\n"));
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

// A line on which no unit answers: every exchange waits out its time-out on the serial port,
// which is a silent unit and no fault of the line.
TEST_F(Executable, ASilentLineTimesOutWithoutAPortFault) {
  int master = -1, slave = -1;
  char device[256] = {};
  ASSERT_EQ(openpty(&master, &slave, device, nullptr, nullptr), 0);
  SetKeyword(demo, "QV_CONFIG.TXT", "PORTNAME", device);
  SetKeyword(demo, "QV_CONFIG.TXT", "PORTTIMEOUT", "50");
  for (const DeviceRow& row : kDeviceTable)
    if (row.id != DeviceId::Z) SetKeyword(demo, "QV_CONFIG.TXT", row.installedKey, "0");
  const ProcessResult r = Console("Z ?\n", {"--channel-log"});
  EXPECT_EQ(r.out, "Off  ; \n");
  EXPECT_NE(r.err.find("Port TimeOut"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("ERROR #"), std::string::npos) << r.err;
  close(slave);
  close(master);
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
  std::istringstream errLines(r.err);
  std::vector<std::string> lines;
  for (std::string line; std::getline(errLines, line);)
    lines.push_back(line);
  EXPECT_EQ(std::ranges::count(r.err, '\r'), 0);  // the channel log as text, LF line ends
  EXPECT_EQ(std::ranges::count(lines, "Port TimeOut"),
            std::ranges::count(inProcess.Log(), "Port TimeOut"));
  ExpectNewText();
}

INSTANTIATE_TEST_SUITE_P(BothLines, DemoMicroscope,
                         ::testing::Values("config/demo", "config/demo-im483i"), LineName());

}  // namespace
}  // namespace qv::test
