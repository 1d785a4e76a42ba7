#include "ui/sdl/x11_cover.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

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

void CoverDisplayWithoutWindowManager(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  Display* display = info.info.x11.display;
  if (HasWindowManager(display)) return;
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window), &bounds) != 0) return;
  XWindowAttributes now;
  if (XGetWindowAttributes(display, info.info.x11.window, &now) && now.x == bounds.x &&
      now.y == bounds.y && now.width == bounds.w && now.height == bounds.h) {
    return;
  }
  XMoveResizeWindow(display, info.info.x11.window, bounds.x, bounds.y, bounds.w, bounds.h);
  XFlush(display);
}

}  // namespace yomite::ui::sdl
