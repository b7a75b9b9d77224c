#include "devices/FocusCompensation.h"

#include "foundation/KeywordReader.h"

namespace qv {
namespace {

bool ValidWheel(int wheel) {
  return wheel == 1 || wheel == 2;
}

}  // namespace

Result FocusCompensation::ReadTable(int wheel, int16_t positions, const std::string& fileName) {
  if (!ValidWheel(wheel)) return Cause::kOutOfRange;
  std::vector<int16_t>& table = tables_[wheel];
  table.assign(positions > 0 ? positions : 0, 0);
  KeywordReader reader(keywordFiles_);
  if (!reader.Open(fileName)) return Cause::kNoParameters;
  for (int k = 1; k <= static_cast<int>(table.size()); ++k)
    reader.Required("W" + std::to_string(wheel) + "DZ" + std::to_string(k), table[k - 1]);
  return reader.Result() > 0 ? Cause::kDone : Cause::kNoParameters;
}

void FocusCompensation::SetOn(int wheel, bool on) {
  if (ValidWheel(wheel)) on_[wheel] = on;
}

bool FocusCompensation::IsOn(int wheel) const {
  return ValidWheel(wheel) && on_[wheel];
}

int16_t FocusCompensation::Offset(int wheel, int filter) const {
  if (!ValidWheel(wheel)) return 0;
  const std::vector<int16_t>& table = tables_[wheel];
  if (filter < 1 || filter > static_cast<int>(table.size())) return 0;
  return table[filter - 1];
}

}  // namespace qv
