#include "ui/sdl/sdl_backend.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "base/end_signals.h"
#include "base/printable.h"
#include "ui/sdl/desktop_dpi.h"
#include "ui/sdl/end_request.h"
#include "ui/sdl/icon.h"
#include "ui/sdl/wayland_display.h"
#include "ui/sdl/wayland_seat.h"
#include "ui/sdl/x11_cover.h"
#include "ui/sdl/x11_sleep.h"
#include "ui/timer.h"

namespace yomite::ui::sdl {

namespace {

int ButtonCode(uint8_t sdl_button) {
  switch (sdl_button) {
    case SDL_BUTTON_LEFT:
      return kLeftButton;
    case SDL_BUTTON_RIGHT:
      return kRightButton;
    case SDL_BUTTON_MIDDLE:
      return kMiddleButton;
    default:
      return 0;
  }
}

bool Inside(const SDL_Rect& r, double x, double y) {
  return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
}

// The box's text as one line per line, for the system's own box.
std::string PlainLines(const Text& text) {
  Text plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    plain += text[i] == u'\r' ? u'\n' : text[i];
  }
  return ToUtf8(plain);
}

// Keys that close a message box, as on its OK button.
bool ClosesBox(SDL_Keycode key) {
  return key == SDLK_RETURN || key == SDLK_KP_ENTER || key == SDLK_ESCAPE || key == SDLK_SPACE;
}

// Every event of the keyboard and the mouse.
void FlushInput() { SDL_FlushEvents(SDL_KEYDOWN, SDL_MOUSEWHEEL); }

// While only timers are due the loop sleeps without asking SDL, but asks
// it at least this often: events other threads post (a close request from
// a signal) do not wake the X connection.
constexpr uint64_t kPumpEveryMs = 100;

// Events handled in one pass before the timers get their turn, so a flood
// of pointer motion cannot hold the text back.
constexpr int kMaxEventsPerPass = 64;

// While a long action runs, how often it looks for a request to end in the
// queue: often enough that End answers within a frame or two.
constexpr uint64_t kEndPeekEveryMs = 20;
// How often a window placed by us is looked at, a round trip to the X
// server each time.
constexpr uint64_t kPlaceCheckEveryMs = 1000;

// The first frame writes every pixel of the software renderer's frame, a
// full-screen buffer the system hands out page by page as it is first
// touched. Asking for all its pages in one call costs a few milliseconds
// where two thousand page faults cost twenty or more on a virtual machine.
void PrefaultSoftwareFrame(SDL_Window* window) {
#if defined(__linux__)
  constexpr int kPopulateWrite = 23;  // MADV_POPULATE_WRITE, Linux 5.14; older kernels refuse it
  SDL_Surface* frame = SDL_GetWindowSurface(window);
  if (!frame || !frame->pixels) return;
  const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t begin = reinterpret_cast<uintptr_t>(frame->pixels) & ~(page - 1);
  const uintptr_t end = reinterpret_cast<uintptr_t>(frame->pixels) +
                        static_cast<uintptr_t>(frame->pitch) * static_cast<uintptr_t>(frame->h);
  madvise(reinterpret_cast<void*>(begin), end - begin, kPopulateWrite);
#else
  (void)window;
#endif
}

// Without a display SDL falls back to drivers that show nothing (offscreen,
// dummy): a player nobody can see would play its music and never end. They
// are used only when asked for by name, as the tests do.
bool ShowsWindows(const char* driver) {
  if (!driver) return false;
  if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0 &&
      std::strcmp(driver, "evdev") != 0) {
    return true;
  }
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  return asked && SDL_strcasecmp(asked, driver) == 0;
}

bool IsSet(const char* name) {
  const char* value = SDL_getenv(name);
  return value && *value;
}

std::string NoDisplayMessage() {
  if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) {
    return "no display to show it on (neither DISPLAY nor WAYLAND_DISPLAY is set)";
  }
  const char* display = SDL_getenv("DISPLAY");
  const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
  return std::string("cannot reach the display (DISPLAY=") + (display ? display : "") +
         ", WAYLAND_DISPLAY=" + (wayland ? wayland : "") + ")";
}

