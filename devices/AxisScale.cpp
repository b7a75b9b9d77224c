#include "devices/AxisScale.h"

#include <cmath>
#include <vector>

namespace qv {

std::optional<double> ScaleOf(double travel, int16_t motorSteps, int16_t stepDivide) {
  if (!(travel > 0) || motorSteps <= 0) return std::nullopt;
  const double scale = travel / motorSteps / std::ldexp(1.0, stepDivide);
  if (!std::isfinite(scale) || !(scale > 0)) return std::nullopt;
  return scale;
}

std::optional<double> CheckedScale(Notifier& notifier, const AxisMechanics& m,
                                   const std::string& path, std::string_view unit) {
  const std::optional<double> scale = ScaleOf(m.travel, m.motorSteps, m.stepDivide);
  if (scale) return scale;
  std::vector<std::string> keys;
  if (!m.travelKey.empty()) keys.push_back(m.travelKey);
  keys.push_back(m.stepsKey);
  keys.push_back(m.divideKey);
  std::string named = keys.front();
  for (size_t i = 1; i < keys.size(); ++i)
    named += (i + 1 == keys.size() ? " and " : ", ") + keys[i];
  notifier.MessageBox(
      named + " in " + path + " give no usable " + std::string(unit) + " per microstep",
      MsgIcon::Exclamation);
  return std::nullopt;
}

}  // namespace qv
