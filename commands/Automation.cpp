#include "commands/Automation.h"

namespace qv {

std::string Automation::Exec(const std::string& client, const std::string& command) {
  if (!HasObject(client)) CreateObject(client);
  return dispatcher_.ExecuteLine(command);
}

void Automation::CreateObject(const std::string& client) {
  clients_.insert(client);
  state_.ClientAlive = 1;
}

// The serial line closes with the last object, not with any object: another client that is
// still connected must not lose its controllers because a neighbour left.
void Automation::ReleaseObject(const std::string& client) {
  if (clients_.erase(client) == 0) return;
  if (clients_.empty() && hooks_.commReady() && !hooks_.mainFormLoaded()) hooks_.shutdown();
  state_.ClientAlive = 0;
}

}  // namespace qv
