#include "platform/LineServer.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QHostAddress>
#include <QSocketNotifier>
#include <cerrno>
#include <vector>

#include "platform/SocketOwner.h"

namespace qv {

namespace {

constexpr size_t kChunk = size_t{64} * 1024;  // bytes read from a client at a time
// Bytes of unsent answers, or of lines waiting for their turn, beyond which a client's input is
// left in the kernel: a client that sends without reading slows down instead of filling memory.
constexpr size_t kBacklog = size_t{1024} * 1024;
constexpr int kPortAttempts = 10;  // tries for a free port that both addresses have

}  // namespace

struct LineServer::Connection {
  Connection(uint64_t serial, int descriptor, LineSession::Hooks hooks)
      : id(serial),
        fd(descriptor),
        client("tcp:" + std::to_string(serial)),
        session(kMaxClientLine, std::move(hooks)) {}

  uint64_t id;
  int fd;
  std::string client;  // the automation client's name
  LineSession session;
  QSocketNotifier* readable = nullptr;  // deleted later: it may be the one being served
  QSocketNotifier* writable = nullptr;
  std::string output;       // answers not yet taken by the kernel
  bool inputEnded = false;  // the client has shut its sending side (or closed)
  bool broken = false;      // the client has gone: nothing more reaches it
};

LineServer::LineServer(Automation& automation, Clock& clock)
    : automation_(automation), clock_(clock), buffer_(kChunk) {
  v4_.accepted = [this](qintptr fd) { Accept(static_cast<int>(fd)); };
  v6_.accepted = v4_.accepted;
}

LineServer::~LineServer() {
  v4_.close();
  v6_.close();
  for (auto& [id, connection] : connections_) {
    delete connection->readable;
    delete connection->writable;
    ::close(connection->fd);
  }
}

bool LineServer::Listen(uint16_t port, QString& error) {
  for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
    if (!v4_.listen(QHostAddress::LocalHost, port)) {
      error = QString("cannot listen on 127.0.0.1 port %1 (%2)").arg(port).arg(v4_.errorString());
      return false;
    }
    port_ = v4_.serverPort();
    if (v6_.listen(QHostAddress::LocalHostIPv6, port_)) return true;
    // A machine without IPv6 has no ::1 to serve; one where it is taken must not send the
    // clients of "localhost" elsewhere.
    if (v6_.serverError() != QAbstractSocket::AddressInUseError) return true;
    v4_.close();
    if (port != 0) break;
  }
  error = QString("cannot listen on ::1 port %1 (%2)").arg(port_).arg(v6_.errorString());
  port_ = 0;
  return false;
}

QString LineServer::Where() const {
  return QString(v6_.isListening() ? "127.0.0.1 and ::1" : "127.0.0.1") + " port " +
         QString::number(port_);
}

void LineServer::Accept(int fd) {
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);  // a program started from here must not hold the client
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  const std::optional<uid_t> owner = PeerOwner(fd);
  if (!owner || *owner != ::geteuid()) {
    // What the client sent before it was refused is dropped unread, so that closing sends the
    // error line and an orderly end rather than a reset.
    char discard[4096];
    while (::recv(fd, discard, sizeof discard, MSG_DONTWAIT) > 0) {
    }
    const std::string answer = kRefusedAnswer;
    (void)!::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    ::close(fd);
    if (refused_) refused_(owner);
    return;
  }
  const int on = 1;  // answers go out at once, not held back for a fuller packet
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);

  const uint64_t id = ++accepted_;
  LineSession::Hooks hooks{
      [this, id](const std::string& line) {
        return automation_.Exec(connections_.at(id)->client, line);
      },
      [this, id](const std::string& answer) { Write(*connections_.at(id), answer); },
      [this] { return clock_.EndRequested(); }};
  auto owned = std::make_unique<Connection>(id, fd, std::move(hooks));
  Connection& connection = *owned;
  connections_.emplace(id, std::move(owned));
  connection.readable = new QSocketNotifier(fd, QSocketNotifier::Read, this);
  connection.writable = new QSocketNotifier(fd, QSocketNotifier::Write, this);
  connect(connection.readable, &QSocketNotifier::activated, this, [this, id] {
    if (Connection* c = Find(id)) Read(*c);
  });
  connect(connection.writable, &QSocketNotifier::activated, this, [this, id] {
    if (Connection* c = Find(id)) {
      Flush(*c);
      ForgetIfDone(*c);
    }
  });
  automation_.CreateObject(connection.client);
  Watch(connection);
}

LineServer::Connection* LineServer::Find(uint64_t id) {
  const auto found = connections_.find(id);
  return found == connections_.end() ? nullptr : found->second.get();
}

// May run the client's lines, and with them a motion wait that serves other events: the
// connection stays while its session runs (ForgetIfDone waits for that).
void LineServer::Read(Connection& connection) {
  // The session copies the lines out of the buffer before it runs one, so a read nested in a
  // running line may use the buffer again.
  const ssize_t n = ::recv(connection.fd, buffer_.data(), buffer_.size(), MSG_DONTWAIT);
  if (n > 0) {
    connection.session.Feed(std::string_view(buffer_.data(), static_cast<size_t>(n)));
  } else if (n == 0 && PeerOwner(connection.fd)) {
    // The client has only shut its sending side: it still reads, so every line gets its answer.
    connection.inputEnded = true;
    connection.session.Finish();  // an unfinished last line runs too
  } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
    // Closed or reset: the client has gone.
    connection.inputEnded = true;
    connection.broken = true;
    connection.session.Close();
  }
  Watch(connection);
  ForgetIfDone(connection);
}

void LineServer::Write(Connection& connection, const std::string& answer) {
  if (connection.broken) return;
  connection.output += answer;
  Flush(connection);
}

void LineServer::Flush(Connection& connection) {
  size_t sent = 0;
  while (sent < connection.output.size()) {
    const ssize_t n = ::send(connection.fd, connection.output.data() + sent,
                             connection.output.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      sent += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      break;
    } else {
      // The client has gone: its waiting lines do not run, and a running one's answer is lost.
      connection.broken = true;
      connection.session.Close();
      connection.output.clear();
      sent = 0;
      break;
    }
  }
  connection.output.erase(0, sent);
  Watch(connection);
}

void LineServer::Watch(Connection& connection) {
  const bool done = connection.inputEnded || connection.broken;
  connection.readable->setEnabled(!done && connection.output.size() < kBacklog &&
                                  connection.session.QueuedBytes() < kBacklog);
  connection.writable->setEnabled(!connection.broken && !connection.output.empty());
}

// A connection ends when its client has gone, or has ended its input and read every answer;
// never while one of its lines runs further up the stack.
void LineServer::ForgetIfDone(Connection& connection) {
  if (connection.session.Running()) return;
  if (!connection.broken && !(connection.inputEnded && connection.output.empty())) return;
  for (QSocketNotifier* notifier : {connection.readable, connection.writable}) {
    notifier->setEnabled(false);
    notifier->disconnect(this);
    notifier->deleteLater();
  }
  ::close(connection.fd);
  const std::string client = connection.client;
  connections_.erase(connection.id);
  automation_.ReleaseObject(client);
  if (automation_.MayEnd() && unused_) unused_();
}

}  // namespace qv
