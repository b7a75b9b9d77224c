// quorvalin: start-up, choice of front end, and the event loop.
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/Console.h"
#include "app/DemoSession.h"
#include "app/Options.h"
#include "app/ProgramFolder.h"
#include "app/SampleConfig.h"
#include "app/StopAll.h"
#include "app/System.h"
#include "app/WindowCore.h"
#include "commands/Automation.h"
#include "controllers/Clock.h"
#include "foundation/AtomicFile.h"
#include "foundation/ProgramFiles.h"
#include "foundation/Version.h"
#include "platform/BusRefusal.h"
#include "platform/ConsoleInput.h"
#include "platform/DBusAutomation.h"
#include "platform/DesktopTextEditor.h"
#include "platform/EndSignals.h"
#include "platform/InputUntilEnd.h"
#include "platform/InstanceLock.h"
#include "platform/LineServer.h"
#include "platform/LockHolder.h"
#include "platform/ProcessLauncher.h"
#include "platform/QtNotifier.h"
#include "platform/QtSerialPort.h"
#include "platform/SdlJoystick.h"
#include "ui/FilesWindow.h"
#include "ui/MainWindow.h"
#include "ui/ProgramWindow.h"
#include "ui/WindowFrontEnd.h"

namespace {

constexpr const char* kAlreadyRunning =
    "Application is already running.\r\n"
    "If user interface is not visible,\r\n"
    "restore form, or give Show command from a client.";

// Says why this copy does not start: in a box when it was started for the desktop, else on
// standard error as `plain`.
int RefuseToStart(const std::string& text, const std::string& plain, int argc, char** argv,
                  bool console) {
  if (!console && qv::DisplayAvailable()) {
    QApplication app(argc, argv);
    qv::QtNotifier().MessageBox(text, qv::MsgIcon::Critical, "Quorvalin", qv::MsgButtons::Ok);
  } else {
    std::cerr << plain << '\n';
  }
  return 1;
}

int RefuseSecondInstance(int argc, char** argv, bool console) {
  std::string plain = kAlreadyRunning;
  for (size_t at; (at = plain.find('\r')) != std::string::npos;)
    plain.erase(at, 1);
  return RefuseToStart(kAlreadyRunning, plain, argc, argv, console);
}

// Two copies on one serial line would garble each other's exchanges: without the lock the
// program does not start.
std::string UnlockedText(const std::string& problem) {
  return "Cannot make sure that no other copy of Quorvalin runs: " + problem;
}

int RefuseUnlocked(const std::string& problem, int argc, char** argv, bool console) {
  const std::string text = UnlockedText(problem);
  return RefuseToStart(text, "quorvalin: " + text, argc, argv, console);
}

// A copy started by the bus for a client that cannot run tells that client why, in one line,
// instead of ending with a status that the bus hands on as a spawn failure.
int RefuseClients(const std::string& why, int status) {
  std::string line = why;
  for (char& c : line) {
    if (c == '\n') c = ' ';
  }
  std::string::size_type at;
  while ((at = line.find("  ")) != std::string::npos)
    line.erase(at, 1);
  std::cerr << "quorvalin: " << why << '\n';
  qv::RefuseBusClients(line);
  return status;
}

std::string ProgramFolder(const qv::Options& options, std::string& error) {
  const qv::FolderChoice choice =
      qv::ChooseProgramFolder(options.dir, qv::ExecutableFolder(), qv::UserProgramFolder());
  error = choice.problem;
  return choice.folder.string();
}

// Without a program folder there is nothing to run. Started from the desktop menu, the program
// has no console to say why: the operator gets a box.
int NoProgramFolder(const std::string& problem, bool windowMode) {
  if (windowMode) {
    qv::QtNotifier().MessageBox(problem, qv::MsgIcon::Exclamation, "Quorvalin", qv::MsgButtons::Ok);
  } else {
    std::cerr << "quorvalin: " << problem << '\n';
  }
  return 2;
}

// --init-config: a sample configuration from the demonstration folders, copied into the folder
// the program would use.
int InitConfig(const qv::Options& options) {
  const std::filesystem::path folder =
      options.dir.empty() ? qv::UserProgramFolder() : std::filesystem::path(options.dir);
  return qv::CopySampleConfig(qv::DemoFolder(qv::ExecutableFolder(), options.initConfig), folder,
                              std::cout, std::cerr);
}

// The orderly end after a stop signal, once every wait has given way: the ready devices stop
// where they are and the serial line closes. 128 + the signal, as a shell reports a program
// that the signal ended.
int EndAfterSignal(qv::System& system, const qv::EndSignals& endSignals) {
  std::string done = "serial line already closed";
  if (system.comm.CommIsReady() == 1) {
    done = qv::StopAllDevices(system).empty() ? "motions stopped" : "a unit did not take its stop";
    system.Shutdown();
    done += ", serial line closed";
  }
  std::cerr << "quorvalin: " << strsignal(endSignals.Signal()) << ": " << done << '\n';
  return 128 + endSignals.Signal();
}

// The automation objects of a program: the serial line closes with the last of them when the
// operator's side (`operatorOpen`: the main window, or the console) is gone.
qv::Automation AutomationOf(qv::System& system, std::function<bool()> operatorOpen) {
  return qv::Automation(
      system.state, system.dispatcher,
      qv::Automation::Hooks{[&system] { return system.comm.CommIsReady() == 1; },
                            std::move(operatorOpen), [&system] { system.Shutdown(); }});
}

// The command-line server, when one was asked for and could listen; none otherwise, and the
// operator is told why. `failed`: it was asked for and cannot serve. When the program may end
// after a client has gone (no window, no object left), it ends.
std::unique_ptr<qv::LineServer> ServeLines(const qv::Options& options, qv::System& system,
                                           qv::Automation& automation, qv::Clock& clock,
                                           bool& failed) {
  std::string error;
  const std::optional<uint16_t> port =
      qv::ListenPort(options, system.state.Config.ListenPort, error);
  auto server = port ? std::make_unique<qv::LineServer>(automation, clock) : nullptr;
  QString why;
  if (server && !server->Listen(*port, why)) {
    error = "No command lines are served: " + why.toStdString() + ".";
    server.reset();
  }
  failed = !server && !error.empty();
  if (!server) {
    if (failed) {
      system.platform.notifier.MessageBox(error, qv::MsgIcon::Exclamation, "Quorvalin",
                                          qv::MsgButtons::Ok);
    }
    return nullptr;
  }
  std::cerr << "quorvalin: command lines served on " << server->Where().toStdString() << '\n';
  // The console's application is no QApplication, which qApp would take it for.
  server->OnUnused(
      [] { QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit); });
  server->OnRefused([](std::optional<uid_t> owner) {
    std::cerr << "quorvalin: refused a connection from "
              << (owner ? "user id " + std::to_string(*owner) : std::string("an unknown process"))
              << '\n';
  });
  return server;
}