// Sees each event as SDL queues it, during a long action too: the window's
// destruction by another client is noted however many events wait ahead
// of it in the queue.
int NoteDestroyed(void* guard, SDL_Event* event) {
  if (event->type == SDL_SYSWMEVENT) static_cast<X11Guard*>(guard)->Destroyed(event->syswm.msg);
  return 1;
}

// SDL's software renderer draws straight into the window's own surface.
bool DrawsIntoWindowSurface(SDL_Renderer* renderer) {
  SDL_RendererInfo info{};
  return SDL_GetRendererInfo(renderer, &info) == 0 && std::strcmp(info.name, "software") == 0;
}

}  // namespace

std::unique_ptr<SdlBackend> SdlBackend::Create(const Options& options, std::string* error) {
  CatchEndSignalsBeforeSdl();
  // The first click on the window counts even when it was not focused.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // A reader waiting on a page is idle: the screen saver may come on.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // The window redraws a few rectangles, lines of text and one picture at
  // most ten times a second: SDL's software renderer on the X server's
  // shared memory does that in a few milliseconds and starts at once, where
  // loading OpenGL costs most of a second on a machine without a GPU. The
  // environment variables of the same names still choose otherwise.
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // The window's class, which task switchers and the desktop entry's
  // StartupWMClass match; SDL would take the executable's file name. SDL
  // 2.26 reads these from the environment; one set by the user stays.
  SDL_setenv("SDL_VIDEO_X11_WMCLASS", "yomite", 0);
  SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", "yomite", 0);
  SDL_SetHint(SDL_HINT_APP_NAME, "yomite");
  // A borderless full-screen window has no decorations to draw: libdecor
  // would only print, where it finds no plug-in, that it draws none.
  SDL_SetHint(SDL_HINT_VIDEO_WAYLAND_ALLOW_LIBDECOR, "0");
  // With neither X nor Wayland named, SDL's probes would print complaints of
  // their own before falling back to a driver that shows nothing.
  if (!SDL_getenv("SDL_VIDEODRIVER") && !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) {
    if (error) *error = NoDisplayMessage();
    return nullptr;
  }
  // X alone: SDL would also probe Wayland, whose library prints a complaint
  // of its own when the X server cannot be reached.
  if (!SDL_getenv("SDL_VIDEODRIVER") && !IsSet("WAYLAND_DISPLAY")) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  }
  // With RandR SDL lists the outputs of every X screen, screen 0's first,
  // and opens windows on the first: DISPLAY=:0.1 would show it on screen
  // 0. Without, it knows only the screen DISPLAY names.
  if (const char* display = SDL_getenv("DISPLAY");
      display && ScreenOfDisplayName(display) != 0 && !SDL_getenv("SDL_VIDEO_X11_XRANDR")) {
    SDL_SetHint(SDL_HINT_VIDEO_X11_XRANDR, "0");
  }
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  if (asked ? SDL_strcasecmp(asked, "wayland") == 0
            : !IsSet("DISPLAY") && IsSet("WAYLAND_DISPLAY")) {
    if (WaylandOffersSeat() == false) {
      if (error) *error = "the Wayland compositor offers no seat (no pointer, no keyboard)";
      return nullptr;
    }
  }
  CatchX11Errors();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    if (error) *error = IsSet("WAYLAND_DISPLAY") ? SDL_GetError() : NoDisplayMessage();
    return nullptr;
  }
  if (!ShowsWindows(SDL_GetCurrentVideoDriver())) {
    if (error) *error = NoDisplayMessage();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  // Wayland has no window surface to draw into: the software renderer
  // would draw a frame of the window's size in points into a texture that
  // another renderer loads anyway, doubled on a HiDPI output. SDL's own
  // choice draws at the output's pixels (ALLOW_HIGHDPI); the hints set in
  // the environment still win.
  if (SDL_strcmp(SDL_GetCurrentVideoDriver(), "wayland") == 0) {
    SDL_ResetHint(SDL_HINT_RENDER_DRIVER);
    SDL_ResetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
  }
  if (TTF_WasInit() == 0 && TTF_Init() != 0) {
    if (error) *error = TTF_GetError();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  std::unique_ptr<SdlBackend> b(new SdlBackend());
  b->min_timer_period_ms_ = options.min_timer_period_ms;

  // Hidden until it has its final size, so that it is mapped once.
  uint32_t flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_HIDDEN;
  b->window_ = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                options.restored_width, options.restored_height, flags);
  if (!b->window_) {
    if (error) *error = SDL_GetError();
    return nullptr;
  }
  b->x11_ = X11Guard::For(b->window_);
  // SDL passes on the X events it has no use for; one says the window was
  // destroyed by another client.
  if (b->x11_) {
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    SDL_AddEventWatch(&NoteDestroyed, b->x11_.get());
  }
  bool covered = false;
  if (options.fullscreen) {
    if (X11WithoutWindowManager(b->window_)) {
      CoverDisplay(b->window_);
      covered = true;
    } else {
      SDL_SetWindowFullscreen(b->window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
  }
  // Black until the story has laid the window out and drawn it. On X11
  // the server paints that as it maps the window; presenting a black frame
  // of our own first would cost a full-screen upload before the first page.
  b->black_by_server_ = X11FillsWithBlack(b->window_);
  if (options.fullscreen) b->cover_ = X11Cover::For(b->window_);
  if (SDL_Surface* icon = MakeIcon()) {
    SDL_SetWindowIcon(b->window_, icon);
    SDL_FreeSurface(icon);
  }
  // A window we sized ourselves has its final size already, and its
  // renderer can come before it is shown. Otherwise the size change arrives
  // as an event; a renderer made before SDL has read it would make its
  // full-screen buffer a second time.
  if (!covered) {
    SDL_ShowWindow(b->window_);
    SDL_PumpEvents();
  }
  b->renderer_ = SDL_CreateRenderer(b->window_, -1, 0);
  if (!b->renderer_) b->renderer_ = SDL_CreateRenderer(b->window_, -1, SDL_RENDERER_SOFTWARE);
  if (!b->renderer_) {
    if (error) *error = SDL_GetError();
    return nullptr;
  }
  const bool software = DrawsIntoWindowSurface(b->renderer_);
  int frame_w = 0, frame_h = 0;
  SDL_GetWindowSizeInPixels(b->window_, &frame_w, &frame_h);
  // A window beyond the bound is asked for a smaller size before it is
  // drawn: its full-size frame is not made (see UpdateSize), neither here
  // nor by the black frame below.
  const bool within_bound = BoundedInnerSize(frame_w, frame_h) == PixelSize{frame_w, frame_h};
  if (software && within_bound) PrefaultSoftwareFrame(b->window_);
  if (covered) {
    // Mapping a full-screen window and painting it black costs the X
    // server tens of milliseconds: it does that while we make the first
    // page, and SDL waits for it only just before that page is presented.
    if (X11MapWithoutWaiting(b->window_)) {
      b->show_pending_ = true;
    } else {
      SDL_ShowWindow(b->window_);
    }
  }
  b->sleeper_ = X11Sleeper::For(b->window_);
  SDL_StopTextInput();  // the player takes no typed text
  if (!b->black_by_server_ && within_bound) {
    SDL_SetRenderDrawColor(b->renderer_, 0, 0, 0, 255);
    SDL_RenderClear(b->renderer_);
    SDL_RenderPresent(b->renderer_);
  }

  SDL_DisplayMode mode{};
  int display = std::max(0, SDL_GetWindowDisplayIndex(b->window_));
  if (SDL_GetDesktopDisplayMode(display, &mode) == 0) {
    b->screen_width_ = mode.w;
    b->screen_height_ = mode.h;
  } else {
    b->screen_width_ = options.restored_width;
    b->screen_height_ = options.restored_height;
  }

  if (std::optional<FontFile> font = FindJapaneseUiFont()) {
    b->fonts_ = std::make_unique<FontCache>(*font);
  }
  b->painter_ = std::make_unique<Painter>(b->renderer_, b->fonts_.get());
  b->painter_->SetDpi(DesktopDpi(b->window_));
  if (!b->painter_->HasFont()) {
    std::fprintf(stderr,
                 "yomite: no Japanese font found (fontconfig sans-serif:lang=ja); "
                 "text will not be shown. Install %s.\n",
                 kJapaneseFontPackage);
    b->font_checked_ = true;
  }
  return b;
}

SdlBackend::~SdlBackend() {
  buffers_.DropTextures();
  painter_.reset();
  fonts_.reset();
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (x11_) x11_->BeforeDestroy();
  if (window_) SDL_DestroyWindow(window_);
  if (x11_) SDL_DelEventWatch(&NoteDestroyed, x11_.get());
  x11_.reset();
  TTF_Quit();
  SDL_Quit();
}

void SdlBackend::Attach(Window& window) {
  model_ = &window;
  dispatch_.emplace(window, min_timer_period_ms_, Now());
  dispatch_->report = [this](const RuntimeError& error) { Report(error); };
  model_->SetScreenSizePx(screen_width_, screen_height_);
  // Twips follow the desktop's DPI as points do, so sizes the story
  // derives from the screen in twips come out the same in pixels.
  model_->SetDotsPerInch(painter_->dpi());
  UpdateSize();
}

int SdlBackend::Run(Window& window) {
  Attach(window);
  // Created, before it is first shown: the story's start-up.
  dispatch_->Start([this] {
    if (!show_pending_) TakeFocus();
    SDL_PumpEvents();
    UpdateSize();
  });
  SDL_Event event;
  while (!ended_) {
    try {
      // Memory that runs out between the handlers (drawing a caption,
      // laying out a box) is reported as it is inside them.
      Guard([&] { RunPass(event); });
    } catch (const std::bad_alloc&) {
      // Not even the report could be made: the line on standard error and
      // the exit status still say it.
      std::fputs("yomite: Run-time error 7: Out of memory\n", stderr);
      End();
    }
  }
  Hide();
  if (int signal = CaughtEndSignal()) return 128 + signal;
  // As when there is no display to start on. On X11 the line was said as
  // the connection broke; on Wayland SDL made it a quit request.
  if (x11_ && x11_->DisplayLost()) return 1;
  if (!x11_ && WaylandDisplayLost(window_)) {
    std::fprintf(stderr, "yomite: the display %s is gone (its compositor closed the connection)\n",
                 WaylandDisplayName().c_str());
    return 1;
  }
  return dispatch_->failed() ? 1 : 0;
}

void SdlBackend::RunPass(SDL_Event& event) {
  if (CaughtEndSignal()) quit_requested_ = true;
  if (x11_ && (x11_->WindowGone() || x11_->DisplayLost())) quit_requested_ = true;
  CoverAgain();
  if (quit_requested_) {
    Quit();
    return;
  }
  if (layout_pending_) {
    layout_pending_ = false;
    Layout();
    return;
  }
  RunTimers();
  if (ended_) return;
  if (dirty_) Draw();
  if (on_first_wait) {
    std::function<void()> first = std::move(on_first_wait);
    on_first_wait = nullptr;
    if (!Guard(first)) return;
  }
  int timeout = -1;
  if (std::optional<uint64_t> next = dispatch_->timers().NextDeadline()) {
    uint64_t now = Now();
    timeout = *next > now ? int(std::min<uint64_t>(*next - now, 1u << 30)) : 0;
  }
  bool got = false;
  if (sleeper_) {
    // On X11 the loop never waits in SDL: see WaitForEvent.
    if (timeout != 0 && !SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) {
      uint64_t now = Now();
      if (now < last_pump_ + kPumpEveryMs) {
        int nap = int(last_pump_ + kPumpEveryMs - now);
        if (timeout > 0) nap = std::min(nap, timeout);
        if (sleeper_->SleepIfIdle(nap)) return;  // a timer or the next pump is due
      }
    }
    last_pump_ = Now();
    got = SDL_PollEvent(&event);
  } else {
    last_pump_ = Now();
    got = timeout < 0 ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, timeout);
  }
  for (int n = 0; got && !ended_ && !quit_requested_; ++n) {
    Handle(event);
    if (n + 1 >= kMaxEventsPerPass) break;
    got = SDL_PollEvent(&event);
  }
}

bool SdlBackend::WaitForEvent(SDL_Event* event) {
  while (!SDL_PollEvent(event)) {
    if (CaughtEndSignal() || (x11_ && x11_->DisplayLost())) {
      quit_requested_ = true;
      return false;
    }
    if (sleeper_) {
      sleeper_->SleepIfIdle(int(kPumpEveryMs));
    } else {
      SDL_WaitEventTimeout(nullptr, int(kPumpEveryMs));
    }
  }
  return true;
}

bool SdlBackend::EndRequested() {
  auto window_gone = [this] { return x11_ && (x11_->WindowGone() || x11_->DisplayLost()); };
  if (quit_requested_ || CaughtEndSignal() || window_gone()) return true;
  const uint64_t now = Now();
  if (now < last_end_peek_ + kEndPeekEveryMs) return false;
  last_end_peek_ = now;
  quit_requested_ = QueueAsksToEnd([this](int x, int y) {
    double px = 0, py = 0;
    ToPixels(x, y, &px, &py);
    return model_ && model_->end_control && model_->ControlAt(px, py) == model_->end_control;
  });
  // The look pumped the window system's events: one may have said the
  // window is gone.
  quit_requested_ = quit_requested_ || window_gone();
  return quit_requested_;
}

void SdlBackend::TakeFocus() {
  SDL_RaiseWindow(window_);
  // The keys that close our message boxes need the keyboard; without a
  // window manager nobody else would give it to us.
  SDL_SetWindowInputFocus(window_);
}

void SdlBackend::Report(const RuntimeError& error) {
  std::string where = error_location ? error_location() : std::string();
  std::string line = "Run-time error " + std::to_string(error.number()) + ": " + error.message();
  std::fprintf(stderr, "yomite: %s%s%s%s\n", line.c_str(), where.empty() ? "" : " (", where.c_str(),
               where.empty() ? "" : ")");
  Text text = FromUtf8(line);
  if (!where.empty()) text += u"\r\n" + FromUtf8(where);
  held_button_ = nullptr;
  Reveal();
  if (!ShowBox(ReadableBoxText(text), u"yomite")) {
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "yomite", PlainLines(text).c_str(), window_);
  }
}

