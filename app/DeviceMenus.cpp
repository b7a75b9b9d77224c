#include "app/DeviceMenus.h"

#include "foundation/AtomicFile.h"

namespace qv {

std::string ReinitialiseDevice(System& system, DeviceEntry device) {
  ReadyFlags& r = system.state.Ready;
  struct Entry {
    const char* word;
    int16_t* ready;
    std::function<int16_t()> init;
  };
  const Entry entries[] = {
      {"XY", &r.XYReady, [&] { return system.stage.XYInit(); }},
      {"Z", &r.ZReady, [&] { return system.focus.ZInit(); }},
      {"F", &r.WReady[1], [&] { return system.wheels.Init(1); }},
      {"B", &r.WReady[2], [&] { return system.wheels.Init(2); }},
      {"Cube", &r.CubeReady, [&] { return system.cube.Init(); }},
      {"Slide", &r.SReady, [&] { return system.slide.Init(); }},
      {"Turn", &r.TReady, [&] { return system.turret.Init(); }},
  };
  const Entry& entry = entries[static_cast<int>(device)];
  *entry.ready = entry.init() > 0 ? 1 : 0;
  return std::string(entry.word) + (*entry.ready == 1 ? " On" : " Off");
}

std::string ReplaceDeviceFile(const std::string& folder, const std::string& file,
                              const std::string& deviceFile) {
  if (file.empty()) return "Parameter file not read";
  const std::string source = folder + "/" + file;
  std::string content;
  // A copy that cannot be made leaves the device file as it was.
  if (!ReadWholeFile(source, content) || !WriteFileAtomically(folder + "/" + deviceFile, content)) {
    return "Parameter file not read";
  }
  return "Parameter file " + source + " read";
}

}  // namespace qv
