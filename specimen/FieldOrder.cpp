#include "specimen/FieldOrder.h"

namespace qv {
namespace {

// Passes started in the middle go from the middle pass to the last, then from the pass before
// the middle back to the first. With an odd number of passes the first leg takes the extra
// pass, so every pass is visited once (4 passes: 2 3 1 0; 5 passes: 2 3 4 1 0).
int32_t MiddleStartPass(int32_t p, int32_t passes) {
  const int32_t h = passes / 2;
  return p < passes - h ? p + h : passes - 1 - p;
}

}  // namespace

FieldCell FieldIndex(int32_t n, const FieldOrder& order) {
  const bool rows = order.ScanAxis == 0;
  const int32_t along = rows ? order.NX : order.NY;   // fields in one pass
  const int32_t passes = rows ? order.NY : order.NX;  // number of passes
  if (along <= 0) return {-1, -1};
  const int32_t k = n - 1;
  const int32_t p = k / along;
  const int32_t r = k - p * along;
  // Serpentine: odd passes run backwards; the parity is the visiting order's, not the place's.
  const int32_t within = (p % 2 == 0) ? r : along - r - 1;
  const int32_t pass =
      (order.ScanStart == 1 && k >= 0 && p < passes) ? MiddleStartPass(p, passes) : p;
  return rows ? FieldCell{within, pass} : FieldCell{pass, within};
}

int32_t RasterNumber(FieldCell cell, const FieldOrder& order) {
  return order.NX * cell.j + cell.i + 1;
}

bool FieldRestricted(int32_t n, const FieldOrder& order) {
  if (order.ScanRestriction != 1) return false;
  if (n < 1 || n > order.Count()) return false;
  const FieldCell cell = FieldIndex(n, order);
  const double a = order.NX / 2.0;  // half-axes of the ellipse, in fields
  const double b = order.NY / 2.0;
  const double dx = cell.i - a;
  const double dy = cell.j - b;
  return dx * dx / (a * a) + dy * dy / (b * b) >= 1.0;
}

}  // namespace qv