void SdlBackend::Reveal() {
  // How long a window manager may take to restore the window before the
  // box opens anyway (then as the system's own box, a window of its own).
  constexpr uint64_t kRestoreWithinMs = 1000;
  bool minimized = SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED;
  if (cover_) {
    cover_->Reveal();
  } else if (ShownAnewToReveal()) {
    // Wayland lets no window raise itself without a token the compositor
    // hands out (weston offers none) and keeps minimizing to itself; a
    // window shown anew is one the compositor puts in front.
    SDL_HideWindow(window_);
    SDL_ShowWindow(window_);
    for (uint64_t until = Now() + kRestoreWithinMs;
         !(SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) && Now() < until;) {
      SDL_Delay(10);
      SDL_PumpEvents();
    }
  } else if (minimized) {
    SDL_RestoreWindow(window_);
  }
  for (uint64_t until = Now() + kRestoreWithinMs;
       minimized && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) && Now() < until;) {
    SDL_Delay(10);
    SDL_PumpEvents();
  }
  // X refuses the keyboard to a window that is not shown.
  if (!(SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED)) TakeFocus();
  UpdateSize();
}

bool SdlBackend::ShownAnewToReveal() const {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && SDL_strcmp(driver, "wayland") == 0 &&
         !(SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS);
}

