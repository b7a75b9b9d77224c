#pragma once
// The outside image-capture program: started from the main window's menu, triggered by "Snap"
// with the keystroke an operator would type. Nothing comes back from it.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controllers/Clock.h"
#include "foundation/ProgramLauncher.h"

namespace qv {

inline constexpr int16_t kCaptureKindEos = 1;
inline constexpr const char* kEosUtilityPath =
    "C:\\Program Files\\Canon\\EOS Utility\\EOS Utility.exe";
inline constexpr const char* kEosTriggerKeys = " ";
// ms the capture program's window is given to take the focus before the keystroke.
inline constexpr int32_t kCaptureFocusDelayMs = 500;

inline constexpr const char* kCaptureLaunched = "Capture Program Launched";
inline constexpr const char* kCaptureNotLaunched = "Capture Program Not Launched";
inline constexpr const char* kCaptureNotReached = "Capture Program Not Reached";

struct CaptureState {
  int16_t CaptureKind = 0;    // which capture program is in use; 0 none chosen yet
  int32_t CaptureTaskId = 0;  // process id of the newest copy started; 0 none
};

struct CaptureCommand {
  std::string program;
  std::vector<std::string> arguments;
};

// What is started for `kind`: the configured command line, else the vendor's program for the
// one known kind. An empty program when the kind has none.
CaptureCommand CaptureCommandFor(int16_t kind, const std::string& configuredCommandLine);

class CaptureControl {
 public:
  // `launcher` may be null: then nothing can be started. `configuredCommandLine` is read at
  // each launch, so a re-read configuration takes effect. `report` gets the failures of a
  // trigger, which no reply carries.
  CaptureControl(ProgramLauncher* launcher, Clock& clock, const std::string& configuredCommandLine,
                 std::function<void(const std::string&)> report);

  // Starts another copy of the capture program of CaptureKind and keeps only its id.
  int32_t CaptureLaunch();
  // One exposure: the trigger keystroke to the newest copy, nothing when none was started.
  // Always 0; the command's reply does not depend on it.
  int16_t CaptureSnap();
  // The menu entry "Launch Capture Prog": the text for the main window's message line.
  std::string LaunchCaptureProgram();

  const CaptureState& State() const { return state_; }

 private:
  ProgramLauncher* launcher_;
  Clock& clock_;
  const std::string& configuredCommandLine_;
  std::function<void(const std::string&)> report_;
  CaptureState state_;
};

}  // namespace qv
