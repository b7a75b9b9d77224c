#pragma once
// The speed-test entries of the device menus ("Speed Test Limit Loop", "Speed Test Scan", the
// wheels' and the cube's "Speed Test"): each asks its numbers in input boxes, holds the timer
// off its idle work while the devices move, and shows the result on the message line.
#include <functional>

#include "controllers/Clock.h"
#include "ui/IndexerMenus.h"
#include "ui/ObjectMenu.h"
#include "ui/WindowServices.h"

namespace qv {

// For DeviceMenuBar::SetSpeedTests. `filtersChanged` runs after the wheel test so that the
// window's filter captions show where the wheel stopped; an empty `inputBox` asks with the
// platform's.
SpeedTestHooks MakeSpeedTests(const DeviceCore& core, Clock& clock, const WindowServices& services,
                              InputBox inputBox, std::function<void()> filtersChanged = {});

}  // namespace qv
