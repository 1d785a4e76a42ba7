#include "ui/sdl/x11_cover.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <charconv>

#include "ui/sdl/x11_errors.h"
#include "ui/sdl/x11_native.h"

namespace yomite::ui::sdl {

namespace {

::Window WindowProperty(Display* display, ::Window window, Atom name) {
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  ::Window value = 0;
  if (XGetWindowProperty(display, window, name, 0, 1, False, XA_WINDOW, &type, &format, &items,
                         &after, &data) == Success &&
      type == XA_WINDOW && format == 32 && items == 1 && data) {
    value = static_cast<::Window>(*reinterpret_cast<unsigned long*>(data));
  }
  if (data) XFree(data);
  return value;
}

// The window a live EWMH window manager names on the root window, which
// names itself again; 0 when there is none. One that died leaves the
// root's property naming a window that no longer exists.
::Window WindowManagerCheck(Display* display, ::Window root) {
  Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return 0;
  ::Window child = WindowProperty(display, root, check);
  if (child == 0) return 0;
  ::Window self = 0;
  if (!X11Succeeds(display, [&] { self = WindowProperty(display, child, check); })) return 0;
  return self == child ? child : 0;
}

::Window RootOf(Display* display, ::Window window) {
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, window, &attributes)) return DefaultRootWindow(display);
  return attributes.root;
}

// The window lies in another client's window (a window manager's frame).
bool FramedByWindowManager(Display* display, ::Window window, ::Window root) {
  ::Window root_return = 0, parent = 0;
  ::Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, window, &root_return, &parent, &children, &count)) return false;
  if (children) XFree(children);
  return parent != 0 && parent != root;
}

}  // namespace

bool X11WithoutWindowManager(SDL_Window* window) {
  std::optional<X11Native> x = NativeX11(window);
  return x && WindowManagerCheck(x->display, RootOf(x->display, x->window)) == 0;
}

int ScreenOfDisplayName(std::string_view name) {
  size_t colon = name.rfind(':');
  if (colon == std::string_view::npos) return 0;
  size_t dot = name.find('.', colon);
  if (dot == std::string_view::npos) return 0;
  int screen = 0;
  auto [rest, error] = std::from_chars(name.data() + dot + 1, name.data() + name.size(), screen);
  if (error != std::errc() || rest != name.data() + name.size() || screen < 0) return 0;
  return screen;
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

struct X11Cover::Native {
  Display* display = nullptr;
  ::Window window = 0;
  ::Window root = 0;
  // The window manager's check window we watch for its end.
  ::Window watched = 0;
  Atom check = None;
  Atom state = None;
  Atom fullscreen = None;
  Atom active = None;
  // Placed by us over the root's size of the last cover, there being no
  // EWMH window manager to ask: a later move or resize by someone else
  // (a window manager starting, taking the window and letting it go) is
  // undone.
  bool placed = false;
  int width = 0;
  int height = 0;
};

std::unique_ptr<X11Cover> X11Cover::For(SDL_Window* window) {
  std::optional<X11Native> x = NativeX11(window);
  if (!x) return nullptr;
  std::unique_ptr<X11Cover> cover(new X11Cover());
  cover->native_ = std::make_unique<Native>();
  Native& n = *cover->native_;
  n.display = x->display;
  n.window = x->window;
  n.root = RootOf(n.display, n.window);
  n.check = XInternAtom(n.display, "_NET_SUPPORTING_WM_CHECK", False);
  n.state = XInternAtom(n.display, "_NET_WM_STATE", False);
  n.fullscreen = XInternAtom(n.display, "_NET_WM_STATE_FULLSCREEN", False);
  n.active = XInternAtom(n.display, "_NET_ACTIVE_WINDOW", False);
  XChangeProperty(n.display, n.window, n.state, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&n.fullscreen), 1);
  // Other parts of the program may listen on the root too: add to their
  // events, do not replace them.
  XWindowAttributes attributes{};
  long mask = XGetWindowAttributes(n.display, n.root, &attributes) ? attributes.your_event_mask : 0;
  XSelectInput(n.display, n.root, mask | PropertyChangeMask | StructureNotifyMask);
  return cover;
}

