#pragma once
// The operator's timing tests of the stage, the filter wheels and the cube changer. Each asks
// its numbers through input boxes, runs its motions through the device operations and returns
// the text for the message line; the elapsed times are those of the program's millisecond clock.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "controllers/Clock.h"
#include "controllers/MotorControllers.h"
#include "devices/Indexers.h"
#include "devices/Stage.h"
#include "devices/Wheels.h"

namespace qv {

// One input box: (title, prompt) -> the typed text, or nothing when cancelled.
using SpeedTestInput =
    std::function<std::optional<std::string>(const std::string& title, const std::string& prompt)>;
// The message line while a test runs ("Scanning ...").
using SpeedTestProgress = std::function<void(const std::string&)>;

inline constexpr const char* kInputNotANumber = "Error in input - not a number";

// The cube test's count of moves for the number asked: even, so that the changer ends on cube
// 1, the half rounded to even; counted wide, as 32767 asked gives 32768.
int32_t EvenRepetitions(int16_t asked);

struct SpeedTestDevices {
  Stage& stage;
  MotorControllers& motors;
  Wheels& wheels;
  Cube& cube;
  Clock& clock;
};

class SpeedTests {
 public:
  SpeedTests(const SpeedTestDevices& devices, SpeedTestInput input, SpeedTestProgress progress)
      : d_(devices), input_(std::move(input)), progress_(std::move(progress)) {}

  std::string LimitLoop();
  std::string Scan();
  std::string FilterMoves(int wheel);  // 1 or 2
  std::string AdjacentCubeMoves();

 private:
  // Runs the raster of the scan test along one axis and across the other: -1 at the first
  // move or wait that fails.
  Result Raster(const StageAxisParams& along, double alongSteps, int16_t alongFields,
                const StageAxisParams& across, double acrossSteps, int16_t acrossFields);
  Result MoveAndWait(const StageAxisParams& axis, double steps);
  Result StepWheel(int wheel, int16_t step, int16_t positions);
  void Progress(const std::string& text) const {
    if (progress_) progress_(text);
  }

  SpeedTestDevices d_;
  SpeedTestInput input_;
  SpeedTestProgress progress_;
};

}  // namespace qv
