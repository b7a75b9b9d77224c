#pragma once
// The keys of the stage and focus device files, loaded under the device files' rules.
#include <cstdint>

#include "controllers/Result.h"
#include "devices/DriveProfile.h"
#include "foundation/KeywordReader.h"

namespace qv {

inline constexpr const char* kXYFile = "QV_PARXY.TXT";
inline constexpr const char* kZFile = "QV_PARZ.TXT";

// One stage axis: the X keys of QV_PARXY.TXT, or the same keys with Y.
struct StageAxisParams {
  DriveProfile profile;     // the address and motion keys (CONTR, STEPDIVIDE, ...)
  double ScrewLead = 0;     // mm per motor revolution
  int16_t MotorSteps = 0;   // full steps per revolution
  double Backlash = 0;      // microns
  int32_t HomeSpeed = 0;    // microsteps/s, the sign points toward home
  int32_t JoyMaxSpeed = 0;  // microsteps/s at full joystick deflection
};

struct XYParams {
  StageAxisParams X;
  StageAxisParams Y;
  double MoveOut = 0;        // microsteps moved away from home before homing (sign ignored)
  double JumpSize = 0;       // microns, one stage jump
  int16_t LimPolarity = 0;   // 0 or 1; 1 also homes an IM483I stage onto its limit switches
  int16_t OutOfHomeUm = 0;   // microns from the home switch to the stage origin (EZHR17)
  int32_t JogSpeedLow = 0;   // microsteps/s
  int32_t JogSpeedHigh = 0;  // microsteps/s
};

struct ZParams {
  DriveProfile profile;       // the address and motion keys (CONTR, STEPDIVIDE, ...)
  double StrokePerRot = 0;    // mm per motor revolution
  int16_t MotorSteps = 0;     // full steps per revolution
  int32_t JogSpeedLow = 0;    // microsteps/s
  int32_t JogSpeedHigh = 0;   // microsteps/s
  double Backlash = 0;        // microns; kept, no focus motion uses it
  double JumpSize = 0;        // microns, the fine focus step
  int16_t CoarseFactor = 0;   // the coarse step is this many fine steps
  int32_t JoyMaxSpeed = 0;    // microsteps/s at full joystick deflection
  int32_t HomeSpeed = 0;      // microsteps/s, the sign gives the direction to the limit
  int32_t PowerUpOrigin = 0;  // microsteps: the controller count that means Z = 0
  int16_t LimPolarity = 0;    // 0 or 1
  int16_t EnableLimits = 0;   // 0 or 1
};

// No parameters when the file or a required key is missing (each named in a message). Variables of
// missing required keys keep their previous values.
Result ReadXYParams(KeywordFiles& keywordFiles, XYParams& params);
Result ReadZParams(KeywordFiles& keywordFiles, ZParams& params);

}  // namespace qv
