#pragma once
// The filter cube changer and the two free positioning drives, slide and turret. The cube moves
// between numbered positions a fixed distance apart, counted from cube 1 at the origin that its
// homing sets; slide and turret move to any position in their own unit (the stroke unit of the
// slide's file, degrees for the turret).
#include <cstdint>
#include <optional>
#include <string>

#include "controllers/MotorControllers.h"
#include "devices/DriveProfile.h"
#include "foundation/KeywordFiles.h"
#include "foundation/Notifier.h"

namespace qv {

struct CubeParams {
  DriveProfile profile;
  double strokePerRot = 0;  // cube units per motor turn
  int16_t motorSteps = 0;   // full steps per turn
  int32_t homeSpeed = 0;    // microsteps/s, the sign gives the direction toward home
  int16_t positions = 0;    // cube positions
  double shiftDist = 0;     // cube units between neighbouring cubes
  double offset1 = 0;       // cube units from the home switch to cube 1
};

// The cube at a count measured from cube 1: the nearest position, halves to the even neighbour.
// Empty when the scale or distance is unusable or the number does not fit.
std::optional<int16_t> CubeAtCount(double count, double unitPerStep, double shiftDist);

class Cube {
 public:
  Cube(KeywordFiles& keywordFiles, Notifier& notifier, MotorControllers& motors)
      : keywordFiles_(keywordFiles), notifier_(notifier), motors_(motors) {}

  Result ReadPar();  // QV_PARCUBE.TXT
  Result ApplyPar();
  // Read, scale, apply, read the count back. A count that is no cube position (the changer
  // stands between cubes) still makes the changer ready: homing is what brings it back.
  Result Init();
  const CubeParams& Params() const { return par_; }

  Result Goto(int16_t cube);  // starts the move, does not wait
  // The cube in place, 1..Count(); a failure when the count cannot be read or is no cube position,
  // so that no cube is reported that Goto would refuse.
  Result ReadPos(int16_t& cube);
  Result Home();
  Result Wait();
  int16_t Count() const { return par_.positions; }
  int16_t CurrentCube() const { return currentCube_; }
  void SetCurrentCube(int16_t cube) { currentCube_ = cube; }

 private:
  int16_t Unit() const { return par_.profile.contr; }  // the changer's controller
  // The cube number nearest to the controller's count (any number); a failure when the count
  // cannot be read.
  Result ReadNearest(int16_t& cube);

  KeywordFiles& keywordFiles_;
  Notifier& notifier_;
  MotorControllers& motors_;
  CubeParams par_;
  std::optional<double> unitPerStep_;  // cube units per microstep; empty until usable
  int16_t currentCube_ = 0;            // last commanded or read, 1..positions; 0 unknown
};

// What tells the slide from the turret: its file, key prefix, and the travel of a motor turn.
struct PositionDriveKind {
  const char* word;           // command word, "Slide" or "Turn"
  const char* file;           // device file
  const char* prefix;         // of the keys in that file
  bool strokeInFile;          // the travel per turn is the file's STROKEPERROT ...
  double fixedTravelPerTurn;  // ... or this (degrees)
  const char* unit;           // what a position counts, as messages name it
};

inline constexpr PositionDriveKind kSlideKind{"Slide", "QV_PARS.TXT", "S", true, 0, "slide units"};
inline constexpr PositionDriveKind kTurretKind{"Turn", "QV_PART.TXT", "T", false, 360, "degrees"};

struct PositionDriveParams {
  DriveProfile profile;
  double strokePerRot = 0;  // units per motor turn (the slide's file only)
  int16_t motorSteps = 0;   // full steps per turn
  int32_t homeSpeed = 0;    // microsteps/s, the sign gives the direction toward home
};

class PositionDrive {
 public:
  PositionDrive(const PositionDriveKind& kind, KeywordFiles& keywordFiles, Notifier& notifier,
                MotorControllers& motors)
      : kind_(kind), keywordFiles_(keywordFiles), notifier_(notifier), motors_(motors) {}

  Result ReadPar();
  Result ApplyPar();
  Result Init();  // read, scale, apply, read the position back
  const PositionDriveParams& Params() const { return par_; }
  const PositionDriveKind& Kind() const { return kind_; }

  // Moves in the drive's unit; they start the motion and do not wait.
  Result MoveRel(double distance);
  Result MoveAbs(double target);
  Result ReadPos(double& position);
  Result Wait();
  Result Home();
  double Position() const { return position_; }  // last read, in the drive's unit

 private:
  int16_t Unit() const { return par_.profile.contr; }  // the drive's controller
  std::optional<double> Microsteps(double units) const;

  const PositionDriveKind& kind_;
  KeywordFiles& keywordFiles_;
  Notifier& notifier_;
  MotorControllers& motors_;
  PositionDriveParams par_;
  std::optional<double> unitPerStep_;  // units per microstep; empty until usable
  double position_ = 0;                // units
};

class Slide final : public PositionDrive {
 public:
  Slide(KeywordFiles& keywordFiles, Notifier& notifier, MotorControllers& motors)
      : PositionDrive(kSlideKind, keywordFiles, notifier, motors) {}
};

class Turret final : public PositionDrive {
 public:
  Turret(KeywordFiles& keywordFiles, Notifier& notifier, MotorControllers& motors)
      : PositionDrive(kTurretKind, keywordFiles, notifier, motors) {}
};

}  // namespace qv
