#pragma once
// The values that describe a scan and the layout of fields they give. All lengths are microns
// in the stage's coordinates; area and grid are relative to the specimen origin.
#include <cstdint>
#include <string_view>

namespace qv {

// The most fields a layout may have: field numbers travel as 16-bit integers.
inline constexpr int32_t kMaxFields = 32767;

struct Specimen {
  int32_t SpecX0 = 0;  // microns, stage position of the specimen origin
  int32_t SpecY0 = 0;
  int32_t SpecXE = 0;  // microns, width of the specimen (map drawing and zoom)
  int32_t SpecYE = 0;  // microns, height
};

struct ScanArea {
  int32_t AreaX0 = 0;  // microns, left edge
  int32_t AreaY0 = 0;  // microns, top edge
  int32_t AreaXE = 0;  // microns, width
  int32_t AreaYE = 0;  // microns, height
  int32_t AreaXR = 0;  // microns, right edge: AreaX0 + AreaXE after a recompute
  int32_t AreaYB = 0;  // microns, bottom edge: AreaY0 + AreaYE after a recompute
};

struct ScanGrid {
  int32_t GridStepX = 0;   // microns between neighbouring sites
  int32_t GridStepY = 0;   // microns
  int16_t GridSitesX = 0;  // sites per row
  int16_t GridSitesY = 0;  // sites per column
  int32_t GridTLX = 0;     // microns, top-left site
  int32_t GridTLY = 0;     // microns
};

struct ScanSettings {
  double ScanTileGrid = 1;      // 1: tiles over the scan area; anything else: the grid
  int16_t ScanAxis = 0;         // 0: along X first; otherwise along Y first
  int16_t ScanDirection = 0;    // 0: from the top-left corner; otherwise from the bottom-right
  double ScanOverlap = 0;       // microns shared by neighbouring tiles
  int16_t ScanStart = 0;        // 1: passes start in the middle
  int16_t ScanRestriction = 0;  // 1: skip the fields outside the inscribed ellipse
  bool Tiles() const { return ScanTileGrid == 1; }
};

struct FieldOfView {
  double Field10X = 0;  // microns, width of the field of view at magnification 10
  double Field10Y = 0;  // microns, height
  double FieldX = 0;    // microns, width at the current magnification
  double FieldY = 0;    // microns, height
};

struct FieldLayout {
  double StepX = 0;  // microns between neighbouring fields
  double StepY = 0;
  int16_t NX = 0;  // fields per row
  int16_t NY = 0;  // fields per column
  // The area the fields cover, as it stood when the layout was made: the fields stay where
  // they are until another layout is accepted, whatever the area's values do meanwhile.
  ScanArea Area;
};

enum class LayoutVerdict {
  Ok,
  BadStep,        // a step of 0 or less: the field of view is not larger than the overlap
  NoFields,       // fewer than one field in X or Y
  TooManyFields,  // more than kMaxFields
  OutOfRange,     // an edge that no longer fits the 32-bit coordinates
};

struct LayoutResult {
  LayoutVerdict verdict = LayoutVerdict::Ok;
  // The area as a recompute leaves it: in tile layout its width and height follow its edges
  // even when the layout is refused; in grid layout it follows an accepted grid.
  ScanArea area;
  FieldLayout layout;  // meaningful only when the verdict is Ok
};

// The layout of the settings' kind (tiles or grid). Nothing is applied here, so a caller can
// try a change and keep the previous layout when it is refused.
LayoutResult ComputeLayout(const ScanSettings& settings, const ScanArea& area, const ScanGrid& grid,
                           const FieldOfView& field);

// A grid that a grid layout could use (steps above 0, at least one site, not too many).
LayoutVerdict CheckGrid(const ScanGrid& grid);

std::string_view VerdictText(LayoutVerdict verdict);

}  // namespace qv
