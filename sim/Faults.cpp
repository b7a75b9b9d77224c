#include "sim/Faults.h"

#include <charconv>

namespace sim {
namespace {

struct KindName {
  std::string_view name;
  FaultKind kind;
  bool takesValue;
};

constexpr KindName kKinds[] = {
    {"noreply", FaultKind::NoReply, false},  {"late", FaultKind::Late, true},
    {"pieces", FaultKind::Pieces, true},     {"badframe", FaultKind::BadFrame, false},
    {"error", FaultKind::ErrorStatus, true}, {"garbage", FaultKind::Garbage, true},
    {"nonumber", FaultKind::NoNumber, false}};

bool ParseInt(std::string_view text, int low, int high, int& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

bool ParseItem(std::string_view item, FaultPlan& plan) {
  if (item.size() < 3 || item[1] != ':') return false;
  const char address = item[0];
  std::string_view rest = item.substr(2);
  if (rest.substr(0, 7) == "random=") {
    if (address != '*') return false;
    const std::string_view rate = rest.substr(7);
    double value = 0;
    const auto [end, ec] = std::from_chars(rate.data(), rate.data() + rate.size(), value);
    if (ec != std::errc() || end != rate.data() + rate.size() || !(value >= 0 && value <= 1)) {
      return false;
    }
    plan.randomRate = value;
    return true;
  }
  int count = -1;
  if (const size_t hash = rest.find('#'); hash != std::string_view::npos) {
    if (!ParseInt(rest.substr(hash + 1), 1, 1000000, count)) return false;
    rest = rest.substr(0, hash);
  }
  std::string_view value;
  bool hasValue = false;
  if (const size_t eq = rest.find('='); eq != std::string_view::npos) {
    hasValue = true;
    value = rest.substr(eq + 1);
    rest = rest.substr(0, eq);
  }
  for (const KindName& k : kKinds) {
    if (k.name != rest) continue;
    Fault fault = DefaultFault(k.kind);
    fault.count = count;
    if (hasValue) {
      const int high = k.kind == FaultKind::ErrorStatus ? 15 : 600000;
      if (!k.takesValue || !ParseInt(value, 1, high, fault.value)) return false;
    }
    plan.units.emplace_back(address, fault);
    return true;
  }
  return false;
}

}  // namespace

Fault DefaultFault(FaultKind kind) {
  switch (kind) {
    case FaultKind::Late:
      return Fault{kind, 300, -1};
    case FaultKind::Pieces:
      return Fault{kind, 20, -1};
    case FaultKind::ErrorStatus:
      return Fault{kind, 9, -1};
    case FaultKind::Garbage:
      return Fault{kind, 4, -1};
    default:
      return Fault{kind, 0, -1};
  }
}

bool ParseFaultSpec(std::string_view spec, FaultPlan& plan, std::string& error) {
  plan = FaultPlan{};
  while (!spec.empty()) {
    const size_t comma = spec.find(',');
    const std::string_view item = spec.substr(0, comma);
    if (!ParseItem(item, plan)) {
      error = "bad fault item \"" + std::string(item) + "\"";
      return false;
    }
    if (comma == std::string_view::npos) break;
    spec = spec.substr(comma + 1);
    if (spec.empty()) {
      error = "fault list ends with a comma";
      return false;
    }
  }
  return true;
}

}  // namespace sim
