#include "devices/ParamReader.h"

#include "foundation/NumberText.h"

namespace qv {

bool ParamReader::Open(const std::string& fileName) {
  trapar_.SetParFile(fileName);
  failed_ = trapar_.ReadParFile() < 0;
  return !failed_;
}

void ParamReader::Required(const std::string& key, double& value) {
  Require(key, value);
}
void ParamReader::Required(const std::string& key, int16_t& value) {
  Require(key, value);
}
void ParamReader::Required(const std::string& key, int32_t& value) {
  Require(key, value);
}

void ParamReader::RequiredAddress(const std::string& key, int16_t& address) {
  std::string text;
  if (trapar_.Par(key, text, "from") < 0) {
    failed_ = true;
    return;
  }
  const std::string_view trimmed = TrimBlanks(text);
  if (trimmed.empty()) {
    failed_ = true;  // an empty address names no unit
    return;
  }
  address = static_cast<unsigned char>(trimmed.front());
}

}  // namespace qv
