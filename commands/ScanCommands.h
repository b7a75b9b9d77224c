#pragma once
// The words of the scan and the optics: "Scan" (layout kind and field stepping), "Area" (scan
// area from the stage), "Grid" (scan grid), "Mag" and "Objective" (magnification and objective).
#include <string>
#include <vector>

#include "commands/CommandDispatcher.h"
#include "commands/Display.h"
#include "devices/Objectives.h"
#include "devices/Stage.h"
#include "foundation/SharedState.h"
#include "specimen/Scan.h"

namespace qv {

class ScanCommands {
 public:
  ScanCommands(SharedState& state, Display& display, Scan& scan, Stage& stage,
               Objectives& objectives)
      : state_(state), display_(display), scan_(scan), stage_(stage), objectives_(objectives) {}

  // The field moves are the source's last device "XY", so that its "Wait" waits for them.
  std::string CmdScan(CommandSource& source, std::string arguments);
  std::string CmdArea(std::string arguments);
  std::string CmdGrid(std::string arguments);
  std::string CmdMag(std::string arguments);
  std::string CmdObjective(std::string arguments);

  // The five words with their handlers, for the command table.
  std::vector<CommandEntry> Entries();

  // The reply for a change whose layout was refused, e.g. "Error Too Many Fields ".
  static std::string RefusalReply(LayoutVerdict verdict);

 private:
  // Runs `body` as a command: busy flag, command and reply shown on the main window.
  template <class Body>
  std::string Run(const char* word, const std::string& arguments, Body body);
  std::string ScanWords(std::string& arguments);
  std::string ScanField(std::string& arguments);
  std::string AreaWords(std::string& arguments);
  std::string GridWords(std::string& arguments);
  std::string GridSetOrMove(const std::string& item, const std::string& mode, std::string& rest);
  std::string MagWords(std::string& arguments);
  std::string ObjectiveWords(std::string& arguments);
  std::string ChooseObjective(int16_t position);
  std::string StatusOrRefusal(int16_t status);

  SharedState& state_;
  Display& display_;
  Scan& scan_;
  Stage& stage_;
  Objectives& objectives_;
};

}  // namespace qv
