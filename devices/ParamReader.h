#pragma once
// Device files are keyword files read under the common rules (see KeywordReader); the address
// of a controller is the one kind of value of their own.
#include <cstdint>
#include <string_view>

#include "foundation/KeywordReader.h"

namespace qv {

class ParamReader : public KeywordReader {
 public:
  using KeywordReader::KeywordReader;

  // A required key whose value is the code of the first character of the trimmed text; an
  // empty value names no unit and fails the read.
  void RequiredAddress(std::string_view key, int16_t& address);
};

}  // namespace qv
