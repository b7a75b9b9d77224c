// quorvalin-exec: sends command lines to Quorvalin over the session bus and prints the replies.
//   quorvalin-exec "XY 100 200;XY Wait"     one line, its replies on one line
//   quorvalin-exec < lines.txt               every line of standard input, one reply line each
// The bus starts the program when it is not running: once, with the first call. A call waits as
// long as its commands take, and ends when the bus or the program goes away.
#include <systemd/sd-bus.h>

#include <cstdint>
#include <cstring>
#include <iostream>
#include <string>

#include "foundation/Version.h"

namespace {

constexpr const char* kService = "org.quorvalin.Quorvalin";
constexpr const char* kPath = "/QuorvalinCmd";
constexpr const char* kInterface = "org.quorvalin.Quorvalin.QuorvalinCmd";
constexpr uint64_t kNoTimeOut = UINT64_MAX;  // a homing run may take minutes; never cut it short

constexpr const char* kUsage =
    "usage: quorvalin-exec [\"COMMAND LINE\"]\n"
    "Sends the command line to Quorvalin on the session bus and prints its replies on one line;\n"
    "without an argument, each line of standard input, one line of replies each. The bus starts\n"
    "Quorvalin when it is not running.\n"
    "  --help     print this text and end\n"
    "  --version  print the version and end\n";

// What went wrong, on one line: the program's own reason when it gave one.
void SayWhy(const sd_bus_error& error, int r) {
  std::string why = sd_bus_error_is_set(&error) ? error.message : std::strerror(-r);
  for (char& c : why) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  std::cerr << "quorvalin-exec: ";
  if (!sd_bus_error_has_name(&error, "org.quorvalin.Quorvalin.Error.CannotStart"))
    std::cerr << "cannot reach Quorvalin: ";
  std::cerr << why << '\n';
}

class Client {
 public:
  ~Client() {
    // The automation object goes with the client; a program that is not running is not started
    // for that.
    sd_bus_message* release = nullptr;
    if (served_ && sd_bus_message_new_method_call(bus_, &release, kService, kPath, kInterface,
                                                  "Release") >= 0) {
      sd_bus_message_set_auto_start(release, 0);
      sd_bus_message_set_expect_reply(release, 0);
      sd_bus_send(bus_, release, nullptr);
      sd_bus_message_unref(release);
    }
    sd_bus_flush_close_unref(bus_);
  }

  bool Connect() {
    const int r = sd_bus_open_user(&bus_);
    if (r < 0) std::cerr << "quorvalin-exec: no session bus: " << std::strerror(-r) << '\n';
    return r >= 0;
  }

  bool Exec(const std::string& line) {
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    int r = sd_bus_message_new_method_call(bus_, &call, kService, kPath, kInterface, "Exec");
    if (r >= 0) r = sd_bus_message_append(call, "s", line.c_str());
    if (r >= 0) r = sd_bus_call(bus_, call, kNoTimeOut, &error, &reply);
    const char* text = nullptr;
    if (r >= 0) r = sd_bus_message_read(reply, "s", &text);
    if (r >= 0) {
      std::cout << text << std::endl;
      served_ = true;
    } else {
      SayWhy(error, r);
    }
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_message_unref(call);
    return r >= 0;
  }

 private:
  sd_bus* bus_ = nullptr;
  bool served_ = false;  // an automation object exists for this client
};

}  // namespace

int main(int argc, char** argv) {
  const std::string first = argc > 1 ? argv[1] : "";
  if (argc == 2 && (first == "--help" || first == "-h")) {
    std::cout << kUsage;
    return 0;
  }
  if (argc == 2 && first == "--version") {
    std::cout << "quorvalin-exec " << qv::kProgramVersion << '\n';
    return 0;
  }
  if (argc > 2 || first.rfind("--", 0) == 0) {
    std::cerr << (argc > 2 ? "quorvalin-exec: one command line at most (quote it)\n"
                           : "quorvalin-exec: unknown option " + first + "\n")
              << kUsage;
    return 2;
  }
  Client client;
  if (!client.Connect()) return 1;
  bool ok = true;
  if (argc == 2) {
    ok = client.Exec(first);
  } else {
    std::string line;
    while (ok && std::getline(std::cin, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      ok = client.Exec(line);
    }
  }
  return ok ? 0 : 1;
}