// The console on the event loop with the command-line server beside it; false when no server
// was asked for or it could not listen (`failed`: it was asked for). The console's input ending
// is its window closing: the program ends with the last socket client.
bool ServeConsoleAndLines(const qv::Options& options, qv::System& system,
                          qv::ConsoleFrontEnd& console, qv::Clock& clock,
                          const qv::EndSignals& endSignals, bool& failed) {
  bool consoleOpen = true;
  qv::Automation automation = AutomationOf(system, [&consoleOpen] { return consoleOpen; });
  const std::unique_ptr<qv::LineServer> server =
      ServeLines(options, system, automation, clock, failed);
  if (!server) return false;
  console.SetEventPump([] { QCoreApplication::processEvents(); });
  qv::ConsoleInput input(
      0, qv::LineSession::Hooks{
             [&system](const std::string& line) { return system.ExecuteLine(line); },
             [](const std::string& answer) { std::cout << answer << std::flush; },
             [&clock] { return clock.EndRequested(); }});
  input.OnEnd([&consoleOpen, &automation] {
    consoleOpen = false;
    if (automation.MayEnd()) {
      QCoreApplication::quit();
    } else {
      std::cerr << "quorvalin: the console has ended; the program ends with its last client\n";
    }
  });
  QSocketNotifier ending(endSignals.Fd(), QSocketNotifier::Read);
  QObject::connect(&ending, &QSocketNotifier::activated, [&ending] {
    ending.setEnabled(false);  // the descriptor stays readable
    QCoreApplication::exit();
  });
  if (!endSignals.Requested()) QCoreApplication::exec();
  console.SetEventPump(nullptr);
  return true;
}

