#include "commands/Automation.h"

#include <vector>

namespace qv {

std::string Automation::Exec(const std::string& client, const std::string& command) {
  if (!HasObject(client)) CreateObject(client);
  leaving_.erase(client);  // a call after a release wants an object again
  ++calls_[client];
  const std::shared_ptr<CommandSource> source = sources_[client];
  std::string reply = dispatcher_.ExecuteLine(*source, command);
  if (--calls_[client] == 0) {
    calls_.erase(client);
    if (leaving_.erase(client) > 0) ReleaseNow(client);
  }
  return reply;
}

void Automation::CreateObject(const std::string& client) {
  clients_.insert(client);
  sources_.emplace(client, std::make_shared<CommandSource>());
  state_.ClientAlive = 1;
}

void Automation::ReleaseObject(const std::string& client) {
  if (calls_.count(client) > 0) {
    leaving_.insert(client);
  } else {
    ReleaseNow(client);
  }
}

void Automation::ReleaseAll(std::string_view prefix) {
  for (const std::string& client : std::vector<std::string>(clients_.begin(), clients_.end())) {
    if (client.starts_with(prefix)) ReleaseObject(client);
  }
}

// The serial line closes with the last object, not with any object: another client that is
// still connected must not lose its controllers because a neighbour left.
void Automation::ReleaseNow(const std::string& client) {
  if (clients_.erase(client) == 0) return;
  sources_.erase(client);
  if (clients_.empty() && hooks_.commReady() && !hooks_.mainFormLoaded()) hooks_.shutdown();
  state_.ClientAlive = 0;
}

}  // namespace qv
