#pragma once
// A keyword file rewritten by the parameter editor: only the values the operator changed are
// replaced, each in its own line; remarks after the second comma, lines the reader skips, the
// blanks around values, the line ends and the other entries all stay as they were.
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// One value the operator changed (a line break in it is written as a blank): the entry is the
// `occurrence`-th (from 0) of its name, since a file may name a key twice.
struct KeywordChange {
  std::string name;
  int occurrence = 0;
  std::string value;
};

// The changes put into `content` by the entries' names, so that they land on their entries also
// in a file that was rewritten since it was shown; a change whose entry the file no longer has
// is added as a line of its own at the end.
std::string MergeKeywordValues(std::string_view content, const std::vector<KeywordChange>& changes);

}  // namespace qv
