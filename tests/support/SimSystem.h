#pragma once
// A whole program on a simulated controller line, in process: the units the program folder
// describes answer on a loopback port, and the clock moves only when the program waits, so
// time-outs and motions take no real time.
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>

#include "app/System.h"
#include "sim/Loopback.h"
#include "sim/SimConfig.h"
#include "specimen/JoystickSource.h"
#include "tests/foundation/TestFiles.h"
#include "tests/support/RecordingFrontEnd.h"
#include "tests/support/RecordingNotifier.h"

namespace qv::test {

// A private copy of one of the repository's program folders.
inline void CopyFolder(const std::string& source, const TempFolder& target) {
  for (const auto& entry : std::filesystem::directory_iterator(source)) {
    std::filesystem::copy(entry.path(), target.File(entry.path().filename().string()));
  }
}

// The keyword line of `key` in the folder's `file` becomes "KEY",value (added at the end when the
// file has none), or goes when there is no value.
inline void SetKeyword(const TempFolder& folder, const std::string& file, const std::string& key,
                       const std::optional<std::string>& value) {
  std::istringstream in(GetBytes(folder.File(file)));
  std::string text;
  bool found = false;
  const std::string quoted = "\"" + key + "\"";
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with(quoted)) {
      found = true;
      if (!value) continue;
      line = quoted + "," + *value + "\r";
    }
    text += line + "\n";
  }
  if (!found && value) text += quoted + "," + *value + "\r\n";
  PutBytes(folder.File(file), text);
}

inline std::string RepoFolder(const std::string& relative) {
  return std::string(QV_SOURCE_DIR) + "/" + relative;
}

// Test names for the two demonstration folders, by their controller type.
struct LineName {
  template <class Info>
  std::string operator()(const Info& instance) const {
    return instance.param == "config/demo" ? "EZHR17" : "IM483I";
  }
};

// `Front` is the front end the program shows itself on: a recorder, or the window front end in
// the window tests.
template <class Front = RecordingFrontEnd>
struct BasicSimSystem {
  // `adjust` may change the simulated mechanics (a broken sensor, say) before the units exist;
  // `prepare` may change the copied folder's files before anything reads them.
  explicit BasicSimSystem(const std::string& sourceFolder, sim::LineOptions options = {},
                          const std::function<void(sim::LinePlan&)>& adjust = {},
                          const std::function<void(const TempFolder&)>& prepare = {})
      : plan(Copied(sourceFolder, folder, prepare)), line(plan.type, options) {
    if (adjust) adjust(plan);
    sim::AddUnits(line, plan);
  }

  int16_t Start() { return system.InitSystem(folder.Dir()); }
  std::string Run(const std::string& commandLine) { return system.ExecuteLine(commandLine); }
  sim::Unit& Unit(char address) { return *line.FindUnit(address); }
  sim::UnitState State(char address) { return Unit(address).State(clock.Now()); }
  // The channel's messages, oldest first.
  std::vector<std::string> Log() const {
    const std::string text = system.comm.CommLogText();
    std::vector<std::string> messages;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
         start = end + 2)
      messages.push_back(text.substr(start, end - start));
    return messages;
  }

  TempFolder folder;
  sim::LinePlan plan;
  sim::Line line;
  sim::SimClock clock;
  sim::LoopbackPort port{line, clock};
  RecordingNotifier notifier;
  Front front;
  ScriptedJoystick joystick;  // reads as absent until a test gives it readings
  System system{Platform{notifier, clock, front, port, &joystick}};

 private:
  static sim::LinePlan Copied(const std::string& source, const TempFolder& target,
                              const std::function<void(const TempFolder&)>& prepare) {
    CopyFolder(source, target);
    if (prepare) prepare(target);
    return sim::ReadLinePlan(target.Dir());
  }
};

using SimSystem = BasicSimSystem<>;

}  // namespace qv::test