void SdlBackend::Quit() {
  quit_requested_ = false;
  dispatch_->Close();
  End();
}

void SdlBackend::Layout() {
  if (modal_depth_ > 0) {
    layout_pending_ = true;
    return;
  }
  dispatch_->Layout();
}

void SdlBackend::RunTimers() {
  if (modal_depth_ > 0) return;
  dispatch_->RunTimers(Now());
}

void SdlBackend::TimerChanged(Timer& timer) {
  if (dispatch_) dispatch_->timers().Changed(timer, Now());
}

void SdlBackend::PictureBoxChanged(PictureBox& box, PictureChange change) {
  buffers_.Changed(box, change);
  dirty_ = true;
}

void SdlBackend::Hide() {
  // See X11Guard::BeforeDestroy.
  if (window_ && !(x11_ && (x11_->WindowGone() || x11_->DisplayLost()))) SDL_HideWindow(window_);
}

void SdlBackend::End() {
  ended_ = true;
  Hide();
}

bool SdlBackend::UpdateSize() {
  int ww = 0, wh = 0, ow = 0, oh = 0;
  SDL_GetWindowSize(window_, &ww, &wh);
  if (SDL_GetRendererOutputSize(renderer_, &ow, &oh) != 0) {
    ow = ww;
    oh = wh;
  }
  scale_x_ = ww > 0 ? double(ow) / ww : 1.0;
  scale_y_ = wh > 0 ? double(oh) / wh : 1.0;
  painter_->SetScale(scale_y_);
  // A minimized window has no inner area; the layout skips it.
  if (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) ow = oh = 0;
  if (!model_) return false;
  const PixelSize bounded = BoundedInnerSize(ow, oh);
  bool changed =
      bounded.width != model_->InnerWidthPx() || bounded.height != model_->InnerHeightPx();
  if (changed) model_->SetInnerSizePx(ow, oh);
  // A window the window system made larger than the window model lays out
  // (another client's `xdotool windowsize 16384 16384`) is asked back to
  // the size laid out. Until it is, nothing is drawn: the renderer's frame
  // would be as large as the window, gigabytes.
  oversized_ = bounded != PixelSize{ow, oh};
  if (oversized_) {
    SDL_SetWindowSize(window_, std::max(1, int(bounded.width / scale_x_)),
                      std::max(1, int(bounded.height / scale_y_)));
  }
  dirty_ = true;
  return changed;
}

