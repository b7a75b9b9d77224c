#include "commands/ObjectCommands.h"

#include <optional>

#include "commands/CommandText.h"
#include "commands/Replies.h"
#include "foundation/NumberText.h"

namespace qv {
namespace {

// The next word as an object number; empty when it is missing or not a 32-bit number.
std::optional<int32_t> TakeObjectNumber(std::string& rest, const ParList& symbols) {
  std::string word;
  if (SplitWord(rest, word) == 0) return std::nullopt;
  const std::optional<double> number = ResolveNumber(word, symbols);
  return number ? RoundToInt32(*number) : std::nullopt;
}

// X, Y, Z and the optional comment word of "Add" and "Edit"; empty when a number is missing.
std::optional<ObjRecord> TakeObject(std::string& rest, const ParList& symbols) {
  ObjRecord object;
  for (double* coordinate : {&object.X, &object.Y, &object.Z}) {
    std::string word;
    if (SplitWord(rest, word) == 0) return std::nullopt;
    const std::optional<double> value = ResolveNumber(word, symbols);
    if (!value) return std::nullopt;
    *coordinate = *value;
  }
  SplitWord(rest, object.Comment);
  return object;
}

// A relative path names a file in the program folder whatever the working directory is (that
// of a program the bus started is arbitrary); an absolute path stays as it is.
std::string InProgramFolder(const std::string& path, const std::string& appDir) {
  if (path.front() == '/') return path;
  return appDir + path;
}

std::string NonNegativeOrError(int32_t result) {
  return result >= 0 ? Str(result) : std::string(kError);
}

}  // namespace

ObjectCommands::ObjectCommands(SharedState& state, Display& display, KeywordFiles& keywordFiles,
                               ObjectList& objects, Stage& stage, Focus& focus)
    : state_(state),
      display_(display),
      keywordFiles_(keywordFiles),
      objects_(objects),
      stage_(stage),
      focus_(focus) {}

std::string ObjectCommands::CmdObj(CommandSource& source, std::string arguments) {
  const CommandBusyScope busy(state_);
  const std::string command = "Obj " + arguments;
  std::string sub;
  Outcome outcome{std::string(kMissingArgument), Show::Plain};
  if (SplitWord(arguments, sub) > 0) {
    source.LastDevice.clear();
    outcome = Dispatch(source, sub, arguments);
  }
  if (outcome.show == Show::WithObjects) {
    ShowWithObjects(command, outcome.reply);
  } else if (outcome.show == Show::Plain) {
    display_.ShowCmdAndReply(command, outcome.reply);
  }
  return outcome.reply;
}

ObjectCommands::Outcome ObjectCommands::Dispatch(CommandSource& source, const std::string& sub,
                                                 std::string& rest) {
  if (sub == "AddCurrent") return AddCurrent(rest);
  if (sub == "Add") return Add(rest);
  if (sub == "Edit") return Edit(rest);
  if (sub == "GetNum") return {Str(objects_.ObjListCount()), Show::Plain};
  if (sub == "ListClear") {
    objects_.ObjListClear();
    return {"Object List Cleared", Show::Plain};
  }
  if (sub == "ListRead" || sub == "ListWrite") {
    std::string word;
    if (SplitWord(rest, word) == 0) return {std::string(kError), Show::Plain};
    const std::string path = InProgramFolder(word, state_.AppDir);
    const int32_t result = sub == "ListRead" ? objects_.ObjListRead(keywordFiles_, path)
                                             : objects_.ObjListWrite(keywordFiles_, path);
    // Another user's link is not a file that merely could not be written: the client hears so.
    return {result == kLinkRefused ? std::string(kError) : Str(result), Show::Plain};
  }
  if (sub == "GoTo") return GoTo(source, rest);
  if (sub == "Draw") return Draw(rest);
  if (sub == "Get") return Get(rest);
  if (sub == "ListDraw") return ListDraw();
  return {std::string(kError), Show::Nothing};
}

ObjectCommands::Outcome ObjectCommands::AddCurrent(std::string& rest) {
  double x = kUndefinedPos, y = kUndefinedPos, z = kUndefinedPos;  // microns
  std::string reply;
  if (state_.Ready[DeviceId::XY] == 1) {
    if (!stage_.XYReadPos(x, y).ok()) return {std::string(kError), Show::WithObjects};
    reply += FormatFixed(x, 1) + " " + FormatFixed(y, 1) + " ";
  }
  if (state_.Ready[DeviceId::Z] == 1) {
    if (!focus_.ZReadPos(z).ok()) return {std::string(kError), Show::WithObjects};
    reply += FormatFixed(z, 2) + " ";
  }
  std::string comment;
  SplitWord(rest, comment);
  return {reply + "#" + Str(objects_.ObjAdd(x, y, z, comment)), Show::WithObjects};
}

ObjectCommands::Outcome ObjectCommands::Add(std::string& rest) {
  const std::optional<ObjRecord> object = TakeObject(rest, state_.SymConst);
  if (!object) return {std::string(kError), Show::WithObjects};
  const int32_t n = objects_.ObjAdd(object->X, object->Y, object->Z, object->Comment);
  return {"#" + Str(n), Show::WithObjects};
}

ObjectCommands::Outcome ObjectCommands::Edit(std::string& rest) {
  const std::optional<int32_t> n = TakeObjectNumber(rest, state_.SymConst);
  const std::optional<ObjRecord> object =
      n ? TakeObject(rest, state_.SymConst) : std::optional<ObjRecord>();
  const bool edited = object && objects_.ObjEdit(*n, *object) == 1;
  return {std::string(edited ? kOk : kError), Show::WithObjects};
}

ObjectCommands::Outcome ObjectCommands::GoTo(CommandSource& source, std::string& rest) {
  const std::optional<int32_t> n = TakeObjectNumber(rest, state_.SymConst);
  if (!n) return {std::string(kError), Show::Plain};
  source.LastDevice = "XY";
  // A stage that is not ready has no controllers to move; refuse before anything is sent.
  if (state_.Ready[DeviceId::XY] != 1) return {std::string(kError), Show::Plain};
  return {NonNegativeOrError(ObjGoTo(objects_, *n, stage_)), Show::Plain};
}

ObjectCommands::Outcome ObjectCommands::Draw(std::string& rest) {
  const std::optional<int32_t> n = TakeObjectNumber(rest, state_.SymConst);
  if (!n) return {std::string(kError), Show::Nothing};
  if (!display_.MainFormLoaded() || !map_.drawObject) return {"0", Show::Nothing};
  return {NonNegativeOrError(map_.drawObject(*n)), Show::Nothing};
}

ObjectCommands::Outcome ObjectCommands::Get(std::string& rest) {
  const std::optional<int32_t> n = TakeObjectNumber(rest, state_.SymConst);
  std::string text;
  if (!n || objects_.ObjGetText(*n, text) != 1) return {std::string(kError), Show::Nothing};
  return {text, Show::Nothing};
}

ObjectCommands::Outcome ObjectCommands::ListDraw() {
  if (!display_.MainFormLoaded()) return {"0", Show::Nothing};
  if (map_.drawAllObjects) map_.drawAllObjects();
  return {std::string(kOk), Show::Nothing};
}

void ObjectCommands::ShowWithObjects(const std::string& command, const std::string& reply) {
  display_.ShowCmdAndReply(command, reply);
  if (!display_.MainFormLoaded()) return;
  display_.Front().DisplayObjList();
  if (map_.drawStageMark) map_.drawStageMark(stage_.X(), stage_.Y());
}

}  // namespace qv
