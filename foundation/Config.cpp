#include "foundation/Config.h"

#include <string>

#include "foundation/DeviceTable.h"
#include "foundation/KeywordReader.h"

namespace qv {

// An optional key takes its default when it is missing; a value that is not a number is
// reported like any bad key and ends the reading, because silently taking the default would
// hide a typo that switches a device off.
int16_t ReadConfig(Trapar& trapar, Configuration& config) {
  KeywordReader reader(trapar);
  if (!reader.Open(kConfigFile)) return -1;

  struct Key {
    const char* key;
    int16_t* variable;
  };
  const Key required[] = {{"MPORT", &config.MPort},
                          {"PORTTIMEOUT", &config.PortTimeout},
                          {"MOVETIMEOUT", &config.MoveTimeout},
                          {"WAITPOLLINGINTERVAL", &config.WaitPollingInterval}};
  for (const Key& k : required) {
    if (reader.Required(k.key, *k.variable) == kParBadValue) return -1;
  }

  reader.Optional("CONTRTYPE", config.ContrType, std::string("IM483I"));
  reader.Optional("PORTNAME", config.PortName, std::string());
  reader.Optional("CAPTUREPROGRAM", config.CaptureProgram, std::string());
  reader.Optional("TEXTEDITOR", config.TextEditor, std::string());
  if (reader.Optional("JOYSTARTON", config.JoyStartOn, int16_t{0}) == kParBadValue) return -1;
  // Read in this order, not the start-up order: a bad value ends the reading, so the order
  // decides which flags were read when start-up goes on with the others off.
  constexpr DeviceId kReadOrder[] = {DeviceId::XY,   DeviceId::Z,     DeviceId::W1,
                                     DeviceId::W2,   DeviceId::Slide, DeviceId::Turret,
                                     DeviceId::Cube, DeviceId::Leds};
  for (const DeviceId id : kReadOrder) {
    const DeviceRow& row = Device(id);
    if (reader.Optional(row.installedKey, row.installed(config), int16_t{0}) == kParBadValue)
      return -1;
  }
  // A port that is no number is reported, but the configuration stands: the program then runs
  // without the line server.
  const int16_t status = reader.Result();
  config.ListenPort = -1;
  reader.Optional("LISTENPORT", config.ListenPort, int32_t{-1});
  return status;
}

int16_t ReadSymConst(Trapar& trapar, SharedState& state) {
  return trapar.ReadParList(trapar.ParPath(kSymConstFile), state.SymConst);
}

}  // namespace qv
