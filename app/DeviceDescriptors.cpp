#include "app/DeviceDescriptors.h"

#include "app/System.h"
#include "commands/IndexerCommands.h"
#include "commands/StageCommands.h"

namespace qv {
namespace {

// A device without a stop of its own: a stop at speed 0 to each of its units.
// A stop that was not sent counts as failed: the unit may still move.
std::function<Result()> StopEachUnit(MotorControllers& motors,
                                     std::function<std::vector<int16_t>()> units) {
  return [&motors, units = std::move(units)] {
    Result result;
    for (const int16_t unit : units()) {
      result = FirstFailure(result, Needed(motors.MotorMoveAtSpeed(unit, 0)));
    }
    return result;
  };
}

DeviceDescriptor Wheel(System& s, DeviceId id, int n) {
  auto units = [&s, n] { return std::vector<int16_t>{s.wheels.Params(n).profile.contr}; };
  return {id, [&s, n] { return s.wheels.Init(n); }, units, StopEachUnit(s.motors, units),
          WheelCommands(s.wheels, n, s.state.SymConst)};
}

template <class Drive>
DeviceDescriptor Indexer(System& s, DeviceId id, Drive& drive, SubCommandHandler commands) {
  auto units = [&drive] { return std::vector<int16_t>{drive.Params().profile.contr}; };
  return {id, [&drive] { return drive.Init(); }, units, StopEachUnit(s.motors, units),
          std::move(commands)};
}

}  // namespace

DeviceDescriptors MakeDeviceDescriptors(System& s) {
  const ParList& symbols = s.state.SymConst;
  return {{
      {DeviceId::Z, [&s] { return s.focus.ZInit(); },
       [&s] { return std::vector<int16_t>{s.focus.Unit()}; },
       [&s] { return OrDone(s.focus.ZStop()); }, ZCommands(s.focus, symbols)},
      {DeviceId::XY, [&s] { return s.stage.XYInit(); },
       [&s] {
         return std::vector<int16_t>{s.stage.XUnit(), s.stage.YUnit()};
       },
       [&s] { return OrDone(s.stage.XYStop()); }, XYCommands(s.stage, symbols)},
      Wheel(s, DeviceId::W1, 1),
      Wheel(s, DeviceId::W2, 2),
      Indexer(s, DeviceId::Slide, s.slide, PositionDriveCommands(s.slide, symbols)),
      Indexer(s, DeviceId::Turret, s.turret, PositionDriveCommands(s.turret, symbols)),
      Indexer(s, DeviceId::Cube, s.cube, CubeCommands(s.cube, symbols)),
      // The LED controller's unit does not move: nothing to stop.
      {DeviceId::Leds, [&s] { return s.leds.LEDInit(); }, [] { return std::vector<int16_t>{}; },
       [] { return Result(); },
       [&s](const std::string& colour, std::string& rest) {
         return s.controllers.LedSubCommand(colour, rest);
       }},
  }};
}

}  // namespace qv
