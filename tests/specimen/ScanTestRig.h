#pragma once
// A scan and its command words over the demonstration microscope on the simulated line, read
// from the demo folder as start-up reads them.
#include <gtest/gtest.h>

#include <string>

#include "commands/ScanCommands.h"
#include "specimen/Scan.h"
#include "tests/support/SimSystem.h"

namespace qv::test {

struct ScanRig {
  // The line runs at 9600 baud so that motions take their time and end between commands.
  ScanRig() : s(RepoFolder("config/demo"), sim::LineOptions{.baud = 9600}) {
    EXPECT_EQ(s.Start(), 1) << s.system.comm.CommLogText();
    EXPECT_EQ(scan.ReadFieldPar(), 1);
    EXPECT_EQ(scan.ReadSpecimen(), 1);
    EXPECT_EQ(scan.ReadScanArea(), 1);
    EXPECT_EQ(scan.ReadScanGrid(), 1);
    EXPECT_EQ(scan.ReadScanPar(), 1);
    scan.FieldSizeFromMag();
    EXPECT_EQ(scan.ScanRecompute(), 1);
  }
  // One command word of ours; the rest of the line goes to the program's own words.
  std::string Run(const std::string& word, const std::string& arguments) {
    for (CommandEntry& entry : commands.Entries()) {
      if (entry.word == word) return entry.handler(arguments);
    }
    return "no such word";
  }
  // Where the stage is once it stopped, microns; the next move may start.
  std::pair<double, double> StagePosition() {
    EXPECT_EQ(s.system.stage.XYWait(), 1);
    double x = 0, y = 0;
    EXPECT_EQ(s.system.stage.XYReadPos(x, y), 1);
    return {x, y};
  }

  SimSystem s;
  Scan scan{s.system.trapar, s.system.stage, s.system.objectives, s.system.state.Ready.XYReady};
  ScanCommands commands{s.system.state, s.system.display, scan, s.system.stage,
                        s.system.objectives};
};

}  // namespace qv::test
