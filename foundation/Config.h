#pragma once
// Reading QV_CONFIG.TXT and QV_SYMCONST.TXT into the shared state.
#include <cstdint>

#include "foundation/SharedState.h"
#include "foundation/Trapar.h"

namespace qv {

inline constexpr const char* kConfigFile = "QV_CONFIG.TXT";
inline constexpr const char* kSymConstFile = "QV_SYMCONST.TXT";

// 1, or -1 when the file is missing, a required key is missing, or a value is not a number
// (the keys after a bad value are then not read).
int16_t ReadConfig(Trapar& trapar, Configuration& config);

// 1 read; -1 file missing (the symbols stay as they were).
int16_t ReadSymConst(Trapar& trapar, SharedState& state);

}  // namespace qv
