#include "ui/sdl/desktop_dpi.h"

#include <charconv>
#include <string>

#include "ui/sdl/x11_native.h"

namespace yomite::ui::sdl {

namespace {

// Outside these a setting or a reported screen size is a mistake: text
// would be unreadably small or not fit on the screen.
constexpr double kLowestDpi = 48.0;
constexpr double kHighestDpi = 480.0;

std::optional<double> Usable(double dpi) {
  if (!(dpi >= kLowestDpi && dpi <= kHighestDpi)) return std::nullopt;
  return dpi;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

std::optional<double> XftDpi(std::string_view resources) {
  std::optional<double> found;
  while (!resources.empty()) {
    size_t end = resources.find('\n');
    std::string_view line = resources.substr(0, end);
    resources.remove_prefix(end == std::string_view::npos ? resources.size() : end + 1);
    size_t colon = line.find(':');
    if (colon == std::string_view::npos || Trim(line.substr(0, colon)) != "Xft.dpi") continue;
    std::string_view value = Trim(line.substr(colon + 1));
    double dpi = 0;
    auto [rest, error] = std::from_chars(value.data(), value.data() + value.size(), dpi);
    if (error != std::errc() || rest != value.data() + value.size()) continue;
    if (std::optional<double> usable = Usable(dpi)) found = usable;
  }
  return found;
}

std::optional<double> ScreenDpi(int pixels, int millimetres) {
  if (pixels <= 0 || millimetres <= 0) return std::nullopt;
  return Usable(pixels * 25.4 / millimetres);
}

double DesktopDpi(SDL_Window* window) {
  std::optional<X11Native> x = NativeX11(window);
  if (!x) return kStandardDpi;
  if (const char* resources = XResourceManagerString(x->display)) {
    if (std::optional<double> dpi = XftDpi(resources)) return *dpi;
  }
  const int screen = DefaultScreen(x->display);
  return ScreenDpi(DisplayHeight(x->display, screen), DisplayHeightMM(x->display, screen))
      .value_or(kStandardDpi);
}

}  // namespace yomite::ui::sdl