X11Cover::~X11Cover() = default;

bool X11Cover::Concerns(const SDL_SysWMmsg* msg) const {
  if (!msg || msg->subsystem != SDL_SYSWM_X11) return false;
  const Native& n = *native_;
  const XEvent& e = msg->msg.x11.event;
  switch (e.type) {
    case PropertyNotify:
      return e.xproperty.window == n.root && e.xproperty.atom == n.check;
    case ConfigureNotify:
      if (e.xconfigure.window == n.root) return true;
      return n.placed && e.xconfigure.window == n.window &&
             (e.xconfigure.x != 0 || e.xconfigure.y != 0 || e.xconfigure.width != n.width ||
              e.xconfigure.height != n.height);
    case ReparentNotify:
      return e.xreparent.window == n.window;
    case DestroyNotify:
      return n.watched != 0 && e.xdestroywindow.window == n.watched;
    default:
      return false;
  }
}

bool X11Cover::Misplaced() const {
  const Native& n = *native_;
  bool misplaced = false;
  X11Succeeds(n.display, [&] {
    XWindowAttributes root{}, a{};
    if (!XGetWindowAttributes(n.display, n.root, &root) ||
        !XGetWindowAttributes(n.display, n.window, &a) ||
        WindowManagerCheck(n.display, n.root) != 0) {
      return;
    }
    misplaced = a.map_state != IsViewable || a.x != 0 || a.y != 0 || a.width != root.width ||
                a.height != root.height || FramedByWindowManager(n.display, n.window, n.root);
  });
  return misplaced;
}

void X11Cover::Reveal() {
  Native& n = *native_;
  // Mapping an iconic window is how a client restores it; the activation
  // message is how an EWMH window manager is asked to show it in front.
  XMapRaised(n.display, n.window);
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = n.window;
  e.xclient.message_type = n.active;
  e.xclient.format = 32;
  // As a task bar asks: an application's own request may be refused by a
  // window manager that prevents focus stealing, and the user must see
  // the error.
  e.xclient.data.l[0] = 2;
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(n.display, n.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  XFlush(n.display);
}

void X11Cover::Cover(int* screen_width, int* screen_height) {
  Native& n = *native_;
  XWindowAttributes root{};
  if (!XGetWindowAttributes(n.display, n.root, &root)) return;
  *screen_width = root.width;
  *screen_height = root.height;
  ::Window wm = WindowManagerCheck(n.display, n.root);
  if (wm != 0 && wm != n.watched) {
    if (X11Succeeds(n.display, [&] { XSelectInput(n.display, wm, StructureNotifyMask); })) {
      n.watched = wm;
    }
  }
  if (wm != 0) {
    // The request a window manager takes from a window it manages.
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = n.window;
    e.xclient.message_type = n.state;
    e.xclient.format = 32;
    e.xclient.data.l[0] = 1;  // add
    e.xclient.data.l[1] = long(n.fullscreen);
    e.xclient.data.l[3] = 1;  // from an application
    XSendEvent(n.display, n.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  } else {
    if (FramedByWindowManager(n.display, n.window, n.root)) {
      // A window manager without EWMH (twm) took the window into a frame
      // with a title bar; it knows no full-screen request. A window it
      // may not manage is one it cannot frame.
      XSetWindowAttributes unmanaged{};
      unmanaged.override_redirect = True;
      XChangeWindowAttributes(n.display, n.window, CWOverrideRedirect, &unmanaged);
      XUnmapWindow(n.display, n.window);
      XReparentWindow(n.display, n.window, n.root, 0, 0);
      XMapWindow(n.display, n.window);
    }
    XMoveResizeWindow(n.display, n.window, 0, 0, unsigned(root.width), unsigned(root.height));
    // Mapped again too: a window manager that took the window as it
    // started may have left it unmapped.
    XMapRaised(n.display, n.window);
  }
  XFlush(n.display);
}

}  // namespace yomite::ui::sdl
