#pragma once
// A device word's sub-commands as a table: each sub-command word beside the function that
// answers it. A word that is none of them is the value form of the command (a target to go to),
// which each handler deals with itself.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace qv {

template <class Commands>
using SubCommandRow = std::pair<std::string_view, std::string (*)(Commands&, std::string& rest)>;

// The function of the sub-command `word` in `table`, or null when the word is none of them.
template <class Commands, std::size_t N>
std::string (*FindSubCommand(const SubCommandRow<Commands> (&table)[N],
                             std::string_view word))(Commands&, std::string&) {
  for (const auto& [name, handler] : table) {
    if (name == word) return handler;
  }
  return nullptr;
}

}  // namespace qv
