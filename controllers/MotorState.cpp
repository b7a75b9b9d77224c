#include "controllers/MotorState.h"

#include <limits>

#include "foundation/NumberText.h"

namespace qv {

std::optional<double> PositionCount(std::string_view text) {
  const std::optional<double> count = ParseNumber(text);
  if (!count || !(*count >= std::numeric_limits<int32_t>::min() &&
                  *count <= std::numeric_limits<int32_t>::max())) {
    return std::nullopt;
  }
  return count;
}

}  // namespace qv
