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
  reader.RequiredAddress("XCONTR", p.X.profile.contr);
  reader.RequiredAddress("YCONTR", p.Y.profile.contr);
  Both(reader, p, "SCREWLEAD", &StageAxisParams::ScrewLead);
  Both(reader, p, "MOTORSTEPS", &StageAxisParams::MotorSteps);
  ReadProfileSettings(reader, {{"X", p.X.profile}, {"Y", p.Y.profile}},
                      {.initVelocity = 1000, .rampDownFromRampUp = true});
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
  reader.RequiredAddress("ZCONTR", p.profile.contr);
  reader.Required("ZSTROKEPERROT", p.StrokePerRot);
  reader.Required("ZMOTORSTEPS", p.MotorSteps);
  ReadProfileSettings(reader, {{"Z", p.profile}});
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
