// The quorvalin executable serving command lines on a local port: beside the console, beside
// the main window, and started again at once on the same port after it ended.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

#include "tests/foundation/TestFiles.h"
#include "tests/support/Process.h"

namespace qv::test {
namespace {

const std::string kProgram = std::string(QV_BINARY_DIR) + "/app/quorvalin";

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

// A client program with a blocking socket; every wait ends after 30 s.
class Client {
 public:
  explicit Client(uint16_t port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    const timeval limit{30, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    const sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    connected_ = connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  }
  ~Client() { close(fd_); }
  bool Connected() const { return connected_; }

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
  bool connected_ = false;
};

class ListeningProgram : public ::testing::Test {
 protected:
  // Each program has a lock folder of its own and no session bus: only the line server serves.
  std::unique_ptr<Process> Start(std::vector<std::string> args) {
    return std::make_unique<Process>(
        kProgram, args,
        std::vector<std::string>{"QUORVALIN_RUNTIME_DIR=" + runtime.Dir(),
                                 "QT_QPA_PLATFORM=offscreen",
                                 "DBUS_SESSION_BUS_ADDRESS=unix:path=" + runtime.File("no-bus")});
  }
  std::string Serving() const {
    return "command lines served on 127.0.0.1 and ::1 port " + std::to_string(port) + "\n";
  }
  TempFolder runtime;
  uint16_t port = FreePort();
};

// The console and a socket client drive one microscope. When the console's input ends the
// program goes on for its client; a stop signal ends it, and it starts again at once on the same
// port although its side of the connection was the first to close.
TEST_F(ListeningProgram, TheConsoleAndASocketClientShareTheProgram) {
  auto first = Start({"--demo", "--console", "--listen", std::to_string(port)});
  ASSERT_TRUE(first->WaitFor(Serving(), true));
  Client client(port);
  ASSERT_TRUE(client.Connected());
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
  {
    Client next(port);
    EXPECT_EQ(next.Ask("Ver"), "4.0 ; ");
  }
  again->Write("Ver\n");
  const ProcessResult r = again->Finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "4.0 ; \n");
}

// "Unload" from a socket client unloads the main window; the program ends with that client.
TEST_F(ListeningProgram, UnloadLetsTheWindowProgramEndWithItsLastClient) {
  auto program = Start({"--demo", "--listen", std::to_string(port)});
  ASSERT_TRUE(program->WaitFor(Serving(), true));
  {
    Client client(port);
    EXPECT_EQ(client.Ask("Unload"), "OK  ; ");
    EXPECT_EQ(client.Ask("Ver"), "4.0 ; ");  // still there for its client
  }
  const ProcessResult r = program->Finish(std::chrono::seconds(10));
  EXPECT_EQ(r.exitCode, 0) << r.err;
}

}  // namespace
}  // namespace qv::test
