#pragma once
// The order in which the fields of a layout are visited: field numbers (from 1) to columns and
// rows (from 0), serpentine passes along X or Y, passes started in the middle, and the ellipse
// that a restricted scan keeps to. Pure functions, so every order can be checked in a table.
#include <cstdint>

namespace qv {

struct FieldCell {
  int32_t i = 0;  // column, from 0 at the left
  int32_t j = 0;  // row, from 0 at the top
  bool operator==(const FieldCell&) const = default;
};

struct FieldOrder {
  int16_t NX = 0;               // fields per row
  int16_t NY = 0;               // fields per column
  int16_t ScanAxis = 0;         // 0: passes are rows; otherwise columns
  int16_t ScanStart = 0;        // 1: passes start in the middle of the area
  int16_t ScanRestriction = 0;  // 1: fields outside the inscribed ellipse are skipped
  int32_t Count() const { return int32_t{NX} * NY; }
};

// Column and row of field n. A number outside 1..Count() gives a cell outside the array.
FieldCell FieldIndex(int32_t n, const FieldOrder& order);

// The field's number when the array is read row by row: NX * j + i + 1.
int32_t RasterNumber(FieldCell cell, const FieldOrder& order);

// True when the restriction is on and field n lies on or outside the ellipse inscribed in the
// array. A field number outside the array is never restricted: there is nothing to skip, and
// the move to it is refused anyway.
bool FieldRestricted(int32_t n, const FieldOrder& order);

}  // namespace qv