void SdlBackend::ToPixels(int x, int y, double* px, double* py) const {
  *px = x * scale_x_;
  *py = y * scale_y_;
}

void SdlBackend::Handle(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      quit_requested_ = true;
      break;
    case SDL_WINDOWEVENT:
      HandleWindowEvent(event.window);
      break;
    case SDL_SYSWMEVENT:
      if (HandleX11Event(event.syswm.msg)) quit_requested_ = true;
      break;
    case SDL_MOUSEBUTTONDOWN:
      HandleMouseButton(event.button, true);
      break;
    case SDL_MOUSEBUTTONUP:
      HandleMouseButton(event.button, false);
      break;
    case SDL_MOUSEMOTION:
      ToPixels(event.motion.x, event.motion.y, &pointer_x_, &pointer_y_);
      if (held_button_) dirty_ = true;
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      HandleKey(event.key);
      break;
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
      buffers_.DropTextures();
      painter_->DropTextures();
      dirty_ = true;
      break;
    default:
      break;
  }
}

bool SdlBackend::HandleX11Event(const SDL_SysWMmsg* msg) {
  if (cover_ && cover_->Concerns(msg)) cover_pending_ = true;
  return x11_ && x11_->Destroyed(msg);
}

void SdlBackend::CoverAgain() {
  if (cover_ && !cover_pending_ && !show_pending_) {
    const uint64_t now = Now();
    if (now >= last_place_check_ + kPlaceCheckEveryMs) {
      last_place_check_ = now;
      cover_pending_ = cover_->Misplaced();
    }
  }
  if (!cover_pending_) return;
  cover_pending_ = false;
  int w = screen_width_, h = screen_height_;
  cover_->Cover(&w, &h);
  if (w != screen_width_ || h != screen_height_) {
    screen_width_ = w;
    screen_height_ = h;
    if (model_) model_->SetScreenSizePx(w, h);
  }
}

