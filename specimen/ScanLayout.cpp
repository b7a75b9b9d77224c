#include "specimen/ScanLayout.h"

#include <cmath>
#include <limits>
#include <optional>

#include "foundation/NumberText.h"

namespace qv {
namespace {

std::optional<int32_t> Fits32(int64_t value) {
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(value);
}

// Fields along one side of a tiled area; 0 when the side holds none, -1 past kMaxFields.
int32_t TilesAlong(int32_t extent, double step) {
  const std::optional<int32_t> rounded = RoundToInt32(extent / step);
  if (!rounded) return -1;
  const int64_t count = int64_t{*rounded} + 1;
  if (count < 1) return 0;
  return count > kMaxFields ? -1 : static_cast<int32_t>(count);
}

LayoutVerdict CheckCounts(int32_t nx, int32_t ny) {
  if (nx == 0 || ny == 0) return LayoutVerdict::NoFields;
  if (nx < 0 || ny < 0 || int64_t{nx} * ny > kMaxFields) return LayoutVerdict::TooManyFields;
  return LayoutVerdict::Ok;
}

LayoutResult TileLayout(const ScanSettings& settings, const ScanArea& area,
                        const FieldOfView& field) {
  LayoutResult result;
  result.area = area;
  const std::optional<int32_t> xe = Fits32(int64_t{area.AreaXR} - area.AreaX0);
  const std::optional<int32_t> ye = Fits32(int64_t{area.AreaYB} - area.AreaY0);
  if (!xe || !ye) return {LayoutVerdict::OutOfRange, area, {}};
  result.area.AreaXE = *xe;
  result.area.AreaYE = *ye;
  const double stepX = field.FieldX - settings.ScanOverlap;
  const double stepY = field.FieldY - settings.ScanOverlap;
  // Written so that a step that is not a number is refused too.
  if (!(stepX > 0) || !(stepY > 0)) {
    result.verdict = LayoutVerdict::BadStep;
    return result;
  }
  const int32_t nx = TilesAlong(*xe, stepX);
  const int32_t ny = TilesAlong(*ye, stepY);
  result.verdict = CheckCounts(nx, ny);
  if (result.verdict == LayoutVerdict::Ok) {
    result.layout = {stepX, stepY, static_cast<int16_t>(nx), static_cast<int16_t>(ny), result.area};
  }
  return result;
}

LayoutResult GridLayout(const ScanArea& area, const ScanGrid& grid) {
  const LayoutVerdict verdict = CheckGrid(grid);
  if (verdict != LayoutVerdict::Ok) return {verdict, area, {}};
  const std::optional<int32_t> xe = Fits32(int64_t{grid.GridSitesX - 1} * grid.GridStepX);
  const std::optional<int32_t> ye = Fits32(int64_t{grid.GridSitesY - 1} * grid.GridStepY);
  if (!xe || !ye) return {LayoutVerdict::OutOfRange, area, {}};
  const std::optional<int32_t> xr = Fits32(int64_t{grid.GridTLX} + *xe);
  const std::optional<int32_t> yb = Fits32(int64_t{grid.GridTLY} + *ye);
  if (!xr || !yb) return {LayoutVerdict::OutOfRange, area, {}};
  const ScanArea follows{grid.GridTLX, grid.GridTLY, *xe, *ye, *xr, *yb};
  const FieldLayout layout{static_cast<double>(grid.GridStepX), static_cast<double>(grid.GridStepY),
                           grid.GridSitesX, grid.GridSitesY, follows};
  return {LayoutVerdict::Ok, follows, layout};
}

}  // namespace

LayoutVerdict CheckGrid(const ScanGrid& grid) {
  if (grid.GridStepX <= 0 || grid.GridStepY <= 0) return LayoutVerdict::BadStep;
  if (grid.GridSitesX < 1 || grid.GridSitesY < 1) return LayoutVerdict::NoFields;
  return CheckCounts(grid.GridSitesX, grid.GridSitesY);
}

LayoutResult ComputeLayout(const ScanSettings& settings, const ScanArea& area, const ScanGrid& grid,
                           const FieldOfView& field) {
  return settings.Tiles() ? TileLayout(settings, area, field) : GridLayout(area, grid);
}

std::string_view VerdictText(LayoutVerdict verdict) {
  switch (verdict) {
    case LayoutVerdict::Ok:
      return "";
    case LayoutVerdict::BadStep:
      return "Step Not Above 0";
    case LayoutVerdict::NoFields:
      return "No Fields";
    case LayoutVerdict::TooManyFields:
      return "Too Many Fields";
    case LayoutVerdict::OutOfRange:
      return "Out of Range";
  }
  return "";
}

}  // namespace qv
