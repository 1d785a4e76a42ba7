// The rule that names the scene a pick opens, and the captions of the two
// buttons: the player's choice menu and the story checker both use these,
// so they cannot disagree about which files a story needs.
#pragma once

#include <cstdint>
#include <string>

#include "base/text.h"

namespace yomite::choice {

// Two character buttons, index 0 and 1.
inline constexpr int kButtons = 2;
// Picks 1 to 8 of a game open scenes; the ninth and every later one opens
// the bad ending.
inline constexpr int kScenePicks = 8;
inline constexpr const char16_t* kBadEnding = u"bad";

// The captions the layout gives the buttons, by index.
inline constexpr const char16_t* kButtonCaptions[kButtons] = {u"お兄さん", u"柚木さん"};

// The scene a pick of button opens, given the picks made before it in this
// game (day_count) and the earlier picks of that button (visits): "b_v" in
// plain digits, or "bad" from the ninth pick on.
inline Text SceneName(long day_count, int button, long visits) {
  if (day_count >= kScenePicks) return kBadEnding;
  return FromUtf8(std::to_string(button) + "_" + std::to_string(visits));
}

}  // namespace yomite::choice
