#include "commands/CommandText.h"

#include "foundation/NumberText.h"

namespace qv {

int SplitWord(std::string& text, std::string& word) {
  const std::string s = std::string(TrimBlanks(text)) + ' ';
  const size_t blank = s.find(' ');
  word = s.substr(0, blank);
  text = std::string(TrimBlanks(std::string_view(s).substr(blank + 1)));
  return static_cast<int>(word.size());
}

int NextToken(std::string& text, std::string& piece, std::string_view separator) {
  const size_t at = text.find(separator);
  if (at == std::string::npos) {
    piece = std::move(text);
    text.clear();
    return static_cast<int>(piece.size());
  }
  piece = text.substr(0, at);
  text.erase(0, at + separator.size());
  return static_cast<int>(at);
}

bool ResolveSymbol(std::string& word, const ParList& symbols) {
  if (ParseNumber(word)) return true;
  for (const ParEntry& entry : symbols) {
    if (entry.Name != word) continue;
    ParList one{entry};
    double value = 0;
    if (TransferPar(one, entry.Name, value, "from") != 1) return false;
    word = Str(value);
    return true;
  }
  return false;
}

}  // namespace qv
