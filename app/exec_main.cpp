// quorvalin-exec: sends command lines to Quorvalin over the session bus and prints the replies.
//   quorvalin-exec "XY 100 200;XY Wait"     one line, its replies on one line
//   quorvalin-exec < lines.txt               every line of standard input, one reply line each
// The bus starts the program when it is not running. A call waits as long as its commands take.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <climits>
#include <iostream>
#include <string>

namespace {

constexpr const char* kService = "org.quorvalin.Quorvalin";
constexpr const char* kPath = "/QuorvalinCmd";
constexpr const char* kInterface = "org.quorvalin.Quorvalin.QuorvalinCmd";

bool Exec(QDBusInterface& quorvalin, const std::string& line) {
  const QDBusReply<QString> reply = quorvalin.call("Exec", QString::fromStdString(line));
  if (!reply.isValid()) {
    std::cerr << "quorvalin-exec: cannot reach Quorvalin: " << reply.error().message().toStdString()
              << '\n';
    return false;
  }
  std::cout << reply.value().toStdString() << std::endl;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList arguments = QCoreApplication::arguments().mid(1);
  if (arguments.size() > 1 || (arguments.size() == 1 && arguments[0] == "--help")) {
    std::cerr << "usage: quorvalin-exec [\"COMMAND LINE\"]   (no argument: lines from standard "
                 "input)\n";
    return 2;
  }
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    std::cerr << "quorvalin-exec: no session bus: " << bus.lastError().message().toStdString()
              << '\n';
    return 1;
  }
  QDBusInterface quorvalin(kService, kPath, kInterface, bus);
  quorvalin.setTimeout(INT_MAX);  // a homing run may take minutes; never cut it short
  bool ok = true;
  if (arguments.size() == 1) {
    ok = Exec(quorvalin, arguments[0].toStdString());
  } else {
    std::string line;
    while (ok && std::getline(std::cin, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      ok = Exec(quorvalin, line);
    }
  }
  quorvalin.call(QDBus::NoBlock, "Release");
  return ok ? 0 : 1;
}
