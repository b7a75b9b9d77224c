#include "foundation/KeywordFiles.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <type_traits>

#include "foundation/AtomicFile.h"
#include "foundation/NumberText.h"
#include "foundation/TextEncoding.h"

namespace qv {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Names compare exactly: another letter case is another key.
auto Named(std::string_view name) {
  return [name](const ParEntry& entry) { return entry.Name == name; };
}

// A stored value converted to the receiving variable's type; empty when it does not convert.
// Texts are the numbers of a file, so they go through the locale-free parser; numbers going
// into integers are rounded like every integer taken from a file.
template <class T>
std::optional<T> ConvertValue(const ParValue& stored) {
  return std::visit(
      [](const auto& v) -> std::optional<T> {
        using V = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>) {
          if constexpr (std::is_same_v<V, std::string>) {
            return v;
          } else {
            return GeneralText(static_cast<double>(v));
          }
        } else if constexpr (std::is_same_v<T, double>) {
          if constexpr (std::is_same_v<V, std::string>) {
            return ParseNumber(v);
          } else {
            return static_cast<double>(v);
          }
        } else if constexpr (std::is_same_v<T, int16_t>) {
          if constexpr (std::is_same_v<V, std::string>) {
            return TextToInt16(v);
          } else {
            return RoundToInt16(static_cast<double>(v));
          }
        } else {
          static_assert(std::is_same_v<T, int32_t>);
          if constexpr (std::is_same_v<V, std::string>) {
            return TextToInt32(v);
          } else {
            return RoundToInt32(static_cast<double>(v));
          }
        }
      },
      stored);
}

template <class T>
int16_t Get(const ParList& list, std::string_view name, T& value) {
  const auto entry = std::ranges::find_if(list, Named(name));
  if (entry == list.end()) return -1;
  if constexpr (std::is_same_v<T, ParValue>) {
    value = entry->Value;
  } else {
    std::optional<T> converted = ConvertValue<T>(entry->Value);
    if (!converted) return kParBadValue;
    value = std::move(*converted);
  }
  return 1;
}

}  // namespace

// A line break inside a name, value or list item would cut its line in two on reading and
// could even make up an entry of its own; it is written as a blank so that every entry stays
// on exactly one line.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

bool ParseKeywordLine(std::string_view line, ParEntry& entry) {
  if (line.size() < 5) return false;
  const std::size_t openQuote = line.find('"');
  if (openQuote == std::string_view::npos) return false;
  const std::size_t closeQuote = line.find('"', openQuote + 1);
  if (closeQuote == std::string_view::npos) return false;

  // Commas are counted from the start of the line without regard to the quotes: a comma inside
  // the name is the first comma. Existing files depend on exactly this reading.
  std::string_view value = line;
  const std::size_t firstComma = line.find(',');
  if (firstComma != std::string_view::npos) {
    const std::size_t secondComma = line.find(',', firstComma + 1);
    value = secondComma == std::string_view::npos
                ? line.substr(firstComma + 1)
                : line.substr(firstComma + 1, secondComma - firstComma - 1);
  }
  entry.Name = std::string(TrimBlanks(line.substr(openQuote + 1, closeQuote - openQuote - 1)));
  entry.Value = std::string(TrimBlanks(value));
  return true;
}

std::string FormatParValue(const ParValue& value) {
  return std::visit(
      [](const auto& v) -> std::string {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string>) {
          return v;
        } else {
          return Str(static_cast<double>(v));
        }
      },
      value);
}

std::string FormatKeywordLine(const ParEntry& entry) {
  return OneLine("\"" + entry.Name + "\"," + FormatParValue(entry.Value));
}

std::vector<FileLine> CutFileLines(std::string_view content) {
  std::vector<FileLine> lines;
  std::size_t start = 0;
  std::size_t pos = 0;
  while (pos < content.size()) {
    const char c = content[pos];
    if (c != '\r' && c != '\n') {
      ++pos;
      continue;
    }
    const std::size_t endLength =
        (c == '\r' && pos + 1 < content.size() && content[pos + 1] == '\n') ? 2 : 1;
    lines.push_back({content.substr(start, pos - start), content.substr(pos, endLength)});
    pos += endLength;
    start = pos;
  }
  if (start < content.size()) lines.push_back({content.substr(start), {}});
  return lines;
}

std::vector<std::string> SplitFileLines(std::string_view content) {
  std::vector<std::string> lines;
  for (const FileLine& line : CutFileLines(content))
    lines.emplace_back(line.text);
  return lines;
}

ParList ParseKeywordText(std::string_view content) {
  ParList entries;
  for (const std::string& line : SplitFileLines(content)) {
    ParEntry entry;
    if (ParseKeywordLine(line, entry)) entries.push_back(std::move(entry));
  }
  return entries;
}

std::string FormatKeywordText(const ParList& list) {
  std::string content;
  for (const ParEntry& entry : list) {
    content += FormatKeywordLine(entry);
    content += kLineEnd;
  }
  return content;
}

PlainList ParseListText(std::string_view content) {
  PlainList items;
  for (const std::string& lineText : SplitFileLines(content)) {
    const std::string_view line = lineText;
    std::size_t pos = 0;
    for (;;) {
      while (pos < line.size() && line[pos] == ' ')
        ++pos;
      std::string_view item;
      std::size_t comma = std::string_view::npos;
      if (pos < line.size() && line[pos] == '"') {
        const std::size_t closeQuote = line.find('"', pos + 1);
        if (closeQuote == std::string_view::npos) {
          item = line.substr(pos + 1);  // an unclosed quote holds the rest of the line
        } else {
          item = line.substr(pos + 1, closeQuote - pos - 1);
          // Whatever follows the closing quote up to the next comma is not part of any item.
          comma = line.find(',', closeQuote + 1);
        }
      } else {
        comma = line.find(',', pos);
        item = comma == std::string_view::npos ? line.substr(pos) : line.substr(pos, comma - pos);
      }
      items.emplace_back(TrimBlanks(item));
      if (comma == std::string_view::npos) break;
      pos = comma + 1;  // a comma at the end of the line leaves one more, empty item
    }
  }
  return items;
}

