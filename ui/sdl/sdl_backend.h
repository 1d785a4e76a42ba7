// The window system on SDL2: one borderless window over the whole screen,
// drawn with SDL's renderer and SDL2_ttf, with timers, mouse input and the
// modal message box served by one event loop on the calling thread.
//
// The loop sleeps in SDL_WaitEventTimeout until the next event or timer
// deadline. Each pass handles the pending events, then the timers that are
// due (each at most once), then draws the window if anything changed.
// The start-up, the timer passes and the guard around every handler are
// the dispatcher's (ui/dispatcher.h), as in the headless backend; a
// run-time error of the story is reported here, in a box of its own and on
// standard error, and ends the program.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/runtime_error.h"
#include "ui/backend.h"
#include "ui/dispatcher.h"
#include "ui/sdl/fonts.h"
#include "ui/sdl/painter.h"
#include "ui/sdl/picture_buffers.h"
#include "ui/sdl/x11_cover.h"
#include "ui/sdl/x11_errors.h"
#include "ui/sdl/x11_sleep.h"
#include "ui/window.h"

namespace yomite::ui::sdl {

class SdlBackend : public Backend {
 public:
  struct Options {
    // False: a plain window of the restored size (for tests).
    bool fullscreen = true;
    int restored_width = 681;
    int restored_height = 486;
    int min_timer_period_ms = kMinTimerPeriodMs;
  };

  // Opens SDL, the window (not yet shown) and the font. Returns null and
  // sets error when there is no display to open a window on.
  static std::unique_ptr<SdlBackend> Create(const Options& options, std::string* error);
  ~SdlBackend() override;
  SdlBackend(const SdlBackend&) = delete;
  SdlBackend& operator=(const SdlBackend&) = delete;

  // The screen in pixels, for the window model.
  int ScreenWidthPx() const { return screen_width_; }
  int ScreenHeightPx() const { return screen_height_; }

  // Draws this control's caption centred instead of from the left.
  void CentreCaption(const Control& control) { painter_->CentreCaption(control); }

  // Where the story was when an error happened, e.g. "in 0_2.dat, line 14";
  // empty when it is nowhere in particular.
  std::function<std::string()> error_location;
  // Called after each frame is shown.
  std::function<void()> on_frame_presented;
  // Called once, when the first page has been drawn (or could not be, the
  // window being minimized) and the loop is about to wait for the first
  // time: for start-up work that need not delay the first page.
  std::function<void()> on_first_wait;

  // Raises the window's first events, shows it and runs the event loop
  // until the program ends. Returns the exit status: 0 after a normal end,
  // 1 after a run-time error or when the display was lost, 128 + the
  // signal's number after a signal.
  int Run(Window& window);

  // Backend.
  void Invalidate() override { dirty_ = true; }
  void TimerChanged(Timer& timer) override;
  void PictureBoxChanged(PictureBox& box, PictureChange change) override;
  void MessageBox(const Text& text, const Text& title) override;
  void End() override;
  // Signals are noted at once; the queue is looked at every few
  // milliseconds at most.
  bool EndRequested() override;

  // For tests and measurements: attaches a window without running it, and
  // draws it at once.
  void Attach(Window& window);
  void DrawNow();
  SDL_Renderer* renderer() const { return renderer_; }
  SDL_Window* sdl_window() const { return window_; }
  PictureBuffers& picture_buffers() { return buffers_; }
  Painter& painter() { return *painter_; }
  bool ended() const { return ended_; }
  // The message box being shown, or null.
  const MessageBoxLayout* shown_box() const { return box_ ? &*box_ : nullptr; }

 private:
  SdlBackend() = default;

