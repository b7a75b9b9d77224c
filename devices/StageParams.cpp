#include "devices/StageParams.h"

#include <string>

namespace qv {
namespace {

// Each row of the file's table holds the X key and then the Y key; missing keys are named in
// that order.
template <class T>
void Both(KeywordReader& reader, XYParams& p, const std::string& stem, T StageAxisParams::*field) {
  reader.Required("X" + stem, p.X.*field);
  reader.Required("Y" + stem, p.Y.*field);
}

}  // namespace

Result ReadXYParams(KeywordFiles& keywordFiles, XYParams& p) {
  KeywordReader reader(keywordFiles);
  if (!reader.Open(kXYFile)) return Cause::kNoParameters;
  reader.RequiredAddress("XCONTR", p.X.Contr);
  reader.RequiredAddress("YCONTR", p.Y.Contr);
  Both(reader, p, "SCREWLEAD", &StageAxisParams::ScrewLead);
  Both(reader, p, "MOTORSTEPS", &StageAxisParams::MotorSteps);
  Both(reader, p, "STEPDIVIDE", &StageAxisParams::StepDivide);
  Both(reader, p, "HOLDCURRENT", &StageAxisParams::HoldCurrent);
  Both(reader, p, "RUNCURRENT", &StageAxisParams::RunCurrent);
  Both(reader, p, "SLEWVELOCITY", &StageAxisParams::SlewVelocity);
  reader.Optional("XINITVELOCITY", p.X.InitVelocity, int32_t{1000});
  reader.Optional("YINITVELOCITY", p.Y.InitVelocity, int32_t{1000});
  Both(reader, p, "ACCELERATION", &StageAxisParams::Acceleration);
  // Without a ramp down of its own an axis brakes as it speeds up.
  reader.Optional("XDECELERATION", p.X.Deceleration, p.X.Acceleration);
  reader.Optional("YDECELERATION", p.Y.Deceleration, p.Y.Acceleration);
  Both(reader, p, "BACKLASH", &StageAxisParams::Backlash);
  Both(reader, p, "HOMESPEED", &StageAxisParams::HomeSpeed);
  reader.Required("XYMOVEOUT", p.MoveOut);
  reader.Required("XYJUMPSIZE", p.JumpSize);
  Both(reader, p, "JOYMAXSPEED", &StageAxisParams::JoyMaxSpeed);
  reader.Message("XYLIMPOLARITY", p.LimPolarity, int16_t{0});
  reader.Message("XYOUTOFHOMEUM", p.OutOfHomeUm, int16_t{0});
  reader.Optional("XYJOGSPEEDLOW", p.JogSpeedLow, int32_t{20});
  reader.Optional("XYJOGSPEEDHIGH", p.JogSpeedHigh, int32_t{200});
  return reader.Result() > 0 ? Cause::kDone : Cause::kNoParameters;
}

Result ReadZParams(KeywordFiles& keywordFiles, ZParams& p) {
  KeywordReader reader(keywordFiles);
  if (!reader.Open(kZFile)) return Cause::kNoParameters;
  reader.RequiredAddress("ZCONTR", p.Contr);
  reader.Required("ZSTROKEPERROT", p.StrokePerRot);
  reader.Required("ZMOTORSTEPS", p.MotorSteps);
  reader.Required("ZSTEPDIVIDE", p.StepDivide);
  reader.Required("ZHOLDCURRENT", p.HoldCurrent);
  reader.Required("ZRUNCURRENT", p.RunCurrent);
  reader.Required("ZSLEWVELOCITY", p.SlewVelocity);
  reader.Required("ZINITVELOCITY", p.InitVelocity);
  reader.Required("ZACCELERATION", p.Acceleration);
  reader.Required("ZDECELERATION", p.Deceleration);
  reader.Optional("ZJOGSPEEDLOW", p.JogSpeedLow, int32_t{0});
  reader.Optional("ZJOGSPEEDHIGH", p.JogSpeedHigh, int32_t{0});
  reader.Required("ZBACKLASH", p.Backlash);
  reader.Required("ZJUMPSIZE", p.JumpSize);
  reader.Required("ZCOARSEFACTOR", p.CoarseFactor);
  reader.Required("ZJOYMAXSPEED", p.JoyMaxSpeed);
  reader.Required("ZHOMESPEED", p.HomeSpeed);
  reader.Optional("ZPOWERUPORIGIN", p.PowerUpOrigin, int32_t{0});
  reader.Optional("ZLIMPOLARITY", p.LimPolarity, int16_t{0});
  reader.Optional("ZENABLELIMITS", p.EnableLimits, int16_t{0});
  return reader.Result() > 0 ? Cause::kDone : Cause::kNoParameters;
}

}  // namespace qv
