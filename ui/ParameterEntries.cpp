#include "ui/ParameterEntries.h"

#include <filesystem>
#include <string>

#include "controllers/LedController.h"
#include "specimen/Scan.h"
#include "ui/MainMenus.h"

namespace qv {

namespace {
constexpr const char* kObjectiveFile = "QV_OBJPOSMAG.TXT";
}

void ParameterEntries::Edit(const char* fileName) {
  window_.services.EditParameters(window_.ProgramFile(fileName));
  frontEnd_.DoEvents();
}

// Messages that the loading showed (a key not found, the channel's faults) are not covered by a
// plain "XY On": the line says that they came. "XY Off" says enough by itself.
void ParameterEntries::EditDevice(DeviceId device) {
  Edit(Device(device).file);
  const int shown = notifier_.MessagesShown();
  const std::string log = setup_.comm.CommLogText();
  const std::string state = setup_.reinitialise(device);
  const bool errors = window_.state.Ready[device] == 1 &&
                      (notifier_.MessagesShown() != shown || setup_.comm.CommLogText() != log);
  window_.Say(errors ? state + " after errors loading " + Device(device).file +
                           " (see the messages shown, Conf > Error Log)"
                     : state);
  changed_();
}

void ParameterEntries::ReadParFile(DeviceId device) {
  const std::string deviceFile = Device(device).file;
  const std::string stem = deviceFile.substr(0, deviceFile.size() - 4);  // without ".TXT"
  const std::filesystem::path chosen = window_.services.ChooseFile(
      {"Select a parameter file to load", stem + "*.TXT *.TXT *.*", ""});
  window_.Say(setup_.replaceDeviceFile(chosen.parent_path().string(), chosen.filename().string(),
                                       deviceFile));
}

void ParameterEntries::EditObjectives() {
  Edit(kObjectiveFile);
  objectives_.ReadObjPosMag();
  changed_();
}

void ParameterEntries::EditField() {
  EditSpecimenFile({window_.state, notifier_, setup_.scan, setup_.map}, window_.services,
                   SpecimenFile::Field);
}

void ParameterEntries::ChooseObjective(int16_t position) {
  setup_.dispatcher.ExecuteCommand(setup_.windowSource, "Objective " + std::to_string(position));
  changed_();
}

// Says what the switch did, as the "LED" command would name it, or why it did nothing.
void LedEntries::Toggle(int16_t output) {
  if (window_.state.Ready[DeviceId::Leds] != 1) return;
  static constexpr const char* kColours[] = {"R", "G", "B"};
  const std::string led = std::string("LED ") + kColours[output % 3];
  const Result result = leds_.LEDToggle(output);
  const std::optional<bool> lit = leds_.LEDIsOn(output);
  if (result.ok() && lit) {
    window_.Say(led + (*lit ? " On" : " Off"));
  } else if (!result.failed()) {
    window_.Say(led + " not switched: the " + window_.state.Config.ContrType +
                " controllers have no outputs to switch single LEDs");
  } else {
    window_.Say(led + " not switched: its controller refused or did not answer (Conf > Error Log)");
  }
  changed_();
}

void LedEntries::EditParameters() {
  window_.services.EditParameters(window_.ProgramFile(kLedsFileName));
  frontEnd_.DoEvents();
  int16_t& ready = window_.state.Ready[DeviceId::Leds];
  ready = leds_.LEDInit().ok() ? 1 : 0;
  window_.Say(ready == 1 ? "LEDs On" : "LEDs Off");
}

}  // namespace qv
