#include "foundation/Config.h"

#include <string>

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
  const Key optional[] = {
      {"JOYSTARTON", &config.JoyStartOn},       {"XY_INSTALLED", &config.XYInstalled},
      {"Z_INSTALLED", &config.ZInstalled},      {"W1_INSTALLED", &config.WInstalled[1]},
      {"W2_INSTALLED", &config.WInstalled[2]},  {"S_INSTALLED", &config.SInstalled},
      {"T_INSTALLED", &config.TInstalled},      {"CUBE_INSTALLED", &config.CubeInstalled},
      {"LEDS_INSTALLED", &config.LEDsInstalled}};
  for (const Key& k : optional) {
    if (reader.Optional(k.key, *k.variable, int16_t{0}) == kParBadValue) return -1;
  }
  // A port that is no number is reported, but the configuration stands: the program then runs
  // without the line server.
  const int16_t status = reader.Result();
  config.ListenPort = -1;
  reader.Optional("LISTENPORT", config.ListenPort, int32_t{-1});
  return status;
}

int16_t ReadSymConst(Trapar& trapar, SharedState& state) {
  trapar.SetParFile(kSymConstFile);
  return trapar.ReadParFileTo(state.SymConst);
}

}  // namespace qv
