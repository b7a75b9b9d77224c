#pragma once
// The devices of the microscope, one row each: how the command language, the configuration, the
// start-up, the menus and the window name a device and find its flags. A new device is a new row
// here and its initialisation where the device objects live (app/System.cpp).
#include <array>
#include <cstddef>
#include <cstdint>

#include "foundation/SharedState.h"

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
  int16_t& (*installed)(Configuration&);
  int16_t& (*ready)(ReadyFlags&);
};

// clang-format off
inline constexpr std::array<DeviceRow, 8> kDeviceTable = {{
    {DeviceId::Z,      "Z",     "Focus",          "Z_INSTALLED",    "QV_PARZ.TXT",    1,
     [](Configuration& c) -> int16_t& { return c.ZInstalled; },
     [](ReadyFlags& r) -> int16_t& { return r.ZReady; }},
    {DeviceId::XY,     "XY",    "Stage",          "XY_INSTALLED",   "QV_PARXY.TXT",   0,
     [](Configuration& c) -> int16_t& { return c.XYInstalled; },
     [](ReadyFlags& r) -> int16_t& { return r.XYReady; }},
    {DeviceId::W1,     "F",     "Filter wheel F", "W1_INSTALLED",   "QV_PARW1.TXT",   2,
     [](Configuration& c) -> int16_t& { return c.WInstalled[1]; },
     [](ReadyFlags& r) -> int16_t& { return r.WReady[1]; }},
    {DeviceId::W2,     "B",     "Filter wheel B", "W2_INSTALLED",   "QV_PARW2.TXT",   3,
     [](Configuration& c) -> int16_t& { return c.WInstalled[2]; },
     [](ReadyFlags& r) -> int16_t& { return r.WReady[2]; }},
    {DeviceId::Slide,  "Slide", "Slide",          "S_INSTALLED",    "QV_PARS.TXT",    5,
     [](Configuration& c) -> int16_t& { return c.SInstalled; },
     [](ReadyFlags& r) -> int16_t& { return r.SReady; }},
    {DeviceId::Turret, "Turn",  "Turret",         "T_INSTALLED",    "QV_PART.TXT",    6,
     [](Configuration& c) -> int16_t& { return c.TInstalled; },
     [](ReadyFlags& r) -> int16_t& { return r.TReady; }},
    {DeviceId::Cube,   "Cube",  "Cube changer",   "CUBE_INSTALLED", "QV_PARCUBE.TXT", 4,
     [](Configuration& c) -> int16_t& { return c.CubeInstalled; },
     [](ReadyFlags& r) -> int16_t& { return r.CubeReady; }},
    {DeviceId::Leds,   "LED",   "LEDs",           "LEDS_INSTALLED", "QV_LEDS.TXT",    -1,
     [](Configuration& c) -> int16_t& { return c.LEDsInstalled; },
     [](ReadyFlags& r) -> int16_t& { return r.LEDsReady; }},
}};
// clang-format on

inline constexpr std::size_t kDeviceCount = kDeviceTable.size();

constexpr std::size_t DeviceIndex(DeviceId id) {
  return static_cast<std::size_t>(id);
}

constexpr const DeviceRow& Device(DeviceId id) {
  return kDeviceTable[DeviceIndex(id)];
}

// The flags read through a const state; the rows' accessors only name the fields.
inline int16_t InstalledFlag(const Configuration& config, DeviceId id) {
  return Device(id).installed(const_cast<Configuration&>(config));
}
inline int16_t ReadyFlag(const ReadyFlags& ready, DeviceId id) {
  return Device(id).ready(const_cast<ReadyFlags&>(ready));
}

static_assert(
    [] {
      for (std::size_t i = 0; i < kDeviceCount; ++i) {
        if (DeviceIndex(kDeviceTable[i].id) != i) return false;
      }
      return true;
    }(),
    "the rows stand in the order of DeviceId");

}  // namespace qv
