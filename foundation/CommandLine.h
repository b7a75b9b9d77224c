#pragma once
// Command lines that the configuration names (capture program, text editor). Words are
// separated by blanks; double quotes keep blanks inside one word. Backslashes are ordinary
// characters, so Windows paths survive unchanged.
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The words of `line`, quotes removed; empty for a blank line. An unclosed quote runs to the end.
std::vector<std::string> SplitCommandLine(std::string_view line);

}  // namespace qv
