#include "ui/KeywordFileRewrite.h"

#include <optional>

#include "foundation/KeywordFiles.h"

namespace qv {

namespace {

// The line with its value replaced: between the first and the second comma (or the end), the
// blanks around the old value kept. A line without a comma was all value; it becomes a
// written entry line.
std::string ReplaceValue(std::string_view line, const ParEntry& entry, const std::string& value) {
  const std::size_t first = line.find(',');
  if (first == std::string_view::npos) return FormatKeywordLine({entry.Name, value});
  const std::size_t second = line.find(',', first + 1);
  const std::size_t end = second == std::string_view::npos ? line.size() : second;
  const std::string_view old = line.substr(first + 1, end - first - 1);
  const std::size_t lead = old.find_first_not_of(' ');
  const std::size_t trail = old.find_last_not_of(' ');
  const std::string_view before = lead == std::string_view::npos ? old : old.substr(0, lead);
  const std::string_view after =
      trail == std::string_view::npos ? std::string_view() : old.substr(trail + 1);
  return std::string(line.substr(0, first + 1)) + std::string(before) + value + std::string(after) +
         std::string(line.substr(end));
}

// `values[k]` is the new value text of the k-th entry the reader finds in `content`, or nothing
// to keep that line as it is.
std::string RewriteKeywordValues(std::string_view content,
                                 const std::vector<std::optional<std::string>>& values) {
  std::string result;
  std::size_t entry = 0;
  for (const FileLine& line : CutFileLines(content)) {
    ParEntry parsed;
    const bool isEntry = ParseKeywordLine(line.text, parsed);
    if (isEntry && entry < values.size() && values[entry]) {
      result += ReplaceValue(line.text, parsed, OneLine(*values[entry]));
    } else {
      result += line.text;
    }
    result += line.end;
    if (isEntry) ++entry;
  }
  return result;
}

}  // namespace

std::string MergeKeywordValues(std::string_view content,
                               const std::vector<KeywordChange>& changes) {
  std::vector<std::string> names;
  for (const FileLine& line : CutFileLines(content)) {
    ParEntry parsed;
    if (ParseKeywordLine(line.text, parsed)) names.push_back(std::move(parsed.Name));
  }
  std::vector<std::optional<std::string>> values(names.size());
  std::string added;
  for (const KeywordChange& change : changes) {
    int seen = 0;
    auto entry = names.begin();
    for (; entry != names.end(); ++entry) {
      if (*entry == change.name && seen++ == change.occurrence) break;
    }
    if (entry != names.end()) {
      values[static_cast<size_t>(entry - names.begin())] = change.value;
    } else {
      added += FormatKeywordLine({change.name, change.value}) + "\r\n";
    }
  }
  std::string merged = RewriteKeywordValues(content, values);
  if (!added.empty() && !merged.empty() && merged.back() != '\n' && merged.back() != '\r')
    merged += "\r\n";
  return merged + added;
}

}  // namespace qv
