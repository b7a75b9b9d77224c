#include "foundation/Config.h"

#include <algorithm>
#include <string>

#include "foundation/DeviceTable.h"
#include "foundation/KeywordReader.h"
#include "foundation/NumberText.h"

namespace qv {

namespace {

// The controller type's own spelling when `text` names one in any letter case; else `text`.
// ASCII letters only: the user's locale has no say (a Turkish "i" is still "I" here).
std::string ControllerTypeName(const std::string& text) {
  const std::string_view trimmed = TrimBlanks(text);
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  for (const std::string_view name : kControllerTypeNames) {
    if (std::ranges::equal(trimmed, name, [&](char a, char b) { return upper(a) == b; })) {
      return std::string(name);
    }
  }
  return text;
}

// "A, B or C": the names CONTRTYPE may take.
std::string ControllerTypeChoice() {
  std::string text;
  for (size_t i = 0; i < kControllerTypeNames.size(); ++i) {
    if (i > 0) text += i + 1 == kControllerTypeNames.size() ? " or " : ", ";
    text += kControllerTypeNames[i];
  }
  return text;
}

}  // namespace

// An optional key takes its default when it is missing; a value that is not a number is
// reported like any bad key and ends the reading, because silently taking the default would
// hide a typo that switches a device off.
int16_t ReadConfig(KeywordFiles& keywordFiles, Configuration& config) {
  KeywordReader reader(keywordFiles);
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
  config.ContrType = ControllerTypeName(config.ContrType);
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
    if (reader.Optional(row.installedKey, config.Installed[row.id], int16_t{0}) == kParBadValue)
      return -1;
  }
  // A port that is no number is reported, but the configuration stands: the program then runs
  // without the line server.
  const int16_t status = reader.Result();
  int32_t listenPort = 0;
  config.ListenPort = reader.Optional("LISTENPORT", listenPort, int32_t{0}) == 1
                          ? std::optional<int32_t>(listenPort)
                          : std::nullopt;
  return status;
}

std::vector<std::string> LineSettingProblems(const Configuration& config, int16_t fallbackMs) {
  std::vector<std::string> problems;
  if (std::ranges::find(kControllerTypeNames, config.ContrType) == kControllerTypeNames.end()) {
    problems.push_back("CONTRTYPE \"" + config.ContrType + "\" in " + kConfigFile +
                       " is no controller type: it may be " + ControllerTypeChoice() +
                       "; every device stays off.");
  }
  if (config.PortTimeout <= 0) {
    problems.push_back("PORTTIMEOUT " + std::to_string(config.PortTimeout) + " in " + kConfigFile +
                       " leaves no time for a reply: it is the milliseconds one reply may take "
                       "(200 suits most lines); the line waits " +
                       std::to_string(fallbackMs) + " ms meanwhile.");
  }
  return problems;
}

int16_t ReadSymConst(KeywordFiles& keywordFiles, SharedState& state) {
  return keywordFiles.ReadParList(keywordFiles.ParPath(kSymConstFile), state.SymConst);
}

}  // namespace qv
