#pragma once
// The speed-test entries of the device menus ("Speed Test Limit Loop", "Speed Test Scan", the
// wheels' and the cube's "Speed Test"): each asks its numbers in input boxes, holds the timer
// off its idle work while the devices move, and shows the result on the message line.
#include <functional>

#include "commands/FrontEnd.h"
#include "commands/SpeedTests.h"
#include "foundation/SharedState.h"
#include "ui/IndexerMenus.h"
#include "ui/ObjectMenu.h"
#include "ui/WindowServices.h"

namespace qv {

// What the speed tests drive: the devices they move and time, the flag that keeps the timer
// off its idle work meanwhile, and the window's events, which run while a test reports.
struct SpeedTestCore {
  SharedState& state;
  FrontEnd& frontEnd;
  SpeedTestDevices devices;
};

// For DeviceMenuBar::SetSpeedTests. `filtersChanged` runs after the wheel test so that the
// window's filter captions show where the wheel stopped; an empty `inputBox` asks with the
// platform's.
SpeedTestHooks MakeSpeedTests(const SpeedTestCore& core, const WindowServices& services,
                              InputBox inputBox, std::function<void()> filtersChanged = {});

}  // namespace qv
