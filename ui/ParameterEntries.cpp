#include "ui/ParameterEntries.h"

#include <filesystem>
#include <string>

#include "controllers/QVLEDContr.h"
#include "devices/StageParams.h"
#include "specimen/Scan.h"
#include "ui/MainMenus.h"

namespace qv {

namespace {
constexpr const char* kObjectiveFile = "QV_OBJPOSMAG.TXT";
}

const char* DeviceFileName(DeviceEntry device) {
  switch (device) {
    case DeviceEntry::XY:
      return kXYFile;
    case DeviceEntry::Z:
      return kZFile;
    case DeviceEntry::F:
      return "QV_PARW1.TXT";
    case DeviceEntry::B:
      return "QV_PARW2.TXT";
    case DeviceEntry::Cube:
      return "QV_PARCUBE.TXT";
    case DeviceEntry::Slide:
      return kSlideKind.file;
    case DeviceEntry::Turn:
      return kTurretKind.file;
  }
  return "";
}

void ParameterEntries::Edit(const char* fileName) {
  c_.services.EditParameters(c_.ProgramFile(fileName));
  c_.LetEventsRun();
}

void ParameterEntries::EditDevice(DeviceEntry device) {
  Edit(DeviceFileName(device));
  c_.Say(ReinitialiseDevice(c_.system, device));
  c_.Changed();
}

void ParameterEntries::ReadParFile(DeviceEntry device) {
  const std::string deviceFile = DeviceFileName(device);
  const std::string stem = deviceFile.substr(0, deviceFile.size() - 4);  // without ".TXT"
  const std::filesystem::path chosen =
      c_.services.ChooseFile({"Select a parameter file to load", stem + "*.TXT *.TXT *.*", ""});
  c_.Say(ReplaceDeviceFile(chosen.parent_path().string(), chosen.filename().string(), deviceFile));
}

void ParameterEntries::EditObjectives() {
  Edit(kObjectiveFile);
  c_.system.objectives.ReadObjPosMag();
  c_.Changed();
}

void ParameterEntries::EditField() {
  EditSpecimenFile(c_.system, c_.services, SpecimenFile::Field);
}

void ParameterEntries::ChooseObjective(int16_t position) {
  c_.system.dispatcher.ExecuteCommand("Objective " + std::to_string(position));
  c_.Changed();
}

void LedEntries::Toggle(int16_t output) {
  if (c_.system.state.Ready.LEDsReady != 1) return;
  c_.system.leds.LEDToggle(output);
}

void LedEntries::EditParameters() {
  c_.services.EditParameters(c_.ProgramFile(kLedsFileName));
  c_.LetEventsRun();
  int16_t& ready = c_.system.state.Ready.LEDsReady;
  ready = c_.system.leds.LEDInit() > 0 ? 1 : 0;
  c_.Say(ready == 1 ? "LEDs On" : "LEDs Off");
}

}  // namespace qv
