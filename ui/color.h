#pragma once

#include <cstdint>
#include <string>

namespace yomite::ui {

struct Color {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Color&) const = default;
};

inline constexpr Color kBlack{0, 0, 0};
inline constexpr Color kWhite{255, 255, 255};

// "#RRGGBB"
std::string ToHex(Color c);

}  // namespace yomite::ui
