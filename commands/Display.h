#pragma once
// Showing commands and replies on the main window. Every operation does nothing while the main
// window is not loaded, so handlers call them unconditionally.
#include <string>

#include "commands/FrontEnd.h"

namespace qv {

class Display {
 public:
  explicit Display(FrontEnd& frontEnd) : frontEnd_(frontEnd) {}

  bool IsFormLoaded(std::string_view formName) const { return frontEnd_.IsFormLoaded(formName); }
  bool MainFormLoaded() const { return IsFormLoaded(kMainForm); }

  // Command text into the command box, reply into the message line.
  void ShowCmdAndReply(const std::string& command, const std::string& reply);
  void ShowReply(const std::string& reply);
  void ShowCmd(const std::string& text);
  // A word and a blank in front of the command box text.
  void PrefixCmd(const std::string& word);
  // One line per loaded window, its title as the operator sees it and its name after it:
  // "Quorvalin (frmQuorvalin)"; the lines end with LF.
  std::string ListForms() const;

  FrontEnd& Front() { return frontEnd_; }

 private:
  FrontEnd& frontEnd_;
};

}  // namespace qv