std::string FormatListText(const PlainList& list) {
  std::string content;
  for (const std::string& item : list) {
    content += OneLine(item);
    content += kLineEnd;
  }
  return content;
}

std::string JoinLines(const PlainList& list) {
  std::string text;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i > 0) text += kLineEnd;
    text += list[i];
  }
  return text;
}

PlainList SplitLines(std::string_view text) {
  PlainList pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(kLineEnd, start);
    if (end == std::string_view::npos) {
      pieces.emplace_back(text.substr(start));
      return pieces;
    }
    pieces.emplace_back(text.substr(start, end - start));
    start = end + kLineEnd.size();
  }
}

int16_t GetPar(const ParList& list, std::string_view name, std::string& value) {
  return Get(list, name, value);
}
int16_t GetPar(const ParList& list, std::string_view name, int16_t& value) {
  return Get(list, name, value);
}
int16_t GetPar(const ParList& list, std::string_view name, int32_t& value) {
  return Get(list, name, value);
}
int16_t GetPar(const ParList& list, std::string_view name, double& value) {
  return Get(list, name, value);
}
int16_t GetPar(const ParList& list, std::string_view name, ParValue& value) {
  return Get(list, name, value);
}

void PutPar(ParList& list, std::string_view name, ParValue value) {
  const auto entry = std::ranges::find_if(list, Named(name));
  if (entry != list.end()) {
    entry->Value = std::move(value);
  } else {
    list.push_back(ParEntry{std::string(name), std::move(value)});
  }
}

void ResetPar(ParList& list, std::string_view name, ParValue value) {
  list.clear();
  list.push_back(ParEntry{std::string(name), std::move(value)});
}

int16_t KeywordFiles::ReadParList(const std::string& path, ParList& list) {
  std::string text;
  if (ReadFileText(path, text) < 0) return -1;
  list = ParseKeywordText(text);
  return 1;
}

int16_t KeywordFiles::ReadFileText(const std::string& path, std::string& text) {
  if (!IsRegularFile(path)) {
    ReportMissingFile(path);
    return -1;
  }
  std::string content;
  if (!ReadWholeFile(path, content)) {
    notifier_.MessageBox("File " + path + " could not be read", MsgIcon::Critical);
    return -1;
  }
  text = DecodeText(std::move(content));
  return 1;
}

int16_t KeywordFiles::WriteParList(const std::string& path, const ParList& list) {
  if (!WriteFileAtomically(path, FormatKeywordText(list))) {
    ReportWriteFailure(path);
    return RefusedLink(path).empty() ? int16_t{-1} : kLinkRefused;
  }
  return 1;
}

int16_t ParCount(const ParList& list) {
  // The count is a 16-bit status like every result of this module; a list longer than that is
  // reported at the largest count rather than wrapped to a negative one.
  constexpr std::size_t kMax = std::numeric_limits<int16_t>::max();
  return static_cast<int16_t>(list.size() < kMax ? list.size() : kMax);
}

int16_t GetParAt(const ParList& list, int index, std::string& name, ParValue& value) {
  if (index < 0 || static_cast<std::size_t>(index) >= list.size()) {
    name = "UNDEFINED";
    value = int16_t{0};
    return -1;
  }
  const ParEntry& entry = list[static_cast<std::size_t>(index)];
  name = entry.Name;
  value = entry.Value;
  return 1;
}

int16_t SetParAt(ParList& list, int index, const ParValue& value) {
  if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return -1;
  list[static_cast<std::size_t>(index)].Value = value;
  return 1;
}

int KeywordFiles::ReadList(const std::string& path, PlainList& list) {
  if (list.empty()) list.emplace_back();
  std::string text;
  if (ReadFileText(path, text) < 0) return -1;
  list = ParseListText(text);
  return static_cast<int>(list.size());
}

int16_t KeywordFiles::WriteList(const PlainList& list, const std::string& path) {
  if (WriteFileAtomically(path, FormatListText(list))) return 1;
  if (RefusedLink(path).empty()) return -1;
  ReportWriteFailure(path);
  return kLinkRefused;
}

void KeywordFiles::ReportGetFailure(const std::string& path, std::string_view name,
                                    int16_t result) {
  if (result == kParBadValue) {
    notifier_.MessageBox(
        "Parameter " + std::string(name) + " in " + path + " is not a valid number",
        MsgIcon::Critical);
  } else {
    notifier_.MessageBox("Parameter " + std::string(name) + " not found in " + path,
                         MsgIcon::Critical);
  }
}

void KeywordFiles::ReportWriteFailure(const std::string& path) {
  if (const std::string refused = RefusedLink(path); !refused.empty()) {
    notifier_.MessageBox("File " + path + " was not written: " + refused, MsgIcon::Critical);
    return;
  }
  const char* why =
      IsReadOnlyFile(path) ? " is read-only and was not changed" : " could not be written";
  notifier_.MessageBox("File " + path + why, MsgIcon::Critical);
}

void KeywordFiles::ReportMissingFile(const std::string& path) {
  notifier_.MessageBox("File " + path + " does not exist", MsgIcon::None, "", MsgButtons::Ok);
}

}  // namespace qv
