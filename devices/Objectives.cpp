#include "devices/Objectives.h"

#include <string>

namespace qv {

int16_t Objectives::ReadObjPosMag() {
  magTable_.fill(0);
  count_ = 0;
  ParList list;
  if (keywordFiles_.ReadParList(keywordFiles_.ParDir() + "QV_OBJPOSMAG.TXT", list) < 0) return 0;
  for (const ParEntry& entry : list) {
    const std::string& name = entry.Name;
    if (name.size() < 7 || name.compare(0, 6, "OBJPOS") != 0) continue;
    const char last = name.back();
    if (last < '1' || last > '9') continue;
    const int position = last - '0';
    int16_t magnification = 0;  // a value that is no number leaves the position at 0
    ParList single{entry};      // a later duplicate key wins, as it would when set one by one
    GetPar(single, name, magnification);
    magTable_[position] = magnification;
    if (position > count_) count_ = static_cast<int16_t>(position);
  }
  return 0;
}

int16_t Objectives::ObjPosMag(int position) const {
  if (position < 1 || position > kObjectivePositions) return 0;
  return magTable_[position];
}

bool Objectives::SelectObjective(int16_t position) {
  if (position < 1 || position > count_) return false;
  objective_ = position;
  mag_ = magTable_[position];
  return true;
}

}  // namespace qv