  uint64_t Now() const { return SDL_GetTicks64(); }
  // Raises the window and gives it the keyboard.
  void TakeFocus();
  bool Guard(const std::function<void()>& handler) { return dispatch_->Guard(handler); }
  // Brings a minimized or covered window to the front, so that the box
  // about to open over it is seen.
  void Reveal();
  // On Wayland, while another window has the keyboard (the player's may be
  // covered or minimized, which Wayland does not tell).
  bool ShownAnewToReveal() const;
  // Shows a run-time error in a box and on standard error.
  void Report(const RuntimeError& error);
  // One pass of the event loop.
  void RunPass(SDL_Event& event);
  // The next event, waiting as long as it takes. On X11 it waits on the
  // X connection and then polls SDL, never in SDL's own wait: while SDL
  // waits, every event it queues makes it send the window a wake-up
  // message over a second connection to the X server, and one the server
  // takes only after End has destroyed the window (the two connections
  // keep no order between them) is a BadWindow error, which Xlib answers
  // by ending the program with status 1.
  bool WaitForEvent(SDL_Event* event);
  void Handle(const SDL_Event& event);
  // An X event SDL passed on; true when the window was destroyed.
  bool HandleX11Event(const SDL_SysWMmsg* msg);
  // Covers the screen again when the desktop changed under the window.
  void CoverAgain();
  void HandleWindowEvent(const SDL_WindowEvent& event);
  void HandleMouseButton(const SDL_MouseButtonEvent& event, bool down);
  // Tab, Shift+Tab, Space and Enter, for the focused control.
  void HandleKey(const SDL_KeyboardEvent& event);
  void RunTimers();
  void Quit();
  void Hide();
  // Reads the window's size into the model; true when it changed.
  bool UpdateSize();
  void Layout();
  // The pixel under a point of the window (they differ on high-DPI screens).
  void ToPixels(int x, int y, double* px, double* py) const;
  const Control* PressedLook() const;
  void Draw();
  // Our own modal box; false when it cannot be drawn (no window to draw
  // it in). Without a font it shows its title bar and OK button only.
  bool ShowBox(const Text& text, const Text& title);
  // Once, after the first page is shown: says on standard error when the
  // font cannot show its Japanese text.
  void CheckFont();

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  std::unique_ptr<FontCache> fonts_;
  std::unique_ptr<Painter> painter_;
  PictureBuffers buffers_;
  int min_timer_period_ms_ = kMinTimerPeriodMs;
  std::unique_ptr<X11Sleeper> sleeper_;
  std::unique_ptr<X11Guard> x11_;
  std::unique_ptr<X11Cover> cover_;
  // The screen may no longer be covered: see X11Cover.
  bool cover_pending_ = false;
  uint64_t last_place_check_ = 0;
  uint64_t last_pump_ = 0;
  uint64_t last_end_peek_ = 0;
  Window* model_ = nullptr;
  // The story's handlers, once a window is attached.
  std::optional<Dispatcher> dispatch_;
  int screen_width_ = 0;
  int screen_height_ = 0;
  double scale_x_ = 1.0;
  double scale_y_ = 1.0;

  bool dirty_ = true;
  // The window was asked to be mapped and SDL not told yet; it is told
  // just before the first frame is presented.
  bool show_pending_ = false;
  // The X server paints the window black as it maps it: no black frame of
  // our own is presented before the first page.
  bool black_by_server_ = false;
  bool ended_ = false;
  // Drawing the window ran out of memory: only its back colour is drawn.
  bool window_unpaintable_ = false;
  bool quit_requested_ = false;
  bool layout_pending_ = false;
  // The font's coverage was checked (or there is no font to check).
  bool font_checked_ = false;
  // The window is larger than the model's bounded size: see UpdateSize.
  bool oversized_ = false;
  int modal_depth_ = 0;
  // The button held down with the left button, and where the pointer is.
  const Control* held_button_ = nullptr;
  double pointer_x_ = -1;
  double pointer_y_ = -1;
  // The box being shown, drawn over the window.
  std::optional<MessageBoxLayout> box_;
  bool box_ok_pressed_ = false;
};

}  // namespace yomite::ui::sdl
