#pragma once
// Showing commands and replies on the main window. Every operation does nothing while the main
// window is not loaded, so handlers call them unconditionally.
#include <optional>
#include <string>

#include "commands/FrontEnd.h"

namespace qv {

class Display {
 public:
  explicit Display(FrontEnd& frontEnd) : frontEnd_(frontEnd) {}

  bool IsFormLoaded(std::string_view formName) const { return frontEnd_.IsFormLoaded(formName); }
  bool MainFormLoaded() const { return IsFormLoaded(kMainForm); }

  // Command text into the command box, reply into the message line. Every source's commands
  // show in the one box; the text shown is remembered, so that a change the operator makes to
  // the box afterwards can be told from it.
  void ShowCmdAndReply(const std::string& command, const std::string& reply);
  void ShowReply(const std::string& reply);
  void ShowCmd(const std::string& text);
  // The operator's own choices from a pick list: a word and a blank in front of the command box
  // text, or a text in place of it. They count as the operator's change, as typing does.
  void PrefixCmd(const std::string& word);
  void EnterCmd(const std::string& text);
  // The command box text if the operator changed the box since a text was last shown there;
  // nothing while the box holds what was shown, or the main window is not loaded.
  std::optional<std::string> OperatorCmd() const;
  // The window's Execute took this text from the command box to run it: from now on it counts
  // as shown, so that a program does not run it again as its next line.
  void CmdTaken(const std::string& text) { shownCmd_ = text; }
  const std::string& ShownCmd() const { return shownCmd_; }
  // One line per loaded window, its title as the operator sees it and its name after it:
  // "Quorvalin (frmQuorvalin)"; the lines end with LF.
  std::string ListForms() const;

  FrontEnd& Front() { return frontEnd_; }

 private:
  FrontEnd& frontEnd_;
  std::string shownCmd_;  // as the box gave it back: the box may store a text differently
};

}  // namespace qv
