#include "commands/CaptureControl.h"

#include "foundation/CommandLine.h"

namespace qv {

CaptureCommand CaptureCommandFor(int16_t kind, const std::string& configuredCommandLine) {
  if (kind != kCaptureKindEos) return {};
  std::vector<std::string> words = SplitCommandLine(configuredCommandLine);
  // The vendor's path holds blanks of its own and is one word as it stands.
  if (words.empty()) return {kEosUtilityPath, {}};
  CaptureCommand command{std::move(words.front()), {}};
  command.arguments.assign(std::make_move_iterator(words.begin() + 1),
                           std::make_move_iterator(words.end()));
  return command;
}

CaptureControl::CaptureControl(ProgramLauncher* launcher, Clock& clock,
                               const std::string& configuredCommandLine,
                               std::function<void(const std::string&)> report)
    : launcher_(launcher),
      clock_(clock),
      configuredCommandLine_(configuredCommandLine),
      report_(std::move(report)) {}

int32_t CaptureControl::CaptureLaunch() {
  const CaptureCommand command = CaptureCommandFor(state_.CaptureKind, configuredCommandLine_);
  int32_t id = 0;
  if (launcher_ != nullptr && !command.program.empty()) {
    id = launcher_->StartProgram(command.program, command.arguments);
  }
  state_.CaptureTaskId = id > 0 ? id : 0;
  return state_.CaptureTaskId;
}

int16_t CaptureControl::CaptureSnap() {
  const int32_t id = state_.CaptureTaskId;
  if (id == 0 || launcher_ == nullptr) return 0;
  // A copy the operator has closed keeps its id: every later trigger then says again that it
  // reached nobody, instead of falling silent as before any launch.
  if (!launcher_->ActivateWindow(id)) {
    if (report_) report_(kCaptureNotReached);
    return 0;
  }
  clock_.DelayMs(kCaptureFocusDelayMs);
  if (!launcher_->SendKeys(id, kEosTriggerKeys) && report_) report_(kCaptureNotReached);
  return 0;
}

std::string CaptureControl::LaunchCaptureProgram() {
  state_.CaptureKind = kCaptureKindEos;
  return CaptureLaunch() >= 1 ? kCaptureLaunched : kCaptureNotLaunched;
}

}  // namespace qv
