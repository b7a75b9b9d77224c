// Exec calls from one client over the session bus, one after the other; prints calls per second.
//   qv_automation_bench quorvalin [CALLS]   Exec("Ver") on Quorvalin (the bus starts it)
//   qv_automation_bench echo [CALLS]        Exec("Ver") on the Python echo service
// Run through bench/automation_bench.sh, which brings a private bus and compares the two. The
// client is a plain sd-bus one, blocking on each call in its only thread: what it costs is the
// same for both services and as small as a client can make it.
#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Target {
  const char* service;
  const char* path;
  const char* interface;
  const char* expected;  // the reply to "Ver"
};

// One call; false with a message when it failed or answered something else.
bool Call(sd_bus* bus, const Target& target, const char* command) {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  const char* text = nullptr;
  const int r = sd_bus_call_method(bus, target.service, target.path, target.interface, "Exec",
                                   &error, &reply, "s", command);
  const bool ok = r >= 0 && sd_bus_message_read(reply, "s", &text) >= 0 &&
                  (command != std::string("Ver") || std::strcmp(text, target.expected) == 0);
  if (!ok) std::fprintf(stderr, "no valid reply: %s\n", r < 0 ? error.message : text);
  sd_bus_error_free(&error);
  sd_bus_message_unref(reply);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const bool echo = argc > 1 && std::strcmp(argv[1], "echo") == 0;
  const int calls = argc > 2 ? std::atoi(argv[2]) : 10000;
  const Target target = echo ? Target{"org.quorvalin.Echo", "/Echo", "org.quorvalin.Echo", "Ver"}
                             : Target{"org.quorvalin.Quorvalin", "/QuorvalinCmd",
                                      "org.quorvalin.Quorvalin.QuorvalinCmd", "4.0 ; "};
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) {
    std::fprintf(stderr, "no session bus\n");
    return 1;
  }
  sd_bus_set_method_call_timeout(bus, 60'000'000);  // µs: the first call may start the program
  if (!Call(bus, target, "Ver")) return 1;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < calls; ++i) {
    if (!Call(bus, target, "Ver")) return 1;
  }
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  std::printf("%.0f\n", calls / seconds.count());
  if (!echo) Call(bus, target, "Unload");  // the program ends with its last client
  sd_bus_flush_close_unref(bus);
  return 0;
}
