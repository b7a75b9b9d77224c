#pragma once
// The "Obj" word: the object list through the command language (add, edit, fetch, read, write,
// go to, draw).
#include <cstdint>
#include <functional>
#include <string>

#include "commands/Display.h"
#include "devices/Focus.h"
#include "devices/Stage.h"
#include "foundation/CommandExecutor.h"
#include "foundation/KeywordFiles.h"
#include "foundation/SharedState.h"
#include "specimen/ObjectList.h"

namespace qv {

// The specimen map's drawing, connected by whoever owns the map; empty ones draw nothing.
struct ObjectMapHooks {
  std::function<int16_t(int32_t)> drawObject{};         // object n: its result
  std::function<void()> drawAllObjects{};               //
  std::function<void(double, double)> drawStageMark{};  // microns: a 1 x 1 object-colour mark
};

class ObjectCommands {
 public:
  ObjectCommands(SharedState& state, Display& display, KeywordFiles& keywordFiles,
                 ObjectList& objects, Stage& stage, Focus& focus);

  void SetMapHooks(ObjectMapHooks hooks) { map_ = std::move(hooks); }

  // Every sub-command clears the source's last device; "GoTo" makes it "XY".
  std::string CmdObj(CommandSource& source, std::string arguments);

 private:
  // How a sub-command's command and reply reach the main window.
  enum class Show { WithObjects, Plain, Nothing };
  struct Outcome {
    std::string reply;
    Show show;
  };

  Outcome Dispatch(CommandSource& source, const std::string& sub, std::string& rest);
  Outcome AddCurrent(std::string& rest);
  Outcome Add(std::string& rest);
  Outcome Edit(std::string& rest);
  Outcome GoTo(CommandSource& source, std::string& rest);
  Outcome Draw(std::string& rest);
  Outcome Get(std::string& rest);
  Outcome ListDraw();
  void ShowWithObjects(const std::string& command, const std::string& reply);

  SharedState& state_;
  Display& display_;
  KeywordFiles& keywordFiles_;
  ObjectList& objects_;
  Stage& stage_;
  Focus& focus_;
  ObjectMapHooks map_;
};

}  // namespace qv
