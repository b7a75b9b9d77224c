#pragma once
// The sub-commands of the device words "XY" (stage) and "Z" (focus). Values may be numbers or
// symbols of the symbolic constants; "??" answers with a command that brings the device back
// to where it is now.
#include <string>

#include "devices/Focus.h"
#include "devices/Stage.h"
#include "foundation/KeywordFiles.h"

namespace qv {

class XYCommands {
 public:
  XYCommands(Stage& stage, const ParList& symbols) : stage_(stage), symbols_(symbols) {}
  std::string operator()(const std::string& subCommand, std::string& rest);

 private:
  std::string Position(const std::string& prefix);
  std::string Rel(std::string& rest);
  std::string Move(std::string& rest);
  std::string MoveAbs(const std::string& xWord, std::string& rest);

  Stage& stage_;
  const ParList& symbols_;
};

class ZCommands {
 public:
  ZCommands(Focus& focus, const ParList& symbols) : focus_(focus), symbols_(symbols) {}
  std::string operator()(const std::string& subCommand, std::string& rest);

 private:
  std::string Position(const std::string& prefix);
  std::string Rel(std::string& rest);
  std::string Move(std::string& rest);

  Focus& focus_;
  const ParList& symbols_;
};

}  // namespace qv
