// The line server with a whole program on the simulated microscope: clients side by side, on
// both address families, one client's stop reaching the motion another waits for, a client that
// ends its input, and another user's process refused, its owner read from the kernel's table.
// (Lines cut, answered in order, too long, or lost with a client that goes: the line session's
// tests.)
#include "platform/LineServer.h"
#include "platform/SocketOwner.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>
#include <functional>

#include "tests/support/QtApplication.h"
#include "tests/support/SimSystem.h"

namespace qv::test {
namespace {

// Runs the event loop until `done` holds, looking at least every 20 ms; false after 10 s.
bool ServeUntil(const std::function<bool()>& done) {
  QTimer guard, tick;
  guard.setSingleShot(true);
  guard.start(10000);
  tick.start(20);
  while (!done() && guard.isActive())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return done();
}

// What a client program does, with the server in the same thread: every wait runs the loop.
struct Client {
  explicit Client(uint16_t port, const QHostAddress& host = QHostAddress::LocalHost) {
    socket.connectToHost(host, port);
  }
  void Send(std::string_view bytes) { socket.write(bytes.data(), qint64(bytes.size())); }
  // The next answer without its LF; "<end>" once the server has closed the connection.
  std::string Line() {
    if (!ServeUntil([this] {
          return socket.canReadLine() || socket.state() == QTcpSocket::UnconnectedState;
        }))
      return "<no answer>";
    if (!socket.canReadLine()) return socket.readAll().toStdString() + "<end>";
    const std::string line = socket.readLine().toStdString();
    return line.substr(0, line.size() - 1);
  }
  void EndInput() {
    ASSERT_TRUE(ServeUntil([this] { return socket.bytesToWrite() == 0; }));
    ::shutdown(int(socket.socketDescriptor()), SHUT_WR);
  }
  QTcpSocket socket;
};

// A program on the simulated microscope of `folder` serving its automation objects to the line
// server; motion waits let the event loop run, as the window's do.
struct Served {
  explicit Served(const std::string& folder) : s(RepoFolder(folder)) {
    EnsureQApplication();
    s.front.onDoEvents = [] { QCoreApplication::processEvents(); };
    EXPECT_EQ(s.Start(), 1) << s.system.comm.CommLogText();
    s.clock.Advance(60'000'000);  // µs: the units have ended the motions of their start-up
    QString error;
    EXPECT_TRUE(server.Listen(0, error)) << error.toStdString();
    EXPECT_EQ(server.Where(), "127.0.0.1 and ::1 port " + QString::number(server.Port()));
    server.OnUnused([this] { ++unused; });
  }
  bool Connections(size_t count) {
    return ServeUntil([&] { return server.ConnectionCount() == count; });
  }

