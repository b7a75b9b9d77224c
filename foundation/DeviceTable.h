#pragma once
// The devices of the microscope, one row each: how the command language, the configuration, the
// start-up, the menus and the window name a device. Its installed and ready flags are the row's
// place in a DeviceFlags. A new device is a new row here and its descriptor where the device
// objects live (app/DeviceDescriptors.cpp).
#include <array>
#include <cstddef>
#include <cstdint>

namespace qv {

// The rows stand in the start-up order, which the devices have always been initialised in.
enum class DeviceId : uint8_t { Z, XY, W1, W2, Slide, Turret, Cube, Leds };

struct DeviceRow {
  DeviceId id;
  const char* word;          // command word: "XY Home"
  const char* name;          // as the operator knows it, in the window's tool tips
  const char* installedKey;  // in QV_CONFIG.TXT; only the value 1 installs
  const char* file;          // parameter file in the program folder
  int8_t stopRank;           // place in the operator's Stop; -1: does not move
};

// clang-format off
inline constexpr std::array<DeviceRow, 8> kDeviceTable = {{
    {DeviceId::Z,      "Z",     "Focus",          "Z_INSTALLED",    "QV_PARZ.TXT",    1},
    {DeviceId::XY,     "XY",    "Stage",          "XY_INSTALLED",   "QV_PARXY.TXT",   0},
    {DeviceId::W1,     "F",     "Filter wheel F", "W1_INSTALLED",   "QV_PARW1.TXT",   2},
    {DeviceId::W2,     "B",     "Filter wheel B", "W2_INSTALLED",   "QV_PARW2.TXT",   3},
    {DeviceId::Slide,  "Slide", "Slide",          "S_INSTALLED",    "QV_PARS.TXT",    5},
    {DeviceId::Turret, "Turn",  "Turret",         "T_INSTALLED",    "QV_PART.TXT",    6},
    {DeviceId::Cube,   "Cube",  "Cube changer",   "CUBE_INSTALLED", "QV_PARCUBE.TXT", 4},
    {DeviceId::Leds,   "LED",   "LEDs",           "LEDS_INSTALLED", "QV_LEDS.TXT",    -1},
}};
// clang-format on

inline constexpr std::size_t kDeviceCount = kDeviceTable.size();

constexpr std::size_t DeviceIndex(DeviceId id) {
  return static_cast<std::size_t>(id);
}

constexpr const DeviceRow& Device(DeviceId id) {
  return kDeviceTable[DeviceIndex(id)];
}

static_assert(
    [] {
      for (std::size_t i = 0; i < kDeviceCount; ++i) {
        if (DeviceIndex(kDeviceTable[i].id) != i) return false;
      }
      return true;
    }(),
    "the rows stand in the order of DeviceId");

// The device of wheel 1 (word "F") or 2 (word "B").
constexpr DeviceId WheelDevice(int wheel) {
  return wheel == 2 ? DeviceId::W2 : DeviceId::W1;
}

// One flag per device, in the table's order.
class DeviceFlags {
 public:
  int16_t& operator[](DeviceId id) { return flags_[DeviceIndex(id)]; }
  int16_t operator[](DeviceId id) const { return flags_[DeviceIndex(id)]; }

 private:
  std::array<int16_t, kDeviceCount> flags_{};
};

}  // namespace qv
