#pragma once

namespace yomite {

inline constexpr const char* kVersion = "0.1.0";
inline constexpr const char16_t* kVersionText = u"yomite 0.1.0";
// Shown in the About box.
inline constexpr const char16_t* kCreditLine = u"物語プレーヤー yomite の開発者一同";
inline constexpr const char16_t* kHomePage = u"https://yomite.example.org/";

}  // namespace yomite
