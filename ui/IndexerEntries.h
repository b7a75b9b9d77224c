#pragma once
// The filter wheel and cube changer entries of the main window, and the captions that show
// which filter, cube and magnification are in.
#include <cstdint>
#include <functional>
#include <string>

#include "ui/EntryContext.h"

namespace qv {

// "F" for wheel 1, "B" for wheel 2: the command word and menu letter of the wheel.
std::string WheelWord(int wheel);
// "F-3", or "F-?" while the wheel's filter is not known; "B-..." for wheel 2.
std::string FilterCaption(const Wheels& wheels, int wheel);
std::string CubeCaption(const Cube& cube);                        // "Cube-2" or "Cube-?"
std::string MagnificationCaption(const Objectives& objectives);   // "Mag-10"
std::string FilterItemCaption(int16_t filter);                    // "Filter 1"
std::string CubeItemCaption(int16_t cube);                        // "Cube 1"
std::string ObjectiveItemCaption(int16_t position, int16_t mag);  // "Objective Pos.2 - 10X"

class WheelEntries {
 public:
  WheelEntries(const EntryContext& context, Wheels& wheels, int wheel)
      : c_(context), wheels_(wheels), wheel_(wheel) {}

  int Wheel() const { return wheel_; }
  bool Ready() const;
  int16_t Positions() const;
  // Opening the wheel's menu or clicking its button: it becomes the current wheel and its filter
  // is read from the controller.
  void Open();
  void Choose(int16_t filter);
  void Next() { Step(1); }
  void Previous() { Step(-1); }
  void Home();
  void ToggleLamp();
  void AssignToJoystick();
  void SetCompensation(bool on);
  // Chooses a compensation table, edits it, loads it and switches compensation on.
  void CompensationParameters();

 private:
  void Step(int delta);
  // Runs `start` on the wheel and waits for it: "F 3" when it got there, else why not.
  void Move(const std::function<Result()>& start);

  const EntryContext& c_;
  Wheels& wheels_;
  int wheel_;
};

class CubeEntries {
 public:
  CubeEntries(const EntryWindow& window, const MotorControllers& motors, Notifier& notifier,
              const DevicesChanged& changed, Cube& cube)
      : window_(window), motors_(motors), notifier_(notifier), changed_(changed), cube_(cube) {}

  bool Ready() const { return window_.state.Ready[DeviceId::Cube] == 1; }
  void Choose(int16_t cube);
  void Next() { Step(1); }
  void Previous() { Step(-1); }
  void Home();

 private:
  void Step(int delta);

  EntryWindow window_;
  const MotorControllers& motors_;  // Stop ends a move or the homing
  Notifier& notifier_;              // a failed homing
  const DevicesChanged& changed_;
  Cube& cube_;
};

}  // namespace qv
