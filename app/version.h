#pragma once

// The build defines YOMITE_VERSION from the project's version.
#ifndef YOMITE_VERSION
#error "YOMITE_VERSION is defined by the build (project VERSION in CMakeLists.txt)"
#endif

namespace yomite {

inline constexpr const char* kVersion = YOMITE_VERSION;
inline constexpr const char16_t* kVersionText = u"yomite " YOMITE_VERSION;
// Shown in the About box.
inline constexpr const char16_t* kCreditLine = u"物語プレーヤー yomite の開発者一同";
inline constexpr const char16_t* kHomePage = u"https://yomite.example.org/";

}  // namespace yomite
