#include "ui/sdl/x11_cover.h"

#include <X11/Xatom.h>

#include <algorithm>

#include "ui/sdl/x11_native.h"

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
  std::optional<X11Native> x = NativeX11(window);
  return x && !HasWindowManager(x->display);
}

bool X11FillsWithBlack(SDL_Window* window) {
  std::optional<X11Native> x = NativeX11(window);
  if (!x) return false;
  XSetWindowBackground(x->display, x->window, BlackPixel(x->display, DefaultScreen(x->display)));
  return true;
}

bool X11MapWithoutWaiting(SDL_Window* window) {
  std::optional<X11Native> x = NativeX11(window);
  if (!x) return false;
  XMapRaised(x->display, x->window);
  XFlush(x->display);
  return true;
}

void CoverDisplay(SDL_Window* window) {
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(window)), &bounds) != 0) return;
  SDL_SetWindowPosition(window, bounds.x, bounds.y);
  SDL_SetWindowSize(window, bounds.w, bounds.h);
  // The server reports the move and the resize as events; SDL takes the
  // sizes they carry for the window's own, and would first make a frame
  // buffer of the old size again. Read them now, while it has none.
  if (std::optional<X11Native> x = NativeX11(window)) XSync(x->display, False);
  SDL_PumpEvents();
}

}  // namespace yomite::ui::sdl
