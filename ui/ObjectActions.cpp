#include "ui/ObjectActions.h"

#include <cmath>

#include "commands/Replies.h"
#include "foundation/NumberText.h"
#include "ui/BusyIndicator.h"
#include "ui/PositionText.h"

namespace qv {

std::optional<double> FiniteNumber(const std::string& text) {
  const std::optional<double> value = ParseNumber(text);
  if (!value || !std::isfinite(*value)) return std::nullopt;
  return value;
}

ObjectActions::ObjectActions(const ObjectActionsCore& core, const WindowServices& services)
    : core_(core), services_(services) {}

void ObjectActions::Obj(const std::string& arguments) {
  services_.Message(core_.objectCommands.CmdObj(core_.windowSource, arguments));
}

void ObjectActions::AddCurrentPosition() {
  services_.ShowTab(kObjectsTab);
  Obj("AddCurrent");  // also marks the stage position on the map
}

// The operator types the coordinates into the grid afterwards.
void ObjectActions::AddNewObject() {
  services_.ShowTab(kObjectsTab);
  const std::string undefined = Str(kUndefinedPos);
  Obj("Add " + undefined + " " + undefined + " " + undefined);
}

void ObjectActions::MoveToObject(double n) {
  services_.Message("Wait... ");
  std::string reply;
  {
    const WaitCursor hourglass;  // for as long as the stage is on its way
    reply = core_.objectCommands.CmdObj(core_.windowSource, "GoTo " + Str(n));
  }
  services_.Message(reply);
  // The position would hide the refusal; the operator must see that the stage did not go.
  if (reply != kError) ShowStagePosition();
}

void ObjectActions::ShowStagePosition() {
  if (core_.state.Ready[DeviceId::XY] == 1) services_.Message(XYPositionText(core_.stage));
}

std::optional<MapPoint> ObjectActions::StagePoint() {
  double x = 0, y = 0;  // microns
  if (core_.state.Ready[DeviceId::XY] != 1 || !core_.stage.XYReadPos(x, y).ok())
    return std::nullopt;
  return MapPoint{x, y};
}

void ObjectActions::WriteObjectList() {
  services_.ShowTab(kObjectsTab);
  services_.PasteToTextEditor(core_.objects.ObjListText());
}

void ObjectActions::ReadObjectList() {
  services_.ShowTab(kObjectsTab);
  const std::string path = services_.ChooseFile(
      {"Select object coordinate file to load", "*.TXT *.*", core_.state.AppDir});
  if (path.empty()) return;
  if (core_.objects.ObjListRead(core_.keywordFiles, path) < 0) {
    // The list stays as it was; without a word the operator would take it for the file's.
    core_.notifier.MessageBox("No objects read from " + path, MsgIcon::Exclamation);
    return;
  }
  core_.map.Redraw(StagePoint());
}

void ObjectActions::ClearObjectList() {
  services_.ShowTab(kObjectsTab);
  Obj("ListClear");
}

void ObjectActions::DrawObjectMap() {
  services_.ShowTab(kMapTab);
  core_.map.DrawAllObjects();
}

void ObjectActions::EraseObjectMap() {
  core_.map.EraseObjectMap(StagePoint());
}

std::string ObjectActions::MoveToPrompt() const {
  return "There are " + GeneralText(core_.objects.ObjListCount()) +
         " objects in the list.\nEnter object number to which to move.\nNumeration starts "
         "with 1.";
}

void ObjectActions::MoveToAnswer(const std::string& answer) {
  if (const std::optional<double> n = FiniteNumber(answer)) MoveToObject(*n);
}

std::string ObjectActions::AttractionPrompt() const {
  return "Enter attraction distance for selection of objects in the map.\nClick on the map "
         "within this distance (in microns) from an existing object will select it.\nCurrent "
         "value " +
         FormatFixed(core_.objects.AttrDist, 2);
}

void ObjectActions::AttractionAnswer(const std::string& answer) {
  if (const std::optional<double> distance = FiniteNumber(answer)) {
    core_.objects.AttrDist = *distance;  // microns
  }
}

std::string ObjectActions::AttractionCaption() const {
  return "Attraction Distance = " + FormatFixed(core_.objects.AttrDist, 2);
}

}  // namespace qv
