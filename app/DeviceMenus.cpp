#include "app/DeviceMenus.h"

#include "foundation/AtomicFile.h"

namespace qv {

std::string ReinitialiseDevice(System& system, DeviceId device) {
  int16_t& ready = system.state.Ready[device];
  ready = system.InitDevice(device).ok() ? 1 : 0;
  return std::string(Device(device).word) + (ready == 1 ? " On" : " Off");
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
