#pragma once
// What the Objects tab's buttons and the "Obj." menu do to the object list, the stage and the
// map. Both reach the same operations here, so the button and the menu entry of one action
// cannot drift apart. Entries that pass through the command language show the reply on the
// message line; dialogs and the text editor go through the window services.
#include <cstdint>
#include <optional>
#include <string>

#include "commands/ObjectCommands.h"
#include "devices/Stage.h"
#include "foundation/KeywordFiles.h"
#include "foundation/Notifier.h"
#include "foundation/SharedState.h"
#include "specimen/MapView.h"
#include "specimen/ObjectList.h"
#include "ui/WindowServices.h"

namespace qv {

// A number typed by the operator; an overflow to infinity is not one.
std::optional<double> FiniteNumber(const std::string& text);

inline constexpr int kObjectsTab = 2;
inline constexpr int kMapTab = 1;

// What the object actions drive: the object list, read from files and changed through "Obj"
// commands, the map that shows it, and the stage they move.
struct ObjectActionsCore {
  SharedState& state;
  Notifier& notifier;
  KeywordFiles& keywordFiles;
  Stage& stage;
  ObjectList& objects;
  MapView& map;
  ObjectCommands& objectCommands;
  CommandSource& windowSource;  // what the window's commands run as
};

class ObjectActions {
 public:
  // The services are copied. The object grid follows the list by itself.
  ObjectActions(const ObjectActionsCore& core, const WindowServices& services);

  void AddCurrentPosition();
  void AddNewObject();
  // Moves the stage to object n, then shows where the stage is.
  void MoveToObject(double n);
  void WriteObjectList();  // hands the list as text to the text editor
  void ReadObjectList();   // asks for a file
  void ClearObjectList();
  void DrawObjectMap();
  void EraseObjectMap();

  // The texts and answers of the two input boxes of the menu.
  std::string MoveToPrompt() const;
  void MoveToAnswer(const std::string& answer);
  std::string AttractionPrompt() const;
  void AttractionAnswer(const std::string& answer);
  std::string AttractionCaption() const;

  const WindowServices& Services() const { return services_; }

 private:
  // Runs an "Obj" sub-command and shows its reply.
  void Obj(const std::string& arguments);
  // The stage position when the stage can tell it.
  std::optional<MapPoint> StagePoint();
  void ShowStagePosition();

  ObjectActionsCore core_;
  WindowServices services_;
};

}  // namespace qv
