#pragma once
// A keyword file rewritten by the parameter editor: only the values the operator changed are
// replaced, each in its own line; remarks after the second comma, lines the reader skips, the
// blanks around values and the line ends all stay as they were.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// `values[k]` is the new value text of the k-th entry the reader finds in `content`, or nothing
// to keep that line as it is. Entries beyond `values` are kept. A line break inside a new value
// is written as a blank, so that the entry stays on its line.
std::string RewriteKeywordValues(std::string_view content,
                                 const std::vector<std::optional<std::string>>& values);

}  // namespace qv
