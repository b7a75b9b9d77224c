#include "commands/SpeedTests.h"

#include <cmath>

#include "commands/ResultText.h"
#include "foundation/NumberText.h"

namespace qv {
namespace {

std::optional<int16_t> Parsed(std::string_view text, int16_t*) {
  return TextToInt16(text);
}
std::optional<int32_t> Parsed(std::string_view text, int32_t*) {
  return TextToInt32(text);
}
std::optional<double> Parsed(std::string_view text, double*) {
  const std::optional<double> value = ParseNumber(text);
  if (value && !std::isfinite(*value)) return std::nullopt;
  return value;
}

// The input boxes of one test, all under its title. A cancelled box, a text that is no number
// and a number too large for its variable are all refused alike: the test then ends before
// anything moves.
class Questions {
 public:
  Questions(const SpeedTestInput& input, std::string title)
      : input_(input), title_(std::move(title)) {}

  template <class T>
  bool Ask(const std::string& prompt, T& value) {
    const std::optional<std::string> text =
        input_ ? input_(title_, prompt) : std::optional<std::string>{};
    if (!text) return false;
    const std::optional<T> number = Parsed(*text, static_cast<T*>(nullptr));
    if (!number) return false;
    value = *number;
    return true;
  }

 private:
  const SpeedTestInput& input_;
  std::string title_;
};

std::string Failure(Result status) {
  return "Error" + Str(StatusCode(status));
}

}  // namespace

int32_t EvenRepetitions(int16_t asked) {
  return 2 * *RoundToInt32(asked / 2.0);
}

std::string SpeedTests::LimitLoop() {
  Questions ask(input_, "Limit Loop Test");
  int32_t vx = 0, vy = 0;
  int16_t repetitions = 0;
  if (!ask.Ask("Enter X Slew Velocity:", vx) || !ask.Ask("Enter Y Slew Velocity:", vy) ||
      !ask.Ask("Enter Number of Repetitions:", repetitions))
    return kInputNotANumber;
  Progress("Limit loop ...");
  const int32_t t0 = d_.clock.TimeMs();
  double travelX = 0, travelY = 0;  // microns, of the last repetition
  for (int16_t i = 0; i < repetitions; ++i) {
    const Result result = d_.stage.XYMeasureTravel(vx, vy, travelX, travelY);
    if (result.failed()) return Failure(result);
  }
  const int32_t elapsed = ElapsedMs(t0, d_.clock.TimeMs());
  return Str(repetitions) + " rep " + Str(elapsed) + " ms, [" + FormatFixed(travelX, 1) + "," +
         FormatFixed(travelY, 1) + "]";
}

std::string SpeedTests::Scan() {
  Questions ask(input_, "Scan Test");
  int16_t fieldsX = 0, fieldsY = 0, direction = 0;
  double stepX = 0, stepY = 0;  // microns
  if (!ask.Ask("Enter Number of Fields in X", fieldsX) ||
      !ask.Ask("Enter Number of Fields in Y", fieldsY) ||
      !ask.Ask("Enter Step Size in X in Microns", stepX) ||
      !ask.Ask("Enter Step Size in Y in Microns", stepY) ||
      !ask.Ask("Enter Scan Direction (0-along X, 1-along Y)", direction))
    return kInputNotANumber;
  double x0 = 0, y0 = 0;  // microns, where the stage is taken back to
  if (!d_.stage.XYReadPos(x0, y0).ok()) return "Error reading stage position";
  Progress("Scanning ...");
  const int32_t t0 = d_.clock.TimeMs();
  const XYParams& axes = d_.stage.Params();
  // A stage without a usable scale gives steps that are not finite; the driver refuses them.
  const double stepsX = stepX / d_.stage.XUmPerStep();
  const double stepsY = stepY / d_.stage.YUmPerStep();
  Result result;
  if (direction == 0) result = Raster(axes.X, stepsX, fieldsX, axes.Y, stepsY, fieldsY);
  if (direction == 1) result = Raster(axes.Y, stepsY, fieldsY, axes.X, stepsX, fieldsX);
  if (!result.ok()) return "Error in scanning";
  const int32_t t1 = d_.clock.TimeMs();
  // Only started: the operator sees the result at once and the stage travels home meanwhile.
  d_.stage.XYMoveAbs(x0, y0);
  return Str(fieldsX) + " *" + Str(fieldsY) + ", steps" + Str(stepX) + " *" + Str(stepY) +
         Str(ElapsedMs(t0, t1)) + " msec";
}

Result SpeedTests::Raster(const StageAxisParams& along, double alongSteps, int16_t alongFields,
                          const StageAxisParams& across, double acrossSteps, int16_t acrossFields) {
  // The last line is reached but not travelled: the test times line changes and returns.
  for (int line = 1; line < acrossFields; ++line) {
    for (int field = 1; field < alongFields; ++field) {
      if (const Result r = MoveAndWait(along, alongSteps); !r.ok()) return r;
    }
    alongSteps = -alongSteps;
    if (const Result r = MoveAndWait(across, acrossSteps); !r.ok()) return r;
  }
  return Cause::kDone;
}

Result SpeedTests::MoveAndWait(const StageAxisParams& axis, double steps) {
  // Not sent by the controller type: a time measured then would be no time at all.
  if (const Result r = d_.motors.MotorMoveRel(axis.profile.contr, steps); !r.ok()) return r;
  return d_.motors.MotorWaitMoveEnd(axis.profile.contr);
}

std::string SpeedTests::FilterMoves(int wheel) {
  Questions ask(input_, "Filter move test");
  int16_t step = 0, repetitions = 0;
  if (!ask.Ask("Enter number of positions to switch (1 is switch to adjacent):", step) ||
      !ask.Ask("Enter number of repetitions:", repetitions))
    return kInputNotANumber;
  const int16_t positions = d_.wheels.Positions(wheel);
  const int32_t t0 = d_.clock.TimeMs();
  for (int16_t i = 0; i < repetitions && step >= 1; ++i) {
    const Result result = StepWheel(wheel, step, positions);
    if (!result.ok()) return Failure(result);
  }
  return Str(repetitions) + " repetitions -" + Str(ElapsedMs(t0, d_.clock.TimeMs())) + " msec";
}

Result SpeedTests::StepWheel(int wheel, int16_t step, int16_t positions) {
  Result moved;
  if (step == 1) {
    moved = d_.wheels.Next(wheel);
  } else {
    if (positions < 1) return Cause::kOutOfRange;
    // Round the wheel as often as needed: a step longer than the wheel still names a filter.
    const int current = d_.wheels.CurrentFilter(wheel);
    const int filter = ((current - 1 + step) % positions + positions) % positions + 1;
    moved = d_.wheels.GotoFilterComp(wheel, static_cast<int16_t>(filter));
  }
  if (!moved.ok()) return moved;
  return d_.wheels.Wait(wheel);
}

std::string SpeedTests::AdjacentCubeMoves() {
  Questions ask(input_, "Adjacent cube move test");
  int16_t asked = 0;
  if (!ask.Ask("Enter number of repetitions:", asked)) return kInputNotANumber;
  const int32_t moves = EvenRepetitions(asked);
  auto gotoAndWait = [this](int16_t cube) {
    const Result moved = d_.cube.Goto(cube);
    return moved.ok() ? d_.cube.Wait() : moved;
  };
  if (const Result r = gotoAndWait(1); !r.ok()) return Failure(r);
  const int32_t t0 = d_.clock.TimeMs();
  for (int32_t i = 0; i < moves / 2; ++i) {
    if (const Result r = gotoAndWait(2); !r.ok()) return Failure(r);
    if (const Result r = gotoAndWait(1); !r.ok()) return Failure(r);
  }
  return Str(moves) + " repetitions -" + Str(ElapsedMs(t0, d_.clock.TimeMs())) + " msec";
}

}  // namespace qv
