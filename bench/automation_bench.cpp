// Exec calls from one client over the session bus, one after the other; prints calls per second.
//   qv_automation_bench quorvalin [CALLS]   Exec("Ver") on Quorvalin (the bus starts it)
//   qv_automation_bench echo [CALLS]        Exec("Ver") on the Python echo service
// Run through bench/automation_bench.sh, which brings a private bus and compares the two.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QElapsedTimer>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const bool echo = argc > 1 && std::strcmp(argv[1], "echo") == 0;
  const int calls = argc > 2 ? std::atoi(argv[2]) : 10000;
  const QString expected = echo ? "Ver" : "4.0 ; ";
  QDBusInterface target(echo ? "org.quorvalin.Echo" : "org.quorvalin.Quorvalin",
                        echo ? "/Echo" : "/QuorvalinCmd",
                        echo ? "org.quorvalin.Echo" : "org.quorvalin.Quorvalin.QuorvalinCmd",
                        QDBusConnection::sessionBus());
  target.setTimeout(60000);  // the first call may start the program
  QDBusReply<QString> first = target.call("Exec", "Ver");
  if (!first.isValid() || first.value() != expected) {
    std::fprintf(stderr, "no valid reply: %s\n", qPrintable(first.error().message()));
    return 1;
  }
  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i < calls; ++i) {
    QDBusReply<QString> reply = target.call("Exec", "Ver");
    if (!reply.isValid() || reply.value() != expected) {
      std::fprintf(stderr, "call %d failed\n", i);
      return 1;
    }
  }
  std::printf("%.0f\n", calls / (timer.nsecsElapsed() / 1e9));
  if (!echo) {
    target.call("Exec", "Unload");  // the program ends with its last client
    target.call("Release");
  }
  return 0;
}