// The program with its main window. Started for automation it keeps the window hidden unless
// start-up failed; it serves automation clients either way, and ends when the window is unloaded
// and no client holds an object.
int RunWindow(const std::string& folder, bool automationStart, const qv::EndSignals& endSignals,
              const qv::Options& options) {
  qv::QtNotifier notifier;
  qv::WindowFrontEnd front;
  qv::SystemClock clock(endSignals.Fd());
  qv::QtSerialPort port;
  qv::SdlJoystick joystick;
  qv::ProcessLauncher launcher;  // the capture program is started from the window's menu
  qv::System system(qv::Platform{notifier, clock, front, port, &joystick, &launcher});
  port.OnErrorEvent([&system](int code) { system.comm.OnCommEvent(code); });
  const int16_t started = system.InitSystem(folder);
  // Where the window's menus and dialogs hand texts and files to the operator's editor.
  qv::DesktopTextEditor textEditor(system.state.Config.TextEditor);

  qv::Automation automation =
      AutomationOf(system, [&system] { return system.display.MainFormLoaded(); });
  qv::DBusAutomation bus(automation, system.dispatcher, system.windowSource, clock);
  QString error;
  const bool served = bus.Register(error);
  if (!served) std::cerr << "quorvalin: no automation: " << error.toStdString() << '\n';
  bool linesFailed = false;
  const std::unique_ptr<qv::LineServer> lines =
      ServeLines(options, system, automation, clock, linesFailed);
  if (linesFailed && options.listen) {
    // Asked for on the command line: a program that cannot serve its clients does not start.
    system.Shutdown();
    return 1;
  }

  const auto showProgram = [&front, &system, &textEditor] {
    if (front.ProgramWin() == nullptr) {
      auto* program = new qv::ProgramWindow(qv::ProgramPart(qv::WindowCore(system)), [&front] {
        qv::ProgramWindow* unloaded = front.ProgramWin();
        front.AttachProgram(nullptr);
        if (unloaded != nullptr) unloaded->deleteLater();
      });
      // Programs are read and written through the program's own file dialog.
      program->SetFileChooser([program, &system, &textEditor](const std::string& title, bool) {
        return qv::ChooseFile(program, textEditor, system.state.AppDir, title, "*.PRG *.*", "");
      });
      front.AttachProgram(program);
    }
    front.ProgramWin()->show();
    front.ProgramWin()->raise();
  };
  const auto unloadProgram = [&front] {
    if (front.ProgramWin() != nullptr) front.ProgramWin()->close();
  };
  std::function<qv::MainWindow*()> load = [&]() -> qv::MainWindow* {
    auto* window = new qv::MainWindow(qv::WindowCore(system), [&front, &automation] {
      qv::MainWindow* unloaded = front.Window();
      front.Attach(nullptr);
      if (unloaded != nullptr) unloaded->deleteLater();
      if (automation.MayEnd()) QCoreApplication::quit();
    });
    window->SetProgramWindowHooks(showProgram, unloadProgram);
    window->SetCaptureLauncher([&system] { return system.capture.LaunchCaptureProgram(); });
    window->Services().textEditor = &textEditor;
    front.Attach(window);
    return window;
  };
  front.SetLoader(load);
  qv::MainWindow* window = load();
  if (!system.LineProblem().empty()) front.SetMessage(system.LineProblem());
  if (!automationStart || started < 0) window->show();
  if (!served && !lines && !window->isVisible()) {
    // Started for clients that cannot reach it, with no window to show: nobody could end it.
    system.Shutdown();
    return 1;
  }
  // A program started for clients has no one left to serve when its bus goes: it unloads its
  // window and ends, as after its last client with "Unload".
  bus.OnBusLost([&front, automationStart] {
    if (automationStart && front.Window() != nullptr) front.Window()->close();
  });
  QApplication::setQuitOnLastWindowClosed(false);  // the clients decide when the program ends
  // A stop signal leaves every event loop, also a modal dialog's; a wait that was letting
  // events run gives way by itself.
  QSocketNotifier ending(endSignals.Fd(), QSocketNotifier::Read);
  QObject::connect(&ending, &QSocketNotifier::activated, [&ending] {
    ending.setEnabled(false);  // the descriptor stays readable
    QCoreApplication::exit();
  });
  if (!endSignals.Requested()) QApplication::exec();
  if (endSignals.Requested()) {
    // The devices stop before the window's unload steps, which may close the line.
    const int status = EndAfterSignal(system, endSignals);
    if (front.Window() != nullptr) front.Window()->close();
    return status;
  }
  if (system.comm.CommIsReady() == 1) system.Shutdown();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  std::string error;
  const std::optional<qv::Options> options = qv::ParseOptions(arguments, error);
  if (!options) {
    std::cerr << "quorvalin: " << error << '\n' << qv::kUsage;
    return 2;
  }
  if (options->help) {
    std::cout << qv::kUsage;
    return 0;
  }
  if (options->version) {
    std::cout << "quorvalin " << qv::kProgramVersion << '\n';
    return 0;
  }
  if (!options->initConfig.empty()) return InitConfig(*options);

  std::string lockProblem;
  const std::string lockFolder = qv::InstanceLock::DefaultFolder(lockProblem);
  qv::InstanceLock lock(lockFolder);
  switch (lock.TryLock(lockProblem)) {
    case qv::InstanceLock::Result::Taken:
      break;
    case qv::InstanceLock::Result::Held:
      if (options->automation) {
        const std::string holder = qv::InstanceLockHolder(lockFolder);
        return RefuseClients(
            "Another copy of Quorvalin holds the instrument and serves no bus "
            "clients" +
                (holder.empty() ? std::string() : ": " + holder) +
                ". Send the commands to that copy, or end it.",
            1);
      }
      return RefuseSecondInstance(argc, argv, options->console);
    case qv::InstanceLock::Result::Impossible:
      if (options->automation) return RefuseClients(UnlockedText(lockProblem), 1);
      return RefuseUnlocked(lockProblem, argc, argv, options->console);
  }
  // Only now, with no other copy of this user running: the leftovers are of writes that were
  // killed, not of writes going on.
  std::string noJournal;
  const std::string stateFolder = qv::UserStateFolder(noJournal);
  qv::TemporaryFolderJournal journal(stateFolder.empty() ? "" : stateFolder + "/quorvalin.writes");
  if (!stateFolder.empty()) {
    journal.RemoveLeftovers();
    qv::UseTemporaryFolderJournal(&journal);
  }
  // Before the joystick library and the simulator start: they find the handlers in place.
  const qv::EndSignals endSignals;

  // The main window unless the console was asked for. Without a display the window lives on
  // Qt's offscreen platform: automation clients are served and "Show" has a window to show.
  const bool windowMode = !options->console;
  if (windowMode && !qv::DisplayAvailable() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::cerr << "quorvalin: no display; the main window runs offscreen\n";
  }
  std::unique_ptr<QCoreApplication> app = windowMode
                                              ? std::make_unique<QApplication>(argc, argv)
                                              : std::make_unique<QCoreApplication>(argc, argv);
  QCoreApplication::setApplicationName("quorvalin");
  if (windowMode) {
    // Wayland finds the icon through the desktop entry; X11 takes it from the window.
    QGuiApplication::setDesktopFileName("org.quorvalin.Quorvalin");
    QIcon icon;
    for (const char* size : {"32", "64", "128"})
      icon.addFile(QString(":/icons/org.quorvalin.Quorvalin-%1.png").arg(size));
    QApplication::setWindowIcon(icon);
  }
  qv::ConsoleFrontEnd console(std::cerr);
  qv::DemoSession demo(console, QString::fromStdString(options->demoLine));
  std::string folder;
  if (options->demo) {
    QString why;
    if (!demo.Start(why)) {
      std::cerr << "quorvalin: " << why.toStdString() << '\n';
      return 2;
    }
    folder = demo.Folder().toStdString();
    std::cerr << "quorvalin: demonstration folder " << folder << '\n';
  } else {
    folder = ProgramFolder(*options, error);
    if (folder.empty() && options->automation) return RefuseClients(error, 2);
    if (folder.empty()) return NoProgramFolder(error, windowMode);
  }
  if (windowMode) return RunWindow(folder, options->automation, endSignals, *options);

  qv::SystemClock clock(endSignals.Fd());
  qv::QtSerialPort port;
  qv::SdlJoystick joystick;
  qv::System system(qv::Platform{console, clock, console, port, &joystick});
  port.OnErrorEvent([&system](int code) { system.comm.OnCommEvent(code); });
  system.InitSystem(folder);

  int status = 0;
  bool linesFailed = false;
  if (!options->runFile.empty()) {
    status = qv::RunProgramFile(system, options->runFile, std::cout);
  } else if (!ServeConsoleAndLines(*options, system, console, clock, endSignals, linesFailed)) {
    if (linesFailed && options->listen) {
      status = 1;  // asked for on the command line: no console without its clients
    } else {
      qv::InputUntilEnd input(0, endSignals.Fd());
      std::istream lines(&input);
      qv::RunConsole(system, lines, std::cout);
    }
  }
  if (options->channelLog) std::cerr << qv::ChannelLogAsText(system.comm.CommLogText());
  if (endSignals.Requested()) return EndAfterSignal(system, endSignals);
  if (system.comm.CommIsReady() == 1) system.Shutdown();  // the last client may have closed it
  return status;
}
