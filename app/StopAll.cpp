#include "app/StopAll.h"

#include <algorithm>

namespace qv {

std::vector<std::string> StopAllDevices(System& system) {
  std::vector<const DeviceRow*> moving;
  for (const DeviceRow& row : kDeviceTable) {
    if (row.stopRank >= 0) moving.push_back(&row);
  }
  std::sort(moving.begin(), moving.end(),
            [](const DeviceRow* a, const DeviceRow* b) { return a->stopRank < b->stopRank; });

  std::vector<std::string> failed;
  for (const DeviceRow* row : moving) {
    if (system.state.Ready[row->id] != 1) continue;
    if (system.StopDevice(row->id) < 0) failed.emplace_back(row->word);
  }
  return failed;
}

}  // namespace qv
