#pragma once
// The automation object's life: each client connection that calls in gets an object; releasing
// the last one closes the serial line when no window needs it. "ClientAlive" is a flag, not a
// count: every creation sets it and every release clears it. A client that leaves while a
// command of its own still runs (a motion wait lets other calls in) keeps its object until that
// command returns, so the line is never closed under a running wait. Each object is a source of
// commands of its own: its "Wait" follows its own last device.
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "commands/CommandDispatcher.h"
#include "foundation/SharedState.h"

namespace qv {

class Automation {
 public:
  struct Hooks {
    std::function<bool()> commReady;       // the serial layer is up
    std::function<bool()> mainFormLoaded;  // the main window is loaded
    std::function<void()> shutdown;        // close the serial line
  };

  Automation(SharedState& state, CommandDispatcher& dispatcher, Hooks hooks)
      : state_(state), dispatcher_(dispatcher), hooks_(std::move(hooks)) {}

  // The joined replies of the line; the first call of a client creates its object. Line ends
  // in the text do not separate commands.
  std::string Exec(const std::string& client, const std::string& command);
  void CreateObject(const std::string& client);
  // Release() or the client leaving the bus. Nothing happens for a client without an object (a
  // second release, or one that never called); a client whose command still runs is released
  // when it returns.
  void ReleaseObject(const std::string& client);
  // A transport is gone, and with it every client whose name begins with `prefix` (all the
  // names it gave); the clients of other transports keep their objects.
  void ReleaseAll(std::string_view prefix);

  size_t ObjectCount() const { return clients_.size(); }
  bool HasObject(const std::string& client) const { return clients_.count(client) > 0; }
  // The process may end: no window is loaded and no object is left.
  bool MayEnd() const { return clients_.empty() && !hooks_.mainFormLoaded(); }

 private:
  void ReleaseNow(const std::string& client);

  SharedState& state_;
  CommandDispatcher& dispatcher_;
  Hooks hooks_;
  std::set<std::string> clients_;     // unique bus names of the connections that hold an object
  std::map<std::string, int> calls_;  // calls still running, per client (nested by waits)
  // Per client with an object; a running call holds its own share.
  std::map<std::string, std::shared_ptr<CommandSource>> sources_;
  std::set<std::string> leaving_;  // released while a call of theirs still runs
};

}  // namespace qv
