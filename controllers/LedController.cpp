#include "controllers/LedController.h"

#include <array>
#include <string>

#include "foundation/KeywordReader.h"
#include "foundation/NumberText.h"

namespace qv {
namespace {

// Colour words and the output each LED hangs on, in output order.
constexpr std::array<std::string_view, 3> kColourWords{"R", "G", "B"};

}  // namespace

Result LedController::LEDReadConfig() {
  KeywordReader reader(keywordFiles_);
  if (!reader.Open(kLedsFileName)) return Cause::kNoParameters;
  reader.RequiredAddress("LEDSCONTR", ledAddress_);
  reader.Required("LEDONVAL", ledOnVal_);
  reader.Required("LEDOFFVAL", ledOffVal_);
  return reader.Result() > 0 ? Cause::kDone : Cause::kNoParameters;
}

Result LedController::LEDInit() {
  written_ = {};
  if (const Result read = LEDReadConfig(); !read.ok()) return read;
  const Result off = motors_.MotorWriteOutPorts(ledAddress_, ledOffVal_, ledOffVal_, ledOffVal_);
  if (!off.ok()) return off;
  written_.fill(ledOffVal_);
  return Cause::kDone;
}

void LedController::Remember(int16_t n, int16_t value, Result result) {
  if (n < 0 || n > 2 || result.cause() == Cause::kNotSent) return;
  written_[static_cast<size_t>(n)] = result.ok() ? std::optional<int16_t>(value) : std::nullopt;
}

std::optional<bool> LedController::LEDIsOn(int16_t n) const {
  if (n < 0 || n > 2 || !written_[static_cast<size_t>(n)]) return std::nullopt;
  return *written_[static_cast<size_t>(n)] == ledOnVal_;
}

Result LedController::LEDSet(std::string_view colour, std::string_view state) {
  int16_t value = 0;
  if (state == "On") {
    value = ledOnVal_;
  } else if (state == "Off") {
    value = ledOffVal_;
  } else {
    return Cause::kOutOfRange;
  }
  int16_t output = 0;
  while (output < 3 && kColourWords[static_cast<size_t>(output)] != colour)
    ++output;
  if (output == 3) return Cause::kOutOfRange;
  const Result result = motors_.MotorSetOutput(ledAddress_, output, value);
  Remember(output, value, result);
  return result;
}

Result LedController::LEDToggle(int16_t n) {
  int16_t value = 0;  // taken as off when the controller cannot tell
  motors_.MotorGetOutput(ledAddress_, n, value);
  const auto flipped = static_cast<int16_t>(1 - value);
  const Result result = motors_.MotorSetOutput(ledAddress_, n, flipped);
  Remember(n, flipped, result);
  return result;
}

}  // namespace qv
