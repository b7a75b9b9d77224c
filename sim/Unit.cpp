#include "sim/Unit.h"

namespace sim {

void Unit::CatchUp(Micros now) {
  // A stored program of tiny moves can chain many motions; the bound only defers the rest to
  // the next call so a pathological program cannot hold the line.
  for (int chained = 0; chained < 1'000'000; ++chained) {
    const Micros end = axis_.EndTime();
    if (!axis_.FinishDue(now)) return;
    OnMotionEnd(end);
  }
}

std::string Unit::LettersForDigits(std::string text, size_t from) {
  for (size_t i = from; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9') text[i] = static_cast<char>('a' + (text[i] - '0'));
  }
  return text;
}

UnitState Unit::State(Micros now) {
  CatchUp(now);
  UnitState s;
  s.counter = axis_.Counter(now);
  s.load = axis_.Load(now);
  s.moving = Busy(now);
  s.lowEnd = axis_.SensorActive(Sensor::Low, now);
  s.highEnd = axis_.SensorActive(Sensor::High, now);
  s.home = axis_.SensorActive(Sensor::Home, now);
  s.outputs = outputs_;
  s.switches = switches_;
  return s;
}

}  // namespace sim
