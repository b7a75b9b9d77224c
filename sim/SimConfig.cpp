#include "sim/SimConfig.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include "foundation/KeywordFiles.h"

namespace sim {
namespace {

struct RoleEntry {
  Role role;
  const char* name;
  const char* file;
  const char* prefix;  // of the keys in the device file
  char ezAddress;
  char imsName;
  AxisKind kind;
  double travelMm;  // linear travel in the file's length unit (mm)
};

constexpr RoleEntry kRoles[] = {
    {Role::X, "X", "QV_PARXY.TXT", "X", '1', 'X', AxisKind::Linear, 100},
    {Role::Y, "Y", "QV_PARXY.TXT", "Y", '2', 'Y', AxisKind::Linear, 75},
    {Role::Z, "Z", "QV_PARZ.TXT", "Z", '3', 'Z', AxisKind::Linear, 10},
    {Role::W1, "W1", "QV_PARW1.TXT", "W1", '4', 'F', AxisKind::Rotary, 0},
    {Role::W2, "W2", "QV_PARW2.TXT", "W2", '5', 'B', AxisKind::Rotary, 0},
    {Role::S, "S", "QV_PARS.TXT", "S", '6', 'S', AxisKind::Linear, 50},
    {Role::T, "T", "QV_PART.TXT", "T", '7', 'T', AxisKind::Rotary, 0},
    {Role::Cube, "CUBE", "QV_PARCUBE.TXT", "CUBE", '8', 'C', AxisKind::Rotary, 0},
    {Role::Leds, "LEDS", "QV_LEDS.TXT", "LEDS", '9', 'L', AxisKind::Linear, 50},
};

class Folder {
 public:
  explicit Folder(std::string directory) : directory_(std::move(directory)) {}

  // The keyword list of a file, empty when it is missing.
  qv::ParList& List(const std::string& file) {
    auto found = lists_.find(file);
    if (found != lists_.end()) return found->second;
    qv::ParList& list = lists_[file];
    const std::string path = (std::filesystem::path(directory_) / file).string();
    if (std::filesystem::exists(path)) keywordFiles_.ReadParList(path, list);
    return list;
  }

  double Number(const std::string& file, const std::string& key, double fallback,
                std::vector<std::string>& warnings) {
    double value = 0;
    const int16_t result = qv::GetPar(List(file), key, value);
    if (result == 1 && std::isfinite(value)) return value;
    if (result != -1) warnings.push_back(key + " in " + file + " is not a number");
    return fallback;
  }

  std::string Text(const std::string& file, const std::string& key) {
    std::string value;
    if (qv::GetPar(List(file), key, value) != 1) return {};
    const size_t first = value.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return value.substr(first, value.find_last_not_of(' ') - first + 1);
  }

