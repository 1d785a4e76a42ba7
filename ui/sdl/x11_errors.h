// The errors an X server may send us that must not end the program, and
// the ways round them. Xlib answers any error nobody handles by printing it
// and exiting with status 1.
//
// - A server that offers shared memory (MIT-SHM) but refuses this client's
//   segment, as one reached through `ssh -X` does: SDL's window frame lives
//   in such a segment and is sent with it. The refusals are taken here, and
//   each frame is then sent again through the plain X protocol.
// - The window destroyed by another client (a task manager's "close"): the
//   requests that still name it fail, and the program ends as on a close
//   request.
// - The connection to the X server lost (the server ended or was killed):
//   Xlib would print its own message and exit at once, the music cut off
//   mid-note. One line says so instead; every later request on the display
//   fails quietly, and the program ends as on a close request, its music
//   closed.
#pragma once

#include <SDL.h>

#include <functional>
#include <memory>

namespace yomite::ui::sdl {

// Takes the process's X errors before SDL opens its display, so that SDL's
// own handler passes on to ours what it does not take itself. Harmless
// when the video driver is not X11.
void CatchX11Errors();

// Runs requests that may name windows of other clients, which can vanish
// at any moment, on the display behind `display` (a Display*); false when
// any of them failed. The failures are not reported.
bool X11Succeeds(void* display, const std::function<void()>& requests);

class X11Guard {
 public:
  // Null when the window is not on X11. Call before the window's renderer
  // exists: its first frame buffer is where shared memory is first tried.
  static std::unique_ptr<X11Guard> For(SDL_Window* window);
  ~X11Guard();
  X11Guard(const X11Guard&) = delete;
  X11Guard& operator=(const X11Guard&) = delete;

  // The server refused shared memory: frames go through Present.
  bool SharedMemoryRefused() const;
  // Sends the window's frame (SDL's window surface) without shared memory
  // when the server refused it; does nothing otherwise.
  void Present(SDL_Window* window);
  // The window no longer exists on the server (destroyed by someone else).
  bool WindowGone() const;
  // The connection to the X server is lost.
  bool DisplayLost() const;
  // Before SDL destroys a window that is gone: SDL first hides it and waits
  // for the server to say it is unmapped, which it never says of a window
  // that no longer exists, nor a server that is gone. This says it in the
  // server's place.
  void BeforeDestroy();
  // Notes an event SDL passed on (SDL_SYSWMEVENT); true when it says the
  // window was destroyed.
  bool Destroyed(const SDL_SysWMmsg* msg);

 private:
  X11Guard() = default;
  struct Native;
  std::unique_ptr<Native> native_;
};

}  // namespace yomite::ui::sdl
