// What a platform provides under the window model: drawing, timers, the
// modal message box and the end of the program. Every hook is pure: a
// backend that leaves one out does not compile. The handlers' side (start-
// up, timers, the error guard) is ui/dispatcher.h, shared by all backends.
#pragma once

#include <string>

#include "base/text.h"

namespace yomite::ui {

class Control;
class PictureBox;
class Timer;

enum class PictureChange { kPainted, kCleared, kErased };

class Backend {
 public:
  virtual ~Backend() = default;

  // Something visible changed; redraw when convenient.
  virtual void Invalidate() = 0;
  // A timer was enabled or disabled; enabling starts a full interval.
  virtual void TimerChanged(Timer&) = 0;
  // A picture box was painted on, cleared, or erased by a new back colour.
  virtual void PictureBoxChanged(PictureBox&, PictureChange) = 0;
  // Shows a modal box with the text, an OK button and the title; returns
  // when it is closed.
  virtual void MessageBox(const Text& text, const Text& title) = 0;
  // Destroys the window and ends the program; no further handler runs.
  virtual void End() = 0;
  // Asked between the steps of a long action: has the user asked the
  // program to end (End, closing the window, a signal)? Then the action is
  // left where it is and the program ends at once. Cheap enough to ask
  // after every line.
  virtual bool EndRequested() = 0;
};

}  // namespace yomite::ui
