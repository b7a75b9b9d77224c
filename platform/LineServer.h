#pragma once
// The command language as a line server on this machine's loopback addresses (127.0.0.1 and
// ::1, never another): what VISA "raw socket" resources, nc and small scripts speak. Each line a
// client sends is a command line; its answer is one line, the joined replies escaped as the
// console writes them. A connection is an automation object from its acceptance to its end, so
// its lines run exactly as an automation client's Exec calls do, also while another client's
// command waits for a motion.
//
// Only the user's own processes are served: the peer's socket must belong to the user id this
// program runs under (the kernel's TCP tables tell). Any other connection gets one error line
// and is closed without a byte of it being read as a command.
//
// A client that ends its input (shuts its sending side) still gets the answers to every line it
// sent, then the connection closes. A client that has gone loses its answers, and its lines
// still waiting do not run. Everything runs on the event loop's thread; a motion wait that lets
// events run serves the other connections from within.
#include <sys/types.h>

#include <QObject>
#include <QString>
#include <QTcpServer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands/Automation.h"
#include "commands/LineSession.h"
#include "controllers/Clock.h"

namespace qv {

inline constexpr const char* kRefusedAnswer = "Error Refused: not a process of this user ; \n";

class LineServer : public QObject {
 public:
  LineServer(Automation& automation, Clock& clock);
  ~LineServer() override;
  LineServer(const LineServer&) = delete;
  LineServer& operator=(const LineServer&) = delete;

  // Listens on 127.0.0.1 and on ::1 at `port`; 0 takes a free port, the same on both. Without
  // IPv6 on the machine it listens on 127.0.0.1 alone. False with the reason when it cannot
  // ("cannot listen on ::1 port 5025 (...)").
  bool Listen(uint16_t port, QString& error);
  uint16_t Port() const { return port_; }
  // Where it listens, for the operator: "127.0.0.1 and ::1 port 5025".
  QString Where() const;

  // Runs after a client's object was released, when the program may end (no window is loaded
  // and no object is left).
  void OnUnused(std::function<void()> unused) { unused_ = std::move(unused); }
  // Told of every refused connection, with the user id that owns its peer (none: unknown).
  void OnRefused(std::function<void(std::optional<uid_t>)> refused) {
    refused_ = std::move(refused);
  }

  size_t ConnectionCount() const { return connections_.size(); }

 private:
  // Hands over each accepted connection's descriptor; the connection is served natively, so
  // that a client may end its input and still read its answers.
  class Listener final : public QTcpServer {
   public:
    std::function<void(qintptr)> accepted;

   protected:
    void incomingConnection(qintptr fd) override { accepted(fd); }
  };
  struct Connection;

  void Accept(int fd);
  Connection* Find(uint64_t id);
  void Read(Connection& connection);
  void Write(Connection& connection, const std::string& answer);
  void Flush(Connection& connection);
  void Watch(Connection& connection);
  void ForgetIfDone(Connection& connection);

  Automation& automation_;
  Clock& clock_;
  Listener v4_;
  Listener v6_;
  uint16_t port_ = 0;
  uint64_t accepted_ = 0;  // connections accepted so far; numbers the automation clients
  std::map<uint64_t, std::unique_ptr<Connection>> connections_;
  std::vector<char> buffer_;  // bytes just read from a client
  std::function<void()> unused_;
  std::function<void(std::optional<uid_t>)> refused_;
};

}  // namespace qv