void SdlBackend::HandleWindowEvent(const SDL_WindowEvent& event) {
  switch (event.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      if (UpdateSize()) Layout();
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
      // Each of these lays the window out again, even at the same size.
      UpdateSize();
      Layout();
      break;
    case SDL_WINDOWEVENT_CLOSE:
      quit_requested_ = true;
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      dispatch_->keyboard().LetGo();
      dirty_ = true;
      break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SHOWN:
      dirty_ = true;
      break;
    default:
      break;
  }
}

void SdlBackend::HandleMouseButton(const SDL_MouseButtonEvent& event, bool down) {
  int code = ButtonCode(event.button);
  if (code == 0 || !model_) return;
  ToPixels(event.x, event.y, &pointer_x_, &pointer_y_);
  Control* target = model_->ControlAt(pointer_x_, pointer_y_);
  if (down) {
    // The second press of a double click (the fourth of a quadruple...).
    bool double_click = code == kLeftButton && event.clicks >= 2 && event.clicks % 2 == 0;
    if (code == kLeftButton && target && target->kind() == ControlKind::kCommandButton) {
      held_button_ = target;
      dirty_ = true;
    }
    Guard([&] { dispatch_->mouse().Press(target, code, double_click); });
  } else {
    if (code == kLeftButton && held_button_) {
      held_button_ = nullptr;
      dirty_ = true;
    }
    Guard([&] { dispatch_->mouse().Release(target, code); });
  }
}

