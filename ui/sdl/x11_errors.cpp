#include "ui/sdl/x11_errors.h"

#include <X11/Xutil.h>

#include <cstdio>

#include "ui/sdl/x11_native.h"

namespace yomite::ui::sdl {

namespace {

// Xlib keeps one handler for the whole process, so the state it reads is
// the process's too. One window per program.
XErrorHandler previous_handler = nullptr;
int shm_opcode = 0;
bool shm_refused = false;
::Window guarded_window = 0;
bool window_gone = false;
// Counting failures of requests that may fail, instead of reporting them.
bool trapping = false;
int trapped = 0;
bool display_lost = false;

// Xlib calls this on every request that finds the connection broken, once
// it has marked the display as lost.
int OnConnectionLost(Display* display) {
  if (!display_lost) {
    std::fprintf(stderr, "yomite: the display %s is gone (its X server closed the connection)\n",
                 DisplayString(display));
  }
  display_lost = true;
  return 0;
}

// Returning instead of exiting, as Xlib's own handler does, leaves the
// display marked as lost: its requests then fail at once, and the event
// loop ends the program.
void ContinueWithoutDisplay(Display*, void*) {}

int OnXError(Display* display, XErrorEvent* error) {
  if (trapping) {
    ++trapped;
    return 0;
  }
  if (shm_opcode != 0 && error->request_code == shm_opcode) {
    shm_refused = true;
    return 0;
  }
  if (guarded_window != 0 && error->resourceid == guarded_window &&
      (error->error_code == BadWindow || error->error_code == BadDrawable)) {
    window_gone = true;
    return 0;
  }
  return previous_handler ? previous_handler(display, error) : 0;
}

}  // namespace

void CatchX11Errors() {
  if (previous_handler) return;
  previous_handler = XSetErrorHandler(OnXError);
}

bool X11Succeeds(void* display, const std::function<void()>& requests) {
  auto* d = static_cast<Display*>(display);
  CatchX11Errors();
  XSync(d, False);  // earlier errors are not ours to count
  trapping = true;
  trapped = 0;
  requests();
  XSync(d, False);
  trapping = false;
  return trapped == 0;
}

struct X11Guard::Native {
  Display* display = nullptr;
  ::Window window = 0;
  Visual* visual = nullptr;
  int depth = 0;
  GC gc = nullptr;
};

std::unique_ptr<X11Guard> X11Guard::For(SDL_Window* window) {
  std::optional<X11Native> x = NativeX11(window);
  if (!x) return nullptr;
  CatchX11Errors();
  std::unique_ptr<X11Guard> guard(new X11Guard());
  guard->native_ = std::make_unique<Native>();
  Native& n = *guard->native_;
  n.display = x->display;
  n.window = x->window;
  XWindowAttributes attributes{};
  if (XGetWindowAttributes(n.display, n.window, &attributes)) {
    n.visual = attributes.visual;
    n.depth = attributes.depth;
  }
  int opcode = 0, first_event = 0, first_error = 0;
  if (XQueryExtension(n.display, "MIT-SHM", &opcode, &first_event, &first_error)) {
    shm_opcode = opcode;
  }
  guarded_window = n.window;
  window_gone = false;
  // After SDL has opened its display: it may have set a handler of its own.
  XSetIOErrorHandler(OnConnectionLost);
  XSetIOErrorExitHandler(n.display, ContinueWithoutDisplay, nullptr);
  display_lost = false;
  return guard;
}

X11Guard::~X11Guard() {
  if (native_->gc) XFreeGC(native_->display, native_->gc);
  // Requests SDL makes for the window as it closes may still fail when it
  // was destroyed; the errors stay ours until then.
  XSync(native_->display, False);
}

bool X11Guard::SharedMemoryRefused() const { return shm_refused; }

bool X11Guard::WindowGone() const { return window_gone; }

bool X11Guard::DisplayLost() const { return display_lost; }

bool X11Guard::Destroyed(const SDL_SysWMmsg* msg) {
  if (!msg || msg->subsystem != SDL_SYSWM_X11) return false;
  const XEvent& e = msg->msg.x11.event;
  if (e.type == DestroyNotify && e.xdestroywindow.window == native_->window) window_gone = true;
  return window_gone;
}

void X11Guard::BeforeDestroy() {
  if (!window_gone && !display_lost) return;
  XEvent e{};
  e.xunmap.type = UnmapNotify;
  e.xunmap.display = native_->display;
  e.xunmap.event = native_->window;
  e.xunmap.window = native_->window;
  XPutBackEvent(native_->display, &e);
}

void X11Guard::Present(SDL_Window* window) {
  if (!shm_refused || window_gone) return;
  Native& n = *native_;
  SDL_Surface* frame = SDL_GetWindowSurface(window);
  if (!frame || !frame->pixels || !n.visual || frame->format->BitsPerPixel != 32) return;
  if (!n.gc) n.gc = XCreateGC(n.display, n.window, 0, nullptr);
  XImage* image = XCreateImage(n.display, n.visual, unsigned(n.depth), ZPixmap, 0,
                               static_cast<char*>(frame->pixels), unsigned(frame->w),
                               unsigned(frame->h), 32, frame->pitch);
  if (!image) return;
  XPutImage(n.display, n.window, n.gc, image, 0, 0, 0, 0, unsigned(frame->w), unsigned(frame->h));
  image->data = nullptr;  // the pixels are SDL's
  XDestroyImage(image);
  XFlush(n.display);
}

}  // namespace yomite::ui::sdl
