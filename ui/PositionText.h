#pragma once
// The stage and focus positions as the message line shows them.
#include <string>

#include "devices/Focus.h"
#include "devices/Stage.h"
#include "foundation/NumberText.h"

namespace qv {

// "X=" & X & ", Y=" & Y in general format, or "Error " when the read fails.
inline std::string XYPositionText(Stage& stage) {
  double x = 0;
  double y = 0;
  if (!stage.XYReadPos(x, y).ok()) return "Error ";
  return "X=" + GeneralText(x) + ", Y=" + GeneralText(y);
}

// "Z=" & Z, or "Error ".
inline std::string ZPositionText(Focus& focus) {
  double z = 0;
  if (!focus.ZReadPos(z).ok()) return "Error ";
  return "Z=" + GeneralText(z);
}

}  // namespace qv
