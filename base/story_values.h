// The values every layer of the story shares: its 16-bit Boolean, True = -1
// and False = 0, tested against exactly those, and the size of the flag
// table.
#pragma once

#include <cstdint>

namespace yomite {

using Boolean = int16_t;
inline constexpr Boolean kTrue = -1;
inline constexpr Boolean kFalse = 0;

inline constexpr int kFlagCount = 10001;  // indexes 0 to 10000

}  // namespace yomite
