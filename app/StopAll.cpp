#include "app/StopAll.h"

namespace qv {

std::vector<std::string> StopAllDevices(System& system) {
  const ReadyFlags& ready = system.state.Ready;
  MotCon& mot = system.motCon;
  const int16_t addressed = mot.Motor().MotorAddress;
  struct Drive {
    const char* word;
    int16_t ready;
    std::vector<int16_t> units;  // controller addresses
  };
  const XYParams& xy = system.stage.Params();
  const Drive drives[] = {
      {"XY", ready.XYReady, {xy.X.Contr, xy.Y.Contr}},
      {"Z", ready.ZReady, {system.focus.Params().Contr}},
      {"F", ready.WReady[1], {system.wheels.Params(1).profile.contr}},
      {"B", ready.WReady[2], {system.wheels.Params(2).profile.contr}},
      {"Cube", ready.CubeReady, {system.cube.Params().profile.contr}},
      {"Slide", ready.SReady, {system.slide.Params().profile.contr}},
      {"Turn", ready.TReady, {system.turret.Params().profile.contr}},
  };
  std::vector<std::string> failed;
  for (const Drive& drive : drives) {
    if (drive.ready != 1) continue;
    bool stopped = true;
    for (const int16_t unit : drive.units) {
      mot.MotorSelect(unit);
      if (mot.MotorMoveAtSpeed(0) <= 0) stopped = false;
    }
    if (!stopped) failed.emplace_back(drive.word);
  }
  mot.MotorSelect(addressed);
  return failed;
}

}  // namespace qv
