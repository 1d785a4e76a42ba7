// The state of a game: the variables of the main window.
#pragma once

#include <array>
#include <cstdint>

#include "base/story_values.h"
#include "base/text.h"

namespace yomite {

struct GameState {
  Text DatPath;         // the data folder, ending in the separator
  int16_t FileNo = 0;   // the open script file
  uint8_t LineCnt = 0;  // the place of the last prose line on the page
  Text CurLine;         // the line being executed
  Text NextLine;        // the lookahead line
  Boolean AutoNext = kFalse;
  Boolean QstMode = kFalse;
  int16_t DayCnt = 0;                       // picks in this game
  std::array<int16_t, 2> Visits{};          // picks of each button in this game
  int16_t QstIdx = 0;                       // the button just taken
  std::array<int16_t, kFlagCount> Flags{};  // story flags, never reset
};

}  // namespace yomite
