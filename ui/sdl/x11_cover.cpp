#include "ui/sdl/x11_cover.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>

namespace yomite::ui::sdl {

namespace {

bool HasWindowManager(Display* display) {
  Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False,
                                  XA_WINDOW, &type, &format, &items, &after, &data);
  if (data) XFree(data);
  return status == Success && type == XA_WINDOW && items == 1;
}

}  // namespace

bool X11WithoutWindowManager(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  return !HasWindowManager(info.info.x11.display);
}

bool X11FillsWithBlack(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  Display* display = info.info.x11.display;
  XSetWindowBackground(display, info.info.x11.window, BlackPixel(display, DefaultScreen(display)));
  return true;
}

void CoverDisplay(SDL_Window* window) {
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(window)), &bounds) != 0) return;
  SDL_SetWindowPosition(window, bounds.x, bounds.y);
  SDL_SetWindowSize(window, bounds.w, bounds.h);
}

}  // namespace yomite::ui::sdl
