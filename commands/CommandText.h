#pragma once
// Taking command texts apart: words, separated pieces, and symbols standing for numbers.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/KeywordFiles.h"

namespace qv {

// Takes the first blank-separated word off `text` (only the blank separates words; runs of
// blanks count as one) and leaves the trimmed rest in `text`. Returns the word's length, 0 when
// there was none.
int SplitWord(std::string& text, std::string& word);

// Cuts `text` at the first `separator`: the piece before it goes to `piece`, the text after it
// stays in `text`. Without a separator the whole text is the piece and `text` becomes empty.
// Returns the piece's length. Both are views into the caller's text, so that taking every
// piece of a long line one after the other costs time in proportion to the line's length.
int NextToken(std::string_view& text, std::string_view& piece, std::string_view separator);

// A word that is a number stays as it is; a word that names a symbol becomes the symbol's value
// in Str form (" 200"). False, with the word unchanged, when it is neither; a symbol whose
// value is not a number counts as not found.
bool ResolveSymbol(std::string& word, const ParList& symbols);

// A value word: a number or a symbol standing for one; empty when it is neither.
std::optional<double> ResolveNumber(std::string word, const ParList& symbols);
// The same as a 16-bit integer, halves to the even neighbour; empty when it does not fit.
std::optional<int16_t> ResolveInt16(std::string word, const ParList& symbols);

}  // namespace qv
