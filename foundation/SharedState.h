#pragma once
// Process-wide state that the command language, the program runner and the device layer share.
// One instance lives in the object that owns all modules; nothing here is global.
#include <cstdint>
#include <optional>
#include <string>

#include "foundation/DeviceTable.h"
#include "foundation/KeywordFiles.h"

namespace qv {

// Values of QV_CONFIG.TXT.
struct Configuration {
  int16_t MPort = 0;                // number of the serial port that carries every controller
  int16_t PortTimeout = 0;          // ms, one serial exchange
  int16_t MoveTimeout = 0;          // s, one motion
  int16_t WaitPollingInterval = 0;  // ms between status polls while an EZHR17 motion is waited for
  std::string ContrType;            // "IM483I" or "EZHR17"; empty until the file was read
  std::string PortName;             // a device path that replaces MPORT (/dev/ttyUSB0, a link)
  std::string CaptureProgram;       // command line of the capture program; empty: the usual one
  std::string TextEditor;           // command line of the text editor; empty: the desktop's choice
  int16_t JoyStartOn = 0;           // 1: poll the joystick from the start
  DeviceFlags Installed;            // only the value 1 switches a device on
  // TCP port of the local command-line server, as written; none: no server asked for (or the
  // value was no number).
  std::optional<int32_t> ListenPort;
};

struct SharedState {
  std::string AppDir;  // the program folder followed by the path separator
  Configuration Config;
  // 1 when the device is installed and answered its initialisation; the command handlers test
  // these, not the installed flags.
  DeviceFlags Ready;
  int16_t CommandBusy = 0;   // 1 while a command runs; keeps the window timer from idle work
  int32_t CommandCount = 0;  // commands dispatched since start
  ParList SymConst;          // symbolic constants of QV_SYMCONST.TXT
  int16_t HistoryMax = 0;    // entries the command box history keeps
  int16_t MainFormLoaded = 0;
  int16_t ClientAlive = 0;  // a flag, not a count: 1 after an automation object was created
  int16_t JoyOn = 0;        // 1: the joystick is polled
};

// Holds CommandBusy at 1 for its lifetime, so that no way out of a command (an early return, an
// exception) leaves the flag behind and the window timer idle for good. A command clears the
// flag when it ends, even inside another one: the window timer may work between the lines of a
// program. An operation of the window restores what it found, as such operations nest.
class CommandBusyScope {
 public:
  enum class OnEnd { Clear, Restore };

  explicit CommandBusyScope(SharedState& state, OnEnd onEnd = OnEnd::Clear)
      : flag_(state.CommandBusy), after_(onEnd == OnEnd::Clear ? int16_t{0} : flag_) {
    flag_ = 1;
  }
  ~CommandBusyScope() { flag_ = after_; }
  CommandBusyScope(const CommandBusyScope&) = delete;
  CommandBusyScope& operator=(const CommandBusyScope&) = delete;

 private:
  int16_t& flag_;
  int16_t after_;  // the flag's value once the scope ends
};

}  // namespace qv
