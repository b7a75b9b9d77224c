#include "sim/Line.h"

#include <algorithm>

#include "sim/EzUnit.h"
#include "sim/ImsProtocol.h"
#include "sim/ImsUnit.h"

namespace sim {
namespace {

constexpr size_t kMaxFrame = 256;  // longer runs without a terminator are line noise
constexpr size_t kMaxFrameLog = 10000;

char Terminator(ControllerType type) {
  return type == ControllerType::EZHR17 ? '\r' : '\n';
}

}  // namespace

Line::Line(ControllerType type, LineOptions options)
    : type_(type), options_(options), random_(options.seed) {
  if (options_.baud > 0) byteTime_ = (10'000'000 + options_.baud / 2) / options_.baud;
}

Unit& Line::AddUnit(char address, const AxisConfig& axis) {
  std::unique_ptr<Unit> unit;
  if (type_ == ControllerType::EZHR17) {
    unit = std::make_unique<EzUnit>(address, axis, EzOptions{!options_.strictBusy});
  } else {
    unit = std::make_unique<ImsUnit>(address, axis);
  }
  Unit& added = *unit;
  units_[address] = std::move(unit);
  return added;
}

Unit* Line::FindUnit(char address) {
  const auto it = units_.find(address);
  return it == units_.end() ? nullptr : it->second.get();
}

void Line::SetFault(char address, const Fault& fault) {
  faults_[address] = fault;
}
void Line::SetRandomFaults(double rate) {
  randomRate_ = rate;
}

void Line::ApplyFaultPlan(const FaultPlan& plan) {
  for (const auto& [address, fault] : plan.units)
    SetFault(address, fault);
  SetRandomFaults(plan.randomRate);
}

void Line::ClearFaults() {
  faults_.clear();
  randomRate_ = 0;
}

void Line::Receive(std::string_view bytes, Micros now) {
  Micros t = std::max(now, inFree_);
  for (char byte : bytes) {
    t += byteTime_;
    incoming_.emplace_back(t, byte);
  }
  inFree_ = t;
}

void Line::Service(Micros now) {
  const char terminator = Terminator(type_);
  while (!incoming_.empty() && incoming_.front().first <= now) {
    const auto [at, byte] = incoming_.front();
    incoming_.pop_front();
    if (byte != terminator) {
      partial_ += byte;
      if (partial_.size() > kMaxFrame) partial_.clear();
      continue;
    }
    const std::string frame = std::move(partial_);
    partial_.clear();
    frames_.push_back(frame);
    if (frames_.size() > kMaxFrameLog) frames_.pop_front();
    Dispatch(frame, at);
  }
}

void Line::Dispatch(const std::string& frame, Micros at) {
  if (type_ == ControllerType::EZHR17) {
    // A unit listens from the "/" on; noise before it is ignored.
    const size_t slash = frame.find('/');
    if (slash == std::string::npos || frame.size() < slash + 2) return;
    if (Unit* unit = FindUnit(frame[slash + 1])) Answer(*unit, frame.substr(slash), at);
    return;
  }
  if (frame.empty()) return;
  if (Unit* unit = FindUnit(frame[0])) {
    Answer(*unit, frame, at);
  } else if (frame == "AX") {
    // The start-up wake-up: the line answers with its echo so the program need not time out.
    Schedule(ImsReply(frame, ""), at + options_.latency);
  }
}

void Line::Answer(Unit& unit, const std::string& frame, Micros at) {
  const std::optional<Fault> fault = TakeFault(unit.Address());
  const bool refuse = fault && fault->kind == FaultKind::ErrorStatus;
  const std::optional<std::string> reply =
      refuse ? unit.Refusal(frame, fault->value, at) : unit.Handle(frame, at);
  if (!reply) return;
  const Micros start = at + options_.latency;
  if (!fault) {
    Schedule(*reply, start);
    return;
  }
  switch (fault->kind) {
    case FaultKind::NoReply:
      break;
    case FaultKind::Late:
      Schedule(*reply, start + Micros{fault->value} * 1000);
      break;
    case FaultKind::Pieces: {
      const size_t half = reply->size() / 2;
      const Micros firstEnd = Schedule(std::string_view(*reply).substr(0, half), start);
      Schedule(std::string_view(*reply).substr(half), firstEnd + Micros{fault->value} * 1000);
      break;
    }
    case FaultKind::BadFrame:
      Schedule(unit.Corrupted(*reply), start);
      break;
    case FaultKind::ErrorStatus:
      Schedule(*reply, start);
      break;
    case FaultKind::Garbage:
      Schedule(Garbage(fault->value) + *reply, start);
      break;
    case FaultKind::NoNumber:
      Schedule(unit.WithoutNumber(*reply, frame), start);
      break;
  }
}

std::optional<Fault> Line::TakeFault(char address) {
  auto it = faults_.find(address);
  if (it == faults_.end()) it = faults_.find('*');
  if (it != faults_.end()) {
    const Fault fault = it->second;
    if (it->second.count > 0 && --it->second.count == 0) faults_.erase(it);
    return fault;
  }
  if (randomRate_ <= 0) return std::nullopt;
  if (std::uniform_real_distribution<double>(0, 1)(random_) >= randomRate_) return std::nullopt;
  Fault fault =
      DefaultFault(static_cast<FaultKind>(std::uniform_int_distribution<int>(0, 5)(random_)));
  if (fault.kind == FaultKind::ErrorStatus) {
    static constexpr int kCodes[] = {1, 2, 3, 5, 7, 9, 11, 15};
    fault.value = kCodes[std::uniform_int_distribution<int>(0, 7)(random_)];
  }
  return fault;
}

std::string Line::Garbage(int count) {
  std::string bytes;
  std::uniform_int_distribution<int> printable(0x21, 0x7E);
  for (int i = 0; i < count; ++i)
    bytes += static_cast<char>(printable(random_));
  return bytes;
}

Micros Line::Schedule(std::string_view bytes, Micros earliest) {
  Micros t = std::max(earliest, outFree_);
  for (char byte : bytes) {
    t += byteTime_;
    outgoing_.emplace_back(t, byte);
  }
  outFree_ = t;
  return t;
}

Micros Line::NextEventTime() const {
  Micros next = kNever;
  if (!incoming_.empty()) next = incoming_.front().first;
  if (!outgoing_.empty()) next = std::min(next, outgoing_.front().first);
  return next;
}

std::string Line::TakeDue(Micros now) {
  Service(now);
  std::string bytes;
  while (!outgoing_.empty() && outgoing_.front().first <= now) {
    bytes += outgoing_.front().second;
    outgoing_.pop_front();
  }
  return bytes;
}

size_t Line::DueCount(Micros now) {
  Service(now);
  size_t count = 0;
  for (const auto& entry : outgoing_) {
    if (entry.first > now) break;
    ++count;
  }
  return count;
}

}  // namespace sim
