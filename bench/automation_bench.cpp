// 10,000 Exec("Ver") calls from one client over the session bus; prints calls per second
// (target: at least 5,000). Run through bench/automation_bench.sh, which brings a private bus.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int calls = argc > 1 ? std::atoi(argv[1]) : 10000;
  QDBusInterface quorvalin("org.quorvalin.Quorvalin", "/QuorvalinCmd",
                           "org.quorvalin.Quorvalin.QuorvalinCmd", QDBusConnection::sessionBus());
  QDBusReply<QString> first = quorvalin.call("Exec", "Ver");  // starts the program
  if (!first.isValid() || first.value() != "4.0 ; ") {
    std::fprintf(stderr, "no valid reply: %s\n", qPrintable(first.error().message()));
    return 1;
  }
  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i < calls; ++i) {
    QDBusReply<QString> reply = quorvalin.call("Exec", "Ver");
    if (!reply.isValid() || reply.value() != "4.0 ; ") {
      std::fprintf(stderr, "call %d failed\n", i);
      return 1;
    }
  }
  const double seconds = timer.nsecsElapsed() / 1e9;
  const double rate = calls / seconds;
  std::printf("%d Exec(\"Ver\") calls in %.3f s: %.0f calls per second (target >= 5000) %s\n",
              calls, seconds, rate, rate >= 5000 ? "PASS" : "FAIL");
  quorvalin.call("Release");
  return rate >= 5000 ? 0 : 1;
}
