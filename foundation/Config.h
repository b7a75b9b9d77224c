#pragma once
// Reading QV_CONFIG.TXT and QV_SYMCONST.TXT into the shared state.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/KeywordFiles.h"
#include "foundation/SharedState.h"

namespace qv {

inline constexpr const char* kConfigFile = "QV_CONFIG.TXT";
inline constexpr const char* kSymConstFile = "QV_SYMCONST.TXT";

// The values CONTRTYPE may take: each has its driver in the controller dispatch's table.
inline constexpr std::array<std::string_view, 2> kControllerTypeNames{"EZHR17", "IM483I"};

// 1, or -1 when the file is missing, a required key is missing, or a value is not a number
// (the keys after a bad value are then not read). CONTRTYPE is taken without regard to case and
// kept in upper case ("ezhr17" is "EZHR17").
int16_t ReadConfig(KeywordFiles& keywordFiles, Configuration& config);

// What makes the configured serial line unusable although every key was read: a CONTRTYPE that
// is no controller type, a PORTTIMEOUT of 0 ms or less (the line then waits `fallbackMs` for
// a reply). One sentence each; none when all is well.
std::vector<std::string> LineSettingProblems(const Configuration& config, int16_t fallbackMs);

// 1 read; -1 file missing (the symbols stay as they were).
int16_t ReadSymConst(KeywordFiles& keywordFiles, SharedState& state);

}  // namespace qv