void SdlBackend::HandleKey(const SDL_KeyboardEvent& event) {
  if (!model_) return;
  Key key;
  switch (event.keysym.sym) {
    case SDLK_TAB:
      key = Key::kTab;
      break;
    case SDLK_SPACE:
      key = Key::kSpace;
      break;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      key = Key::kReturn;
      break;
    default:
      return;  // the story takes no keys of its own
  }
  KeyboardRouter& keys = dispatch_->keyboard();
  if (event.type == SDL_KEYUP) {
    Guard([&] { keys.Release(key); });
  } else if (!(event.keysym.mod & (KMOD_CTRL | KMOD_ALT | KMOD_GUI))) {
    // With Ctrl, Alt or the logo key held the key is the desktop's (Alt+Tab).
    const bool shift = event.keysym.mod & KMOD_SHIFT;
    Guard([&] { keys.Press(key, shift, event.repeat != 0); });
  }
  dirty_ = true;
}

const Control* SdlBackend::PressedLook() const {
  if (const Control* by_key = dispatch_ ? dispatch_->keyboard().Held() : nullptr) return by_key;
  if (!held_button_ || !held_button_->CanReceiveMouse()) return nullptr;
  return held_button_->Rect().Contains(pointer_x_, pointer_y_) ? held_button_ : nullptr;
}

void SdlBackend::DrawNow() { Draw(); }

void SdlBackend::Draw() {
  dirty_ = false;
  if (!model_ || model_->InnerWidthPx() <= 0 || model_->InnerHeightPx() <= 0) return;
  if (oversized_) return;
  if (window_unpaintable_) {
    painter_->PaintBackOnly(*model_);
  } else {
    try {
      painter_->PaintWindow(*model_, buffers_, PressedLook());
    } catch (const std::bad_alloc&) {
      // The error box that reports this is drawn over the back colour
      // alone: drawing the window again would only fail again.
      window_unpaintable_ = true;
      painter_->DropCaptions();
      painter_->PaintBackOnly(*model_);
      if (!dispatch_ || !dispatch_->failed()) throw;
    }
  }
  if (box_) painter_->PaintMessageBox(*box_, box_ok_pressed_);
  if (show_pending_) {
    show_pending_ = false;
    SDL_ShowWindow(window_);
    TakeFocus();
  }
  // Every frame, the first too, goes through the renderer: a window with a
  // renderer may not have its surface sent by other means.
  SDL_RenderPresent(renderer_);
  if (x11_) x11_->Present(window_);
  painter_->EndFrame();
  if (!font_checked_) CheckFont();
  if (on_frame_presented) on_frame_presented();
}

