// The filter caption hook of the indexing devices' words; their replies and frames are
// transcripts (tests/transcripts/devices-a/).
#include <gtest/gtest.h>

#include "commands/DeviceCommands.h"
#include "commands/Display.h"
#include "commands/IndexerCommands.h"
#include "tests/devices/DeviceRig.h"
#include "tests/support/RecordingFrontEnd.h"

namespace qv::test {
namespace {

TEST(IndexerCommands, TheCaptionHookRunsAfterEveryWheelCommandOnly) {
  IndexerRig rig(ControllerType::IM483I);
  rig.InitAll();
  SharedState state;
  state.Ready = rig.ready;
  RecordingFrontEnd front;
  front.loaded.insert(std::string(kMainForm));
  Display display{front};
  DeviceCommands commands{state, display};
  int captions = 0;
  RegisterIndexerCommands(commands, IndexerDevices{*rig.wheels, *rig.cube, *rig.slide, *rig.turret},
                          state.SymConst, [&] { ++captions; });
  const std::pair<const char*, int> lines[] = {{"F ?", 1},     {"B 7", 2},    {"Cube ?", 2},
                                               {"Slide ?", 2}, {"Turn ?", 2}, {"F Lamp", 3}};
  for (const auto& [line, after] : lines) {
    const std::string text = line;
    const size_t blank = text.find(' ');
    for (const DeviceWord& device : commands.Words())
      if (device.word == text.substr(0, blank)) commands.Execute(device, text.substr(blank + 1));
    EXPECT_EQ(captions, after) << line;
  }
  EXPECT_EQ(front.commandText, "F Lamp");
}

}  // namespace
}  // namespace qv::test
