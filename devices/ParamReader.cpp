#include "devices/ParamReader.h"

#include <string>

#include "foundation/NumberText.h"

namespace qv {

void ParamReader::RequiredAddress(std::string_view key, int16_t& address) {
  std::string text;
  if (Required(key, text) != 1) return;
  const std::string_view trimmed = TrimBlanks(text);
  if (trimmed.empty()) {
    Fail();
    return;
  }
  address = static_cast<unsigned char>(trimmed.front());
}

}  // namespace qv
