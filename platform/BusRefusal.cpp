#include "platform/BusRefusal.h"

#include <systemd/sd-bus.h>
#include <time.h>

#include <cstdint>

#include "platform/DBusAutomation.h"

namespace qv {

namespace {

struct Refusal {
  const std::string& text;
  uint64_t lastCallUs = 0;  // CLOCK_MONOTONIC
};

uint64_t NowUs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000;
}

// Every method call, whatever its object and interface, also an introspection: a client's first
// call gets the reason, not a second start.
int Refuse(sd_bus_message* message, void* data, sd_bus_error* /*error*/) {
  if (!sd_bus_message_is_method_call(message, nullptr, nullptr)) return 0;
  auto& refusal = *static_cast<Refusal*>(data);
  refusal.lastCallUs = NowUs();
  sd_bus_reply_method_errorf(message, kCannotStartError, "%s", refusal.text.c_str());
  return 1;
}

}  // namespace

bool RefuseBusClients(const std::string& text, int idleMs) {
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) return false;
  Refusal refusal{text, NowUs()};
  bool served = sd_bus_add_filter(bus, nullptr, Refuse, &refusal) >= 0 &&
                sd_bus_request_name(bus, kServiceName, 0) >= 0;
  const uint64_t idleUs = static_cast<uint64_t>(idleMs) * 1000u;
  while (served) {
    const int r = sd_bus_process(bus, nullptr);
    if (r < 0) break;  // the bus has gone
    if (r > 0) continue;
    const uint64_t now = NowUs();
    if (now - refusal.lastCallUs >= idleUs) break;
    if (sd_bus_wait(bus, refusal.lastCallUs + idleUs - now) < 0) break;
  }
  sd_bus_flush_close_unref(bus);
  return served;
}

}  // namespace qv
