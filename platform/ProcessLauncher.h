#pragma once
// Outside programs on X11: started detached, their windows found by process id and typed into
// with xdotool. Every wait for the window system is bounded, because the user interface does
// not run meanwhile.
#include <QString>
#include <QStringList>
#include <optional>

#include "foundation/ProgramLauncher.h"

namespace qv {

// ms one step of the window system (finding, activating, typing) may take.
inline constexpr int kWindowWaitMs = 3000;

// xdotool's key names for a keystroke text: " " is "space", "^V" is "ctrl+v". Nothing for a
// text with a character that has no name here.
std::optional<QStringList> XdotoolKeyNames(const std::string& keys);

class ProcessLauncher final : public ProgramLauncher {
 public:
  explicit ProcessLauncher(int waitMs = kWindowWaitMs);

  int32_t StartProgram(const std::string& program,
                       const std::vector<std::string>& arguments) override;
  bool ActivateWindow(int32_t id) override;
  bool SendKeys(int32_t id, const std::string& keys) override;

 private:
  // xdotool's standard output when it ended well within the wait.
  std::optional<QString> RunXdotool(const QStringList& arguments) const;
  QString FindWindow(int32_t id, bool waitForIt) const;

  int waitMs_;
  QString xdotool_;       // its path; empty when it is not installed
  int32_t windowOf_ = 0;  // process whose window was activated last
  QString window_;        // that window's X id
};

}  // namespace qv
