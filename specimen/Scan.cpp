#include "specimen/Scan.h"

#include <limits>
#include <optional>
#include <variant>

#include "foundation/KeywordReader.h"
#include "foundation/NumberText.h"

namespace qv {
namespace {

std::optional<int32_t> Fits32(int64_t value) {
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(value);
}

// A stage coordinate relative to the specimen origin, rounded halves to even.
std::optional<int32_t> Relative(double stage, int32_t origin) {
  const std::optional<int32_t> rounded = RoundToInt32(stage);
  if (!rounded) return std::nullopt;
  return Fits32(int64_t{*rounded} - origin);
}

// One key of a scan file: its name and the member that holds its value. A file is read and
// written in the order of its table, each number written in its member's type.
template <class Values>
struct ScanKey {
  const char* name;
  std::variant<int32_t Values::*, int16_t Values::*, double Values::*> member;
};

const ScanKey<Specimen> kSpecimenKeys[] = {{"SPECIMENXE", &Specimen::SpecXE},
                                           {"SPECIMENYE", &Specimen::SpecYE},
                                           {"SPECIMENX0", &Specimen::SpecX0},
                                           {"SPECIMENY0", &Specimen::SpecY0}};

const ScanKey<ScanArea> kAreaKeys[] = {{"SCANAREAXE", &ScanArea::AreaXE},
                                       {"SCANAREAYE", &ScanArea::AreaYE},
                                       {"SCANAREAX0", &ScanArea::AreaX0},
                                       {"SCANAREAY0", &ScanArea::AreaY0}};

const ScanKey<ScanGrid> kGridKeys[] = {
    {"GRIDSTEPX", &ScanGrid::GridStepX},   {"GRIDSTEPY", &ScanGrid::GridStepY},
    {"GRIDSITESX", &ScanGrid::GridSitesX}, {"GRIDSITESY", &ScanGrid::GridSitesY},
    {"GRIDTLX", &ScanGrid::GridTLX},       {"GRIDTLY", &ScanGrid::GridTLY}};

const ScanKey<ScanSettings> kSettingsKeys[] = {{"SCANTILEGRID", &ScanSettings::ScanTileGrid},
                                               {"SCANAXIS", &ScanSettings::ScanAxis},
                                               {"SCANDIRECTION", &ScanSettings::ScanDirection},
                                               {"SCANOVERLAP", &ScanSettings::ScanOverlap},
                                               {"SCANSTART", &ScanSettings::ScanStart},
                                               {"SCANRESTRICTION", &ScanSettings::ScanRestriction}};

const ScanKey<FieldOfView> kFieldKeys[] = {{"FIELD10X", &FieldOfView::Field10X},
                                           {"FIELD10Y", &FieldOfView::Field10Y}};

// Every key is required, and every key is read even after one failed, so that the file's other
// values still count.
template <class Keys, class Values>
void ReadKeys(KeywordReader& reader, const Keys& keys, Values& values) {
  for (const auto& key : keys) {
    std::visit([&](auto member) { reader.Required(key.name, values.*member); }, key.member);
  }
}

// 1, or -1 when the file or a key is missing (the other keys are still read).
template <class Keys, class Values>
int16_t ReadFile(KeywordFiles& keywordFiles, const char* file, const Keys& keys, Values& values) {
  KeywordReader reader(keywordFiles);
  if (!reader.Open(file)) return -1;
  ReadKeys(reader, keys, values);
  return reader.Result();
}

// The file holds exactly the table's keys.
template <class Keys, class Values>
int16_t WriteFile(KeywordFiles& keywordFiles, const char* file, const Keys& keys,
                  const Values& values) {
  ParList list;
  for (const auto& key : keys) {
    std::visit([&](auto member) { list.push_back({key.name, values.*member}); }, key.member);
  }
  return keywordFiles.WriteParList(keywordFiles.ParPath(file), list);
}

}  // namespace

// --- Files ---

int16_t Scan::ReadSpecimen() {
  return ReadFile(keywordFiles_, kSpecimenFile, kSpecimenKeys, specimen_);
}

int16_t Scan::ReadScanArea() {
  KeywordReader reader(keywordFiles_);
  if (!reader.Open(kScanAreaFile)) return -1;
  ScanArea a = area_;
  ReadKeys(reader, kAreaKeys, a);
  // An area whose far edges leave the coordinate range is not taken at all.
  const std::optional<int32_t> xr = Fits32(int64_t{a.AreaX0} + a.AreaXE);
  const std::optional<int32_t> yb = Fits32(int64_t{a.AreaY0} + a.AreaYE);
  if (!xr || !yb) return -1;
  a.AreaXR = *xr;
  a.AreaYB = *yb;
  area_ = a;
  return reader.Result();
}

int16_t Scan::WriteScanArea() {
  return WriteFile(keywordFiles_, kScanAreaFile, kAreaKeys, area_);
}

int16_t Scan::ReadScanGrid() {
  return ReadFile(keywordFiles_, kScanGridFile, kGridKeys, grid_);
}

int16_t Scan::WriteScanGrid() {
  return WriteFile(keywordFiles_, kScanGridFile, kGridKeys, grid_);
}

int16_t Scan::ReadScanPar() {
  return ReadFile(keywordFiles_, kScanFile, kSettingsKeys, settings_);
}

int16_t Scan::WriteScanPar() {
  return WriteFile(keywordFiles_, kScanFile, kSettingsKeys, settings_);
}

int16_t Scan::ReadFieldPar() {
  return ReadFile(keywordFiles_, kFieldFile, kFieldKeys, field_);
}

int16_t Scan::SetScanMode(std::string_view mode) {
  if (mode == "Tile") settings_.ScanTileGrid = 1;
  if (mode == "Grid") settings_.ScanTileGrid = 2;
  return WriteScanPar();
}

// --- Layout ---

void Scan::FieldSizeFromMag() {
  const int16_t mag = objectives_.Mag();
  if (mag <= 0) return;
  field_.FieldX = field_.Field10X * 10 / mag;
  field_.FieldY = field_.Field10Y * 10 / mag;
}

int16_t Scan::ScanRecompute() {
  const LayoutResult result = ComputeLayout(settings_, area_, grid_, field_);
  verdict_ = result.verdict;
  if (verdict_ != LayoutVerdict::Ok) return kLayoutRefused;
  area_ = result.area;
  layout_ = result.layout;
  return 1;
}

LayoutVerdict Scan::VerdictForMag(int16_t mag) const {
  if (mag <= 0) return LayoutVerdict::Ok;  // the field of view stays as it is
  FieldOfView field = field_;
  field.FieldX = field.Field10X * 10 / mag;
  field.FieldY = field.Field10Y * 10 / mag;
  const LayoutVerdict now = ComputeLayout(settings_, area_, grid_, field_).verdict;
  const LayoutVerdict then = ComputeLayout(settings_, area_, grid_, field).verdict;
  return now == LayoutVerdict::Ok ? then : LayoutVerdict::Ok;
}

int16_t Scan::Refuse(LayoutVerdict why) {
  verdict_ = why;
  return kLayoutRefused;
}

void Scan::Outline() const {
  if (hooks_.outline) hooks_.outline();
}

int16_t Scan::Commit(const ScanArea& area, const ScanGrid& grid, int16_t (Scan::*write)(),
                     bool shapesLayout) {
  if (shapesLayout) {
    const LayoutVerdict verdict = ComputeLayout(settings_, area, grid, field_).verdict;
    if (verdict != LayoutVerdict::Ok) return Refuse(verdict);
  }
  Outline();  // XOR: erases the outline of the values that are replaced
  area_ = area;
  grid_ = grid;
  ScanRecompute();
  (this->*write)();
  Outline();
  return 1;
}

// --- Area ---

int16_t Scan::AreaSet(std::string_view corner, double x, double y) {
  const std::optional<int32_t> rx = Relative(x, specimen_.SpecX0);
  const std::optional<int32_t> ry = Relative(y, specimen_.SpecY0);
  if (!rx || !ry) return -1;
  ScanArea a = area_;
  const bool left = corner == "TL" || corner == "L";
  const bool top = corner == "TL" || corner == "T";
  const bool right = corner == "BR" || corner == "R";
  const bool bottom = corner == "BR" || corner == "B";
  if (!left && !top && !right && !bottom) return -1;
  if (left) a.AreaX0 = *rx;
  if (right) a.AreaXR = *rx;
  if (top) a.AreaY0 = *ry;
  if (bottom) a.AreaYB = *ry;
  // The width must stay a coordinate too, or the file could not hold the area.
  if (!Fits32(int64_t{a.AreaXR} - a.AreaX0) || !Fits32(int64_t{a.AreaYB} - a.AreaY0)) return -1;
  return Commit(a, grid_, &Scan::WriteScanArea, settings_.Tiles());
}

int16_t Scan::AreaAnchor(std::string_view corner, double x, double y) {
  const std::optional<int32_t> rx = Relative(x, specimen_.SpecX0);
  const std::optional<int32_t> ry = Relative(y, specimen_.SpecY0);
  if (!rx || !ry) return -1;
  ScanArea a = area_;
  std::optional<int32_t> xr, yb, x0, y0;
  if (corner == "TL") {
    x0 = rx, y0 = ry;
    xr = Fits32(int64_t{a.AreaXE} + *rx);
    yb = Fits32(int64_t{a.AreaYE} + *ry);
  } else if (corner == "BR") {
    xr = rx, yb = ry;
    x0 = Fits32(int64_t{*rx} - a.AreaXE);
    y0 = Fits32(int64_t{*ry} - a.AreaYE);
  } else {
    return -1;
  }
  if (!xr || !yb || !x0 || !y0) return -1;
  a.AreaX0 = *x0, a.AreaY0 = *y0, a.AreaXR = *xr, a.AreaYB = *yb;
  return Commit(a, grid_, &Scan::WriteScanArea, settings_.Tiles());
}

int16_t Scan::AreaMove(std::string_view corner, double x, double y) {
  const double left = static_cast<double>(specimen_.SpecX0) + area_.AreaX0;
  const double right = static_cast<double>(specimen_.SpecX0) + area_.AreaXR;
  const double top = static_cast<double>(specimen_.SpecY0) + area_.AreaY0;
  const double bottom = static_cast<double>(specimen_.SpecY0) + area_.AreaYB;
  if (corner == "TL")
    x = left, y = top;
  else if (corner == "BR")
    x = right, y = bottom;
  else if (corner == "T")
    y = top;
  else if (corner == "B")
    y = bottom;
  else if (corner == "L")
    x = left;
  else if (corner == "R")
    x = right;
  else
    return -1;
  return stage_.XYMoveAbsBacklash(x, y).ok() ? 1 : -1;
}

// --- Grid ---

int16_t Scan::GridSet(std::string_view what, int32_t a, int32_t b) {
  if (what != "TL" && what != "BR" && what != "Step" && what != "Sites") return -1;
  if (a == -1 && b == -1) {
    double x = 0, y = 0;  // microns
    if (xyReady_ != 1 || !stage_.XYReadPos(x, y).ok()) return -1;
    const std::optional<int32_t> ax = RoundToInt32(x);
    const std::optional<int32_t> by = RoundToInt32(y);
    if (!ax || !by) return -1;
    a = *ax, b = *by;
  }
  ScanGrid g = grid_;
  if (what == "TL" || what == "BR") {
    // "BR" shifts the grid so that its last site lies at (a, b).
    const int64_t spanX = what == "BR" ? int64_t{g.GridSitesX - 1} * g.GridStepX : 0;
    const int64_t spanY = what == "BR" ? int64_t{g.GridSitesY - 1} * g.GridStepY : 0;
    const std::optional<int32_t> tlx = Fits32(int64_t{a} - specimen_.SpecX0 - spanX);
    const std::optional<int32_t> tly = Fits32(int64_t{b} - specimen_.SpecY0 - spanY);
    if (!tlx || !tly) return -1;
    g.GridTLX = *tlx, g.GridTLY = *tly;
  } else if (what == "Step") {
    if (a <= 0 || b <= 0) return Refuse(LayoutVerdict::BadStep);
    g.GridStepX = a, g.GridStepY = b;
  } else {
    if (a < 1 || b < 1) return Refuse(LayoutVerdict::NoFields);
    if (int64_t{a} * b > kMaxFields) return Refuse(LayoutVerdict::TooManyFields);
    g.GridSitesX = static_cast<int16_t>(a), g.GridSitesY = static_cast<int16_t>(b);
  }
  return Commit(area_, g, &Scan::WriteScanGrid, !settings_.Tiles());
}

int16_t Scan::GridGet(std::string_view what, int32_t& a, int32_t& b) {
  const ScanGrid& g = grid_;
  const int64_t tlx = int64_t{specimen_.SpecX0} + g.GridTLX;  // microns, stage coordinates
  const int64_t tly = int64_t{specimen_.SpecY0} + g.GridTLY;
  std::optional<int32_t> ra, rb;
  if (what == "TL") {
    ra = Fits32(tlx), rb = Fits32(tly);
  } else if (what == "BR") {
    ra = Fits32(tlx + int64_t{g.GridSitesX - 1} * g.GridStepX);
    rb = Fits32(tly + int64_t{g.GridSitesY - 1} * g.GridStepY);
  } else if (what == "Step") {
    ra = g.GridStepX, rb = g.GridStepY;
  } else if (what == "Sites") {
    ra = g.GridSitesX, rb = g.GridSitesY;
  } else if (what == "Pos") {
    double x = 0, y = 0;  // microns
    if (xyReady_ != 1 || g.GridStepX == 0 || g.GridStepY == 0) return -1;
    if (!stage_.XYReadPos(x, y).ok()) return -1;
    ra = RoundToInt32((x - static_cast<double>(tlx)) / g.GridStepX + 1);
    rb = RoundToInt32((y - static_cast<double>(tly)) / g.GridStepY + 1);
  }
  if (!ra || !rb) return -1;
  a = *ra, b = *rb;
  return 1;
}

Result Scan::GridMove(int32_t i, int32_t j) {
  const double x = static_cast<double>(specimen_.SpecX0) + grid_.GridTLX +
                   (static_cast<double>(i) - 1) * grid_.GridStepX;
  const double y = static_cast<double>(specimen_.SpecY0) + grid_.GridTLY +
                   (static_cast<double>(j) - 1) * grid_.GridStepY;
  return stage_.XYMoveAbsBacklash(x, y);
}

// --- Fields ---

FieldOrder Scan::Order() const {
  return {layout_.NX, layout_.NY, settings_.ScanAxis, settings_.ScanStart,
          settings_.ScanRestriction};
}

int16_t Scan::FieldPosition(int32_t n, double& x, double& y) const {
  const FieldOrder order = Order();
  if (n < 1 || n > order.Count()) return -1;
  const FieldCell cell = FieldIndex(n, order);
  const ScanArea& area = layout_.Area;
  double fx = 0, fy = 0;  // microns from the specimen origin
  if (settings_.ScanDirection == 0) {
    fx = area.AreaX0 + cell.i * layout_.StepX;
    fy = area.AreaY0 + cell.j * layout_.StepY;
  } else {
    fx = (static_cast<double>(area.AreaX0) + area.AreaXE) - cell.i * layout_.StepX;
    fy = (static_cast<double>(area.AreaY0) + area.AreaYE) - cell.j * layout_.StepY;
  }
  x = specimen_.SpecX0 + fx;
  y = specimen_.SpecY0 + fy;
  return 1;
}

Result Scan::GoToField(int32_t n) {
  double x = 0, y = 0;  // microns
  if (FieldPosition(n, x, y) < 0) return Cause::kOutOfRange;
  const Result moved = stage_.XYMoveAbs(x, y);
  if (hooks_.fieldVisited) hooks_.fieldVisited(x, y, field_.FieldX, field_.FieldY);
  return moved;
}

int32_t Scan::Reached(Result moveResult) const {
  if (!moveResult.ok()) return -1;
  const FieldOrder order = Order();
  return RasterNumber(FieldIndex(curField_, order), order);
}

Result Scan::Visit(int32_t from) {
  const Result moved = GoToField(curField_);
  double x = 0, y = 0;
  if (!moved.ok() && FieldPosition(curField_, x, y) > 0) curField_ = from;
  return moved;
}

int32_t Scan::FirstField() {
  const int32_t from = curField_;
  curField_ = 1;
  return Visit(from).ok() ? 1 : -1;
}

int32_t Scan::LastField() {
  const int32_t from = curField_;
  curField_ = NumFields();
  return Reached(Visit(from));
}

int32_t Scan::NextField() {
  const FieldOrder order = Order();
  if (curField_ >= order.Count()) return -1;
  const int32_t from = curField_;
  do {
    ++curField_;
    if (curField_ > order.Count()) return -1;  // stays past the end
  } while (FieldRestricted(curField_, order));
  return Reached(Visit(from));
}

int32_t Scan::PreviousField() {
  const FieldOrder order = Order();
  if (curField_ <= 1) return -1;
  const int32_t from = curField_;
  do {
    --curField_;
    if (curField_ < 1) return -1;
  } while (FieldRestricted(curField_, order));
  return Reached(Visit(from));
}

int32_t Scan::SetField(int32_t n) {
  const int32_t from = curField_;
  curField_ = n;
  return Reached(Visit(from));
}

}  // namespace qv
