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
// The About box's last line is an address: the project has no web page, so
// it names where the documentation is, wherever yomite was installed.
inline constexpr const char16_t* kDocumentation = u"man:yomite(6)";

}  // namespace yomite
