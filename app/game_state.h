// The state of a game: the variables of the main window. Booleans are
// 16-bit values, True = -1 and False = 0, tested against exactly those.
#pragma once

#include <array>
#include <cstdint>

#include "base/text.h"

namespace yomite {

using Boolean = int16_t;
inline constexpr Boolean kTrue = -1;
inline constexpr Boolean kFalse = 0;

inline constexpr int kFlagCount = 10001;  // indexes 0 to 10000

struct GameState {
  Text DatPath;          // the data folder, ending in the separator
  int16_t FileNo = 0;    // the open script file
  uint8_t LineCnt = 0;   // the place of the last prose line on the page
  Text CurLine;          // the line being executed
  Text NextLine;         // the lookahead line
  Boolean AutoNext = kFalse;
  Boolean QstMode = kFalse;
  int16_t DayCnt = 0;    // picks in this game
  std::array<int16_t, 2> Visits{};  // picks of each button in this game
  int16_t QstIdx = 0;    // the button just taken
  std::array<int16_t, kFlagCount> Flags{};  // story flags, never reset
};

}  // namespace yomite