void SdlBackend::CheckFont() {
  font_checked_ = true;
  Text page;
  for (const Control* c : model_->controls()) {
    if (c->Visible()) page += c->Caption();
  }
  if (!CoversJapanese(fonts_->file(), page)) {
    std::fprintf(stderr, "%s\n", NoJapaneseFontMessage(fonts_->file()).c_str());
  }
}

void SdlBackend::MessageBox(const Text& text, const Text& title) {
  // Without a font the box shows no text: it is said where it can be read.
  if (!painter_->HasFont()) {
    std::fprintf(stderr, "yomite: %s: %s\n", Printable(title).c_str(),
                 Printable(PlainLines(text)).c_str());
  }
  if (ShowBox(text, title)) return;
  SDL_ShowSimpleMessageBox(0, ToUtf8(title).c_str(), PlainLines(text).c_str(), window_);
  // It does not take the window's clicks away: drop what came meanwhile.
  FlushInput();
  dirty_ = true;
}

bool SdlBackend::ShowBox(const Text& text, const Text& title) {
  if (!model_) return false;
  if (model_->InnerWidthPx() <= 0) return false;
  // Time stands still for the story while the box is open: no handler
  // runs, and the timers go on afterwards where they were.
  uint64_t opened = Now();
  ++modal_depth_;
  held_button_ = nullptr;
  box_ = painter_->LayoutMessageBox(text, title, model_->InnerWidthPx(), model_->InnerHeightPx());
  box_ok_pressed_ = false;
  bool ok_held = false;
  bool open = true;
  dirty_ = true;
  SDL_Event event;
  while (open) {
    CoverAgain();
    if (dirty_) Draw();
    if (!WaitForEvent(&event)) break;
    switch (event.type) {
      case SDL_QUIT:
        quit_requested_ = true;
        open = false;
        break;
      case SDL_SYSWMEVENT:
        if (HandleX11Event(event.syswm.msg)) {
          quit_requested_ = true;
          open = false;
        }
        break;
      case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
          quit_requested_ = true;
          open = false;
        } else if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
                   event.window.event == SDL_WINDOWEVENT_RESTORED ||
                   event.window.event == SDL_WINDOWEVENT_MAXIMIZED ||
                   event.window.event == SDL_WINDOWEVENT_MINIMIZED) {
          UpdateSize();
          layout_pending_ = true;  // after the box: no handler runs now
          box_ = painter_->LayoutMessageBox(text, title, model_->InnerWidthPx(),
                                            model_->InnerHeightPx());
        }
        dirty_ = true;
        break;
      case SDL_KEYDOWN:
        if (ClosesBox(event.key.keysym.sym)) open = false;
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
      case SDL_MOUSEMOTION: {
        double x = 0, y = 0;
        if (event.type == SDL_MOUSEMOTION) {
          ToPixels(event.motion.x, event.motion.y, &x, &y);
        } else {
          ToPixels(event.button.x, event.button.y, &x, &y);
        }
        bool on_ok = Inside(box_->ok, x, y);
        if (event.type == SDL_MOUSEBUTTONDOWN && event.button.button == SDL_BUTTON_LEFT) {
          ok_held = on_ok;
        } else if (event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT) {
          // OK closes the box on its release, as a button does.
          if (ok_held && on_ok) open = false;
          ok_held = false;
        }
        bool look = ok_held && on_ok;
        if (look != box_ok_pressed_) {
          box_ok_pressed_ = look;
          dirty_ = true;
        }
        break;
      }
      default:
        break;
    }
  }
  box_.reset();
  box_ok_pressed_ = false;
  --modal_depth_;
  dispatch_->timers().Postpone(Now() - opened);
  // Clicks and keys made meanwhile were meant for the box.
  FlushInput();
  dirty_ = true;
  return true;
}

}  // namespace yomite::ui::sdl
