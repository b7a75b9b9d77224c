// The panel's buttons: each runs one controller operation on the chosen unit and shows its raw
// result. A field that does not read as a number stops the button before anything is sent.
#include <QApplication>

#include "foundation/NumberText.h"
#include "platform/QtText.h"
#include "ui/AxesTab.h"
#include "ui/BusyIndicator.h"

namespace qv {

namespace {

std::string TextOf(const QString& text) {
  return CoreText(text);
}

std::string Plain(int16_t value) {
  return GeneralText(value);
}

// A negated number without a negative zero, which would read "-0".
double Negated(double value) {
  return value == 0 ? 0.0 : -value;
}

std::string HomingText(Result result) {
  return result.cause() == Cause::kTimedOut ? std::string("Timeout")
                                            : "Status: " + Plain(StatusCode(result));
}

}  // namespace

void AxesTab::SayCode(int16_t code) const {
  Say("Status =" + Str(code));
}

std::optional<int16_t> AxesTab::HomeSpeed() {
  const auto speed = TextToInt16(TextOf(homeSpeedEdit_->text()));
  if (!speed) Say("Bad home speed value");
  return speed;
}

std::optional<int32_t> AxesTab::JogSpeed() {
  const auto speed = TextToInt32(TextOf(jogSpeedEdit_->text()));
  if (!speed) Say("Bad Jog Speed Value");
  return speed;
}

std::optional<double> AxesTab::Destination() {
  const auto value = ParseNumber(TextOf(destinBox_->currentText()));
  if (!value) Say("Bad destination value");
  return value;
}

std::optional<double> AxesTab::Distance() {
  const auto value = ParseNumber(TextOf(distanceEdit_->text()));
  if (!value) Say("Bad travel distance value");
  return value;
}

// --- Homing ---

void AxesTab::Home() {
  if (const auto speed = HomeSpeed())
    Say("Home started, Status: " + Plain(StatusCode(core_.diagnostics.Home(Unit(), *speed))));
}

void AxesTab::RunHoming(const std::string& startText, const std::function<Result(int16_t)>& homing,
                        const std::function<std::string(Result)>& shown) {
  const auto speed = HomeSpeed();
  if (!speed) return;
  Say(startText);
  QApplication::processEvents();  // the message shows before the line is held
  Result result;
  {
    const WaitCursor hourglass;
    result = homing(*speed);
  }
  Say(shown(result));
}

void AxesTab::HomeOwn() {
  RunHoming(
      "Homing ...", [this](int16_t speed) { return core_.diagnostics.HomeOwn(Unit(), speed); },
      HomingText);
}

void AxesTab::HomeSmart() {
  RunHoming(
      "Homing ...",
      [this](int16_t speed) {
        return core_.diagnostics.HomeSmart(Unit(), speed, RoundToInt32(speed / 5.0).value_or(0));
      },
      HomingText);
}

void AxesTab::ToLimit() {
  int16_t reached = 0;  // limit bits, as the controller type reports them
  RunHoming(
      "Homing (to limit) ...",
      [this, &reached](int16_t speed) {
        return core_.diagnostics.ToLimit(Unit(), 3, speed, reached);
      },
      [&reached](Result result) {
        return result.failed() ? HomingText(result)
                               : "Limit = " + Plain(result.ok() ? reached : StatusCode(result));
      });
}

// --- Jog and moves ---

void AxesTab::ApplyJog() {
  if (const auto speed = JogSpeed()) core_.diagnostics.MoveAtSpeed(Unit(), *speed);
}

void AxesTab::StopJog() {
  core_.diagnostics.MoveAtSpeed(Unit(), 0);
}

void AxesTab::InvertJogSpeed() {
  if (const auto speed = JogSpeed())
    jogSpeedEdit_->setText(QtText(Str(Negated(static_cast<double>(*speed)))));
}

void AxesTab::MoveAbs() {
  if (const auto destination = Destination())
    SayStatus(core_.diagnostics.MoveAbs(Unit(), *destination));
}

void AxesTab::MoveRel() {
  if (const auto distance = Distance()) SayStatus(core_.diagnostics.MoveRel(Unit(), *distance));
}

void AxesTab::InvertDistance() {
  if (const auto distance = Distance()) distanceEdit_->setText(QtText(Str(Negated(*distance))));
}

// --- Reads ---

void AxesTab::ReadPos() {
  double position = 0;
  const Result result = core_.diagnostics.ReadPos(Unit(), position);
  if (!result.ok()) position = 0;
  core_.axes.StoreLastPos(position);
  SayStatus(result);
  posLabel_->setText(QtText(Str(position)));
}

void AxesTab::SetOrigin() {
  SayStatus(core_.diagnostics.SetOrigin(Unit(), 0));
}

void AxesTab::ReadMovingStatus() {
  int16_t status = 0;
  const Result result = core_.diagnostics.ReadMovingStatus(Unit(), status);
  const int16_t shown = result.ok() ? status : StatusCode(result);
  SayCode(shown);
  limHrdwLabel_->setText(QtText(Plain(shown)));
}

void AxesTab::ShowLimitOrHardware(Result result, int16_t value) {
  core_.axes.StoreLastStatus(result.ok() ? value : int16_t{-1});
  SayStatus(result);
  limHrdwLabel_->setText(QtText(Plain(core_.axes.CurrentRecord().LastStatus)));
}

void AxesTab::ReadLimits() {
  int16_t value = 0;
  const Result result = core_.diagnostics.ReadLimits(Unit(), value);
  ShowLimitOrHardware(result, value);
}

void AxesTab::ReadHardware() {
  int16_t value = 0;
  const Result result = core_.diagnostics.ReadHardware(Unit(), value);
  ShowLimitOrHardware(result, value);
}

// In- and out-ports share the three labels: the last read wins.
void AxesTab::ShowPorts(Result result, const std::array<int16_t, 3>& values) {
  SayStatus(result);
  for (int i = 0; i < 3; ++i) {
    const int16_t value = result.ok() ? values[static_cast<size_t>(i)] : int16_t{-1};
    core_.axes.StorePortValue(i, value);
    inLabel_[static_cast<size_t>(i)]->setText(result.ok() ? QtText(Plain(value)) : QString());
  }
}

void AxesTab::ReadInPorts() {
  std::array<int16_t, 3> values{};
  const Result result = core_.diagnostics.ReadInPorts(Unit(), values);
  ShowPorts(result, values);
}

void AxesTab::ReadOutPorts() {
  std::array<int16_t, 3> values{};
  const Result result = core_.diagnostics.ReadOutPorts(Unit(), values);
  ShowPorts(result, values);
}

void AxesTab::WritePorts() {
  std::array<int16_t, 3> out{};
  for (size_t i = 0; i < out.size(); ++i) {
    const auto value = TextToInt16(TextOf(outEdit_[i]->text()));
    if (!value) return;
    if (*value != 0 && *value != 1) return Say("Output values must be 0 or 1");
    out[i] = *value;
  }
  SayStatus(core_.diagnostics.WriteOutPorts(Unit(), out));
}

}  // namespace qv
