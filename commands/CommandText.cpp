#include "commands/CommandText.h"

#include "foundation/NumberText.h"

namespace qv {

int SplitWord(std::string& text, std::string& word) {
  const std::string_view trimmed = TrimBlanks(text);
  const size_t blank = trimmed.find(' ');
  word = std::string(trimmed.substr(0, blank));
  text = blank == std::string_view::npos ? std::string()
                                         : std::string(TrimBlanks(trimmed.substr(blank + 1)));
  return static_cast<int>(word.size());
}

int NextToken(std::string_view& text, std::string_view& piece, std::string_view separator) {
  const size_t at = text.find(separator);
  if (at == std::string_view::npos) {
    piece = text;
    text = {};
    return static_cast<int>(piece.size());
  }
  piece = text.substr(0, at);
  text.remove_prefix(at + separator.size());
  return static_cast<int>(at);
}

bool ResolveSymbol(std::string& word, const ParList& symbols) {
  if (ParseNumber(word)) return true;
  for (const ParEntry& entry : symbols) {
    if (entry.Name != word) continue;
    ParList one{entry};
    double value = 0;
    if (GetPar(one, entry.Name, value) != 1) return false;
    word = Str(value);
    return true;
  }
  return false;
}

std::optional<double> ResolveNumber(std::string word, const ParList& symbols) {
  if (!ResolveSymbol(word, symbols)) return std::nullopt;
  return ParseNumber(word);
}

std::optional<int16_t> ResolveInt16(std::string word, const ParList& symbols) {
  const std::optional<double> value = ResolveNumber(std::move(word), symbols);
  return value ? RoundToInt16(*value) : std::nullopt;
}

}  // namespace qv