  SimSystem s;
  bool windowLoaded = true;
  int unused = 0;  // times the program was told it may end
  Automation automation{
      s.system.state, s.system.dispatcher,
      Automation::Hooks{[this] { return s.system.comm.CommIsReady() == 1; },
                        [this] { return windowLoaded; }, [this] { s.system.Shutdown(); }}};
  LineServer server{automation, s.clock};
};

class LineServerOnBothLines : public ::testing::TestWithParam<std::string> {};

TEST_P(LineServerOnBothLines, AStopReachesAnotherClientsMotionAndAnEndedInputIsAnsweredInFull) {
  Served p(GetParam());
  Client mover(p.server.Port()), stopper(p.server.Port(), QHostAddress::LocalHostIPv6);
  ASSERT_TRUE(p.Connections(2));
  mover.Send("XY 40000 30000\n");
  EXPECT_EQ(mover.Line(), "OK  ; ");
  bool stopSent = false;
  p.s.front.onDoEvents = [&] {
    if (!stopSent) stopper.Send("XY Stop\n");
    stopSent = true;
    QCoreApplication::processEvents();
  };
  mover.Send("XY Wait\n");
  EXPECT_EQ(stopper.Line(), "OK  ; ");  // answered while the mover's wait goes on
  EXPECT_EQ(mover.Line(), "OK  ; ");
  mover.Send("XY ?\n");
  EXPECT_NE(mover.Line(), "40000.0 30000.0 ; ");
  EXPECT_FALSE(p.s.State(GetParam() == "config/demo" ? '1' : 'X').moving);
  EXPECT_EQ(p.automation.ObjectCount(), 2u);

  // A client that has shut its sending side: its unfinished last line runs too, every answer
  // arrives, then the end. With the last object gone and no window, the serial line closes and
  // the program may end.
  p.windowLoaded = false;
  mover.Send("Ver\nZ 25;Z Wait;Z ?");
  mover.EndInput();
  EXPECT_EQ(mover.Line(), "4.0 ; ");
  EXPECT_EQ(mover.Line(), "OK  ; OK  ; 25.00 ; ");
  EXPECT_EQ(mover.Line(), "<end>");
  ASSERT_TRUE(p.Connections(1));
  stopper.socket.close();
  ASSERT_TRUE(p.Connections(0));
  EXPECT_EQ(p.automation.ObjectCount(), 0u);
  EXPECT_EQ(p.unused, 1);
  EXPECT_EQ(p.s.system.comm.CommIsReady(), 0);
}

INSTANTIATE_TEST_SUITE_P(BothLines, LineServerOnBothLines,
                         ::testing::Values("config/demo", "config/demo-im483i"), LineName());

TEST(LineServer, AnotherUsersProcessGetsOneErrorLineAndNothingRuns) {
  if (geteuid() != 0) GTEST_SKIP() << "running a client as another user needs root";
  const passwd* nobody = getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  Served p("config/demo");
  std::vector<std::optional<uid_t>> refused;
  p.server.OnRefused([&refused](std::optional<uid_t> owner) { refused.push_back(owner); });
  const int32_t commands = p.s.system.state.CommandCount;
  const uid_t uid = nobody->pw_uid;
  const gid_t gid = nobody->pw_gid;
  const uint16_t port = p.server.Port();
  const pid_t child = fork();
  if (child == 0) {
    // The client as user nobody.
    if (setgid(gid) != 0 || setuid(uid) != 0) _exit(2);
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) _exit(3);
    (void)!send(fd, "Ver\n", 4, MSG_NOSIGNAL);
    std::string read;
    char buffer[256];
    ssize_t n;  // ends with an orderly end, or a reset when its line came after the refusal
    while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0)
      read.append(buffer, static_cast<size_t>(n));
    _exit(read == kRefusedAnswer ? 0 : 4);
  }
  int status = 0;
  if (!ServeUntil([&] { return waitpid(child, &status, WNOHANG) == child; })) {
    kill(child, SIGKILL);  // a client still served would wait for ever
    waitpid(child, &status, 0);
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(refused, (std::vector<std::optional<uid_t>>{uid}));
  EXPECT_EQ(p.s.system.state.CommandCount, commands);
  EXPECT_EQ(p.server.ConnectionCount(), 0u);
  EXPECT_EQ(p.automation.ObjectCount(), 0u);
}

// The kernel's TCP table read the way the server reads it: the client's entry is the one with its
// address local and ours remote, and a socket closed by its process belongs to nobody.
TEST(SocketOwner, TheClientsEntryIsTheOneWithItsAddressLocalAndOursRemote) {
  const std::string table =
      "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout"
      " inode\n"
      "   0: 0100007F:13A5 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000        0"
      " 4711 1 0000000000000000 100 0 0 10 0\n"
      "   1: 0100007F:13A5 0100007F:9C40 01 00000000:00000000 00:00000000 00000000  1000        0"
      " 4712 1 0000000000000000 20 4 30 10 -1\n"
      "   2: 0100007F:9C40 0100007F:13A5 01 00000000:00000000 00:00000000 00000000    65534      0"
      " 4713 1 0000000000000000 20 4 30 10 -1\n"
      "   3: 0100007F:9C41 0100007F:13A5 04 00000000:00000000 01:00000014 00000000     0        0"
      " 0 3 0000000000000000 20 4 30 10 -1\n";
  EXPECT_EQ(OwnerInTcpTable(table, "0100007F:9C40", "0100007F:13A5"), 65534u);
  EXPECT_EQ(OwnerInTcpTable(table, "0100007F:13A5", "0100007F:9C40"), 1000u);  // our own side
  EXPECT_EQ(OwnerInTcpTable(table, "0100007F:9C41", "0100007F:13A5"), std::nullopt);  // closed
  EXPECT_EQ(OwnerInTcpTable(table, "0100007F:9C42", "0100007F:13A5"), std::nullopt);
}

// A client's IPv6 socket that reaches the IPv4 listener (::ffff:127.0.0.1) is listed among the
// IPv6 sockets; it is the user's all the same.
TEST(SocketOwner, AnIpv6ClientOfTheIpv4AddressIsFound) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
  const int client = socket(AF_INET6, SOCK_STREAM, 0);
  sockaddr_in6 mapped{};
  mapped.sin6_family = AF_INET6;
  mapped.sin6_port = address.sin_port;
  inet_pton(AF_INET6, "::ffff:127.0.0.1", &mapped.sin6_addr);
  ASSERT_EQ(connect(client, reinterpret_cast<const sockaddr*>(&mapped), sizeof mapped), 0);
  const int served = accept(listener, nullptr, nullptr);
  EXPECT_EQ(PeerOwner(served), geteuid());
  for (const int fd : {served, client, listener})
    close(fd);
}

}  // namespace
}  // namespace qv::test