 private:
  std::string directory_;
  qv::SilentNotifier notifier_;
  qv::KeywordFiles keywordFiles_{notifier_};
  std::map<std::string, qv::ParList> lists_;
};

// Microsteps per length unit of the file: lead (or stroke) per turn, full steps, 2^divide.
double StepsPerUnit(Folder& folder, const RoleEntry& r, std::vector<std::string>& warnings) {
  const std::string p = r.prefix;
  const std::string leadKey =
      r.role == Role::X || r.role == Role::Y ? p + "SCREWLEAD" : p + "STROKEPERROT";
  const double lead = folder.Number(r.file, leadKey, 1.0, warnings);
  const double steps = folder.Number(r.file, p + "MOTORSTEPS", 200, warnings);
  const double divide = std::clamp(folder.Number(r.file, p + "STEPDIVIDE", 3, warnings), 0.0, 8.0);
  const double perUnit = steps * std::pow(2.0, std::round(divide)) / lead;
  return std::isfinite(perUnit) && perUnit > 0 && perUnit < 1e7 ? perUnit : 1600.0;
}

Indexing IndexingOf(Folder& folder, const RoleEntry& r, std::vector<std::string>& warnings) {
  Indexing indexing;
  const std::string p = r.prefix;
  if (r.role == Role::W1 || r.role == Role::W2) {
    indexing.positions =
        static_cast<int>(std::lround(folder.Number(r.file, p + "FILTPOSITIONS", 6, warnings)));
    indexing.pitch = folder.Number(r.file, p + "MSTEPSPERFILT", 1600, warnings);
    indexing.first = folder.Number(r.file, p + "OFFSETHOME", 0, warnings);
  } else if (r.role == Role::Cube) {
    const double perUnit = StepsPerUnit(folder, r, warnings);
    indexing.positions =
        static_cast<int>(std::lround(folder.Number(r.file, p + "POSITIONS", 0, warnings)));
    indexing.pitch = folder.Number(r.file, p + "SHIFTDIST", 0, warnings) * perUnit;
    indexing.first = folder.Number(r.file, p + "1OFFSET", 0, warnings) * perUnit;
  }
  if (indexing.positions < 1 || indexing.positions > 1000 || !(indexing.pitch > 0)) return {};
  return indexing;
}

AxisConfig Mechanics(Folder& folder, const RoleEntry& r, const Indexing& indexing,
                     std::vector<std::string>& warnings) {
  AxisConfig axis;
  axis.kind = r.kind;
  const std::string p = r.prefix;
  if (r.kind == AxisKind::Linear) {
    const double perMm = StepsPerUnit(folder, r, warnings);
    axis.travel = std::llround(r.travelMm * perMm);
    axis.sensorWidth = std::max<int64_t>(4, std::llround(perMm / 10));               // 0.1 mm
    axis.homeOffset = std::max<int64_t>(3 * axis.sensorWidth, std::llround(perMm));  // 1 mm
    axis.startPosition = axis.travel / 2;
    if (r.role == Role::X || r.role == Role::Y) {
      const double backlashUm = folder.Number(r.file, p + "BACKLASH", 0, warnings);
      axis.backlash = std::clamp<int64_t>(std::llround(backlashUm / 1000 * perMm), 0, 100000);
    }
    return axis;
  }
  double revolution;
  if (r.role == Role::W1 || r.role == Role::W2) {
    revolution = folder.Number(r.file, p + "MSTEPSPERFILT", 1600, warnings) *
                 folder.Number(r.file, p + "FILTPOSITIONS", 6, warnings);
  } else if (r.role == Role::Cube && indexing.positions > 0) {
    revolution = indexing.positions * indexing.pitch;
  } else {
    const double divide =
        std::clamp(folder.Number(r.file, p + "STEPDIVIDE", 3, warnings), 0.0, 8.0);
    revolution =
        folder.Number(r.file, p + "MOTORSTEPS", 200, warnings) * std::pow(2.0, std::round(divide));
  }
  if (!(revolution >= 100 && revolution < 1e9)) revolution = 9600;
  axis.revolution = std::llround(revolution);
  axis.sensorWidth = std::max<int64_t>(4, axis.revolution / 72);  // 5 degrees
  axis.startPosition = axis.revolution / 3;
  return axis;
}

}  // namespace

std::string_view RoleName(Role role) {
  for (const RoleEntry& r : kRoles) {
    if (r.role == role) return r.name;
  }
  return "?";
}

LinePlan ReadLinePlan(const std::string& directory) {
  Folder folder(directory);
  LinePlan plan;
  // In any letter case, as the program takes it.
  std::string type = folder.Text("QV_CONFIG.TXT", "CONTRTYPE");
  for (char& c : type) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (type == "EZHR17") {
    plan.type = ControllerType::EZHR17;
  } else if (!type.empty() && type != "IM483I") {
    plan.warnings.push_back("CONTRTYPE \"" + type + "\" is unknown; simulating IM483I");
  }
  for (const RoleEntry& r : kRoles) {
    const std::string address = folder.Text(r.file, std::string(r.prefix) + "CONTR");
    UnitPlan unit;
    unit.role = r.role;
    unit.address = !address.empty()                      ? address[0]
                   : plan.type == ControllerType::EZHR17 ? r.ezAddress
                                                         : r.imsName;
    const bool taken = std::any_of(plan.units.begin(), plan.units.end(),
                                   [&](const UnitPlan& u) { return u.address == unit.address; });
    if (taken) continue;
    unit.indexing = IndexingOf(folder, r, plan.warnings);
    unit.axis = Mechanics(folder, r, unit.indexing, plan.warnings);
    plan.units.push_back(unit);
  }
  return plan;
}

int PositionAt(const UnitPlan& unit, int64_t load, int64_t tolerance) {
  const Indexing& x = unit.indexing;
  const double revolution = static_cast<double>(unit.axis.revolution);
  if (x.positions < 1 || unit.axis.kind != AxisKind::Rotary) return 0;
  for (int k = 1; k <= x.positions; ++k) {
    const double at = x.first + (k - 1) * x.pitch;
    double off = std::fmod(static_cast<double>(load) - at, revolution);
    if (off < 0) off += revolution;
    if (std::min(off, revolution - off) <= static_cast<double>(tolerance)) return k;
  }
  return 0;
}

void AddUnits(Line& line, const LinePlan& plan, double timeScale) {
  for (const UnitPlan& unit : plan.units) {
    AxisConfig axis = unit.axis;
    axis.timeScale = timeScale;
    line.AddUnit(unit.address, axis);
  }
}

}  // namespace sim
