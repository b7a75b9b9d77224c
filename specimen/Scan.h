#pragma once
// The scan: the specimen's place on the stage, the scan area, the grid, the field of view and
// the numbered fields they lay out, with stepping from field to field. Every change of area,
// grid or mode is saved at once to its file.
#include <cstdint>
#include <functional>
#include <string_view>

#include "devices/Objectives.h"
#include "devices/Stage.h"
#include "foundation/KeywordFiles.h"
#include "specimen/FieldOrder.h"
#include "specimen/ScanLayout.h"

namespace qv {

inline constexpr const char* kSpecimenFile = "QV_SPECIMEN.TXT";
inline constexpr const char* kScanAreaFile = "QV_SCANAREA.TXT";
inline constexpr const char* kScanGridFile = "QV_SCANGRID.TXT";
inline constexpr const char* kScanFile = "QV_SCAN.TXT";
inline constexpr const char* kFieldFile = "QV_FIELD.TXT";

// Status of an area, grid or objective change whose layout was refused; nothing was changed.
inline constexpr int16_t kLayoutRefused = -2;

// What the map is told. Both may be empty (no map).
struct ScanHooks {
  // Draws the outline of area and grid in XOR: called once before and once after a change, so
  // the second call draws the new outline where the first erased the old one.
  std::function<void()> outline;
  // A field was chosen: microns, its stage position and the field of view's size.
  std::function<void(double x, double y, double width, double height)> fieldVisited;
};

class Scan {
 public:
  // `xyReady` is the stage's ready flag, read whenever the stage position is needed.
  Scan(KeywordFiles& keywordFiles, Stage& stage, const Objectives& objectives,
       const int16_t& xyReady)
      : keywordFiles_(keywordFiles), stage_(stage), objectives_(objectives), xyReady_(xyReady) {}

  void SetHooks(ScanHooks hooks) { hooks_ = std::move(hooks); }

  // --- Files: 1, or -1 when the file or a key is missing (the other keys are still read) ---
  int16_t ReadSpecimen();
  int16_t ReadScanArea();
  int16_t WriteScanArea();
  int16_t ReadScanGrid();
  int16_t WriteScanGrid();
  int16_t ReadScanPar();
  int16_t WriteScanPar();
  int16_t ReadFieldPar();

  // "Tile" or "Grid" switches the kind and saves; any other word only saves. The layout in
  // force changes at the next recompute. The result of the write.
  int16_t SetScanMode(std::string_view mode);

  // The field of view at the current magnification; nothing when that is not above 0.
  void FieldSizeFromMag();
  // 1, or kLayoutRefused with the previous layout and area left in force (see LastVerdict).
  int16_t ScanRecompute();
  // Why the last kLayoutRefused was given.
  LayoutVerdict LastVerdict() const { return verdict_; }
  // Whether choosing an objective of magnification `mag` may go ahead: not when it is what
  // would make the layout impossible.
  LayoutVerdict VerdictForMag(int16_t mag) const;

  // --- Area and grid. (x, y): microns, the stage position last read. ---
  // 1; -1 for an unknown corner word or a coordinate out of range; kLayoutRefused for an area
  // that leaves no tile layout. Nothing changes unless the result is 1.
  int16_t AreaSet(std::string_view corner, double x, double y);
  int16_t AreaAnchor(std::string_view corner, double x, double y);
  // 1, or -1 for an unknown corner word or a failed move.
  int16_t AreaMove(std::string_view corner, double x, double y);
  // a, b: microns or counts; both -1 stand for the current stage position. -1 for an unknown
  // item or no position; kLayoutRefused for a step of 0 or less, fewer than one site, more than
  // kMaxFields sites or a grid layout that does not fit. Nothing changes unless the result is 1.
  int16_t GridSet(std::string_view what, int32_t a, int32_t b);
  // 1 and the item's two values; -1 for an unknown item, or for "Pos" without a position.
  int16_t GridGet(std::string_view what, int32_t& a, int32_t& b);
  Result GridMove(int32_t i, int32_t j);  // the result of the move

  // --- Fields ---
  int16_t FieldPosition(int32_t n, double& x, double& y) const;  // 1, or -1 out of range
  Result GoToField(int32_t n);  // the move's result, or out of range for no such field
  // Raster number of the field reached, or -1 when nothing was reached.
  int32_t FirstField();
  int32_t LastField();
  int32_t NextField();
  int32_t PreviousField();
  int32_t SetField(int32_t n);
  int32_t NumFields() const { return Order().Count(); }
  int32_t CurrentField() const { return curField_; }

  FieldOrder Order() const;
  const Specimen& SpecimenBounds() const { return specimen_; }
  const ScanArea& Area() const { return area_; }
  const ScanGrid& Grid() const { return grid_; }
  const ScanSettings& Settings() const { return settings_; }
  const FieldOfView& Field() const { return field_; }
  const FieldLayout& Layout() const { return layout_; }
  // For the parameter editors and tests: the values as they are, applied by ScanRecompute.
  ScanArea& MutableArea() { return area_; }
  ScanGrid& MutableGrid() { return grid_; }
  ScanSettings& MutableSettings() { return settings_; }
  FieldOfView& MutableField() { return field_; }
  Specimen& MutableSpecimenBounds() { return specimen_; }

 private:
  // Puts a changed area or grid in force: the layout is made again, the file saved and the
  // map outline redrawn; 1. A change that shapes the layout of the kind in force (the area
  // under tiles, the grid under the grid) and leaves no usable layout is refused with
  // kLayoutRefused: nothing changes and nothing is written. A file that cannot be written does
  // not undo the change; the file writer has told the operator.
  int16_t Commit(const ScanArea& area, const ScanGrid& grid, int16_t (Scan::*write)(),
                 bool shapesLayout);
  int16_t Refuse(LayoutVerdict why);
  int32_t Reached(Result moveResult) const;
  // Goes to the current field; when the stage was not sent to that field, the current field is
  // `from` again, so that it always names where the stage went. The move's result.
  Result Visit(int32_t from);
  void Outline() const;

  KeywordFiles& keywordFiles_;
  Stage& stage_;
  const Objectives& objectives_;
  const int16_t& xyReady_;
  ScanHooks hooks_;

  Specimen specimen_;
  ScanArea area_;
  ScanGrid grid_;
  ScanSettings settings_;
  FieldOfView field_;
  FieldLayout layout_;    // derived by ScanRecompute
  int32_t curField_ = 0;  // 0 before any field was visited
  LayoutVerdict verdict_ = LayoutVerdict::Ok;
};

}  // namespace qv
