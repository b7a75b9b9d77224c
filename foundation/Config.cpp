#include "foundation/Config.h"

#include <string>

#include "foundation/DeviceTable.h"

namespace qv {
namespace {

// An optional key takes its default when it is missing; a value that is not a number is
// reported like any bad key, because silently taking the default would hide a typo that
// switches a device off.
template <class T>
int16_t ReadOptional(Trapar& trapar, const char* key, T& variable, const T& fallback) {
  const int16_t result = trapar.ParSilent(key, variable, "from");
  if (result == -1) {
    variable = fallback;
    return 1;
  }
  if (result < 0) return trapar.Par(key, variable, "from");  // shows the bad-value message
  return 1;
}

}  // namespace

int16_t ReadConfig(Trapar& trapar, Configuration& config) {
  trapar.SetParFile(kConfigFile);
  if (trapar.ReadParFile() < 0) return -1;

  int16_t status = 1;
  struct Required {
    const char* key;
    int16_t* variable;
  };
  const Required required[] = {{"MPORT", &config.MPort},
                               {"PORTTIMEOUT", &config.PortTimeout},
                               {"MOVETIMEOUT", &config.MoveTimeout},
                               {"WAITPOLLINGINTERVAL", &config.WaitPollingInterval}};
  for (const Required& r : required) {
    const int16_t result = trapar.Par(r.key, *r.variable, "from");
    if (result == kParBadValue) return -1;
    if (result < 0) status = -1;
  }

  if (ReadOptional(trapar, "CONTRTYPE", config.ContrType, std::string("IM483I")) < 0) return -1;
  ReadOptional(trapar, "PORTNAME", config.PortName, std::string());
  ReadOptional(trapar, "CAPTUREPROGRAM", config.CaptureProgram, std::string());
  ReadOptional(trapar, "TEXTEDITOR", config.TextEditor, std::string());
  if (ReadOptional(trapar, "JOYSTARTON", config.JoyStartOn, int16_t{0}) < 0) return -1;
  // Read in this order, not the start-up order: a bad value ends the reading, so the order
  // decides which flags were read when start-up goes on with the others off.
  constexpr DeviceId kReadOrder[] = {DeviceId::XY,   DeviceId::Z,     DeviceId::W1,
                                     DeviceId::W2,   DeviceId::Slide, DeviceId::Turret,
                                     DeviceId::Cube, DeviceId::Leds};
  for (const DeviceId id : kReadOrder) {
    const DeviceRow& row = Device(id);
    if (ReadOptional(trapar, row.installedKey, row.installed(config), int16_t{0}) < 0) return -1;
  }
  // A port that is no number is reported; the program then runs without the line server.
  config.ListenPort = -1;
  ReadOptional(trapar, "LISTENPORT", config.ListenPort, int32_t{-1});
  return status;
}

int16_t ReadSymConst(Trapar& trapar, SharedState& state) {
  trapar.SetParFile(kSymConstFile);
  return trapar.ReadParFileTo(state.SymConst);
}

}  // namespace qv
