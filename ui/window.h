// The window: its inner area, its coordinate system, its controls in the
// order it holds them, and the window events.
#pragma once

#include <functional>
#include <vector>

#include "ui/backend.h"
#include "ui/color.h"
#include "ui/control.h"

namespace yomite::ui {

// Twips per pixel on a screen of 96 dots per inch (a twip is 1/1440 inch).
inline constexpr int kTwipsPerPixel = 15;

// The largest inner area laid out and drawn: 8,192 pixels on a side and
// the pixels of an 8K screen (7680 x 4320) in all. A window the window
// system makes larger is laid out at this size, shape kept as far as the
// side allows, and the backend asks for its size back.
inline constexpr int kMaxInnerSide = 8192;
inline constexpr long kMaxInnerPixels = 7680L * 4320L;

struct PixelSize {
  int width = 0;
  int height = 0;
  bool operator==(const PixelSize&) const = default;
};
// The inner size the window takes for a size the window system gives.
PixelSize BoundedInnerSize(long width, long height);

class Window {
 public:
  Window(Backend& backend, int screen_width_px, int screen_height_px);

  Backend& backend() { return backend_; }

  // The inner area in pixels; the backend sets it (the window has no frame,
  // so outer and inner sizes agree), bounded by BoundedInnerSize.
  int InnerWidthPx() const { return inner_width_px_; }
  int InnerHeightPx() const { return inner_height_px_; }
  void SetInnerSizePx(int width, int height);
  int ScreenWidthPx() const { return screen_width_px_; }
  int ScreenHeightPx() const { return screen_height_px_; }
  void SetScreenSizePx(int width, int height);

  // The screen's dots per inch, 96 until the backend sets the desktop's:
  // it says how many twips a pixel is.
  double DotsPerInch() const { return 1440.0 / twips_per_pixel_; }
  void SetDotsPerInch(double dpi);
  double TwipsPerPixel() const { return twips_per_pixel_; }

  // Sizes in twips, as the window system reports them.
  double WidthTwips() const { return inner_width_px_ * twips_per_pixel_; }
  double HeightTwips() const { return inner_height_px_ * twips_per_pixel_; }
  double ScreenHeightTwips() const { return screen_height_px_ * twips_per_pixel_; }

  // The coordinate system: twips with the origin at the top left until a
  // program sets its own.
  double ScaleLeft() const { return scale_left_; }
  double ScaleTop() const { return scale_top_; }
  double ScaleWidth() const;
  double ScaleHeight() const;
  void SetScaleWidth(double w);
  void SetScaleHeight(double h);
  void SetScaleTop(double t) { scale_top_ = t; }
  void SetScaleLeft(double l) { scale_left_ = l; }

  // Conversions between the current units and pixels.
  double UnitsToPxX(double x) const { return (x - scale_left_) * PxPerUnitX(); }
  double UnitsToPxY(double y) const { return (y - scale_top_) * PxPerUnitY(); }
  double PxToUnitsX(double px) const { return px / PxPerUnitX() + scale_left_; }
  double PxToUnitsY(double px) const { return px / PxPerUnitY() + scale_top_; }
  double PxPerUnitX() const;
  double PxPerUnitY() const;

  Color BackColor() const { return back_; }
  void SetBackColor(Color c);

  // The default font size in points of every control that has none.
  int DefaultFontSize() const { return 9; }

  const std::vector<Control*>& controls() const { return controls_; }

  // Keyboard focus. Only the controls in the tab order take it, and only
  // while visible and enabled; a control that is hidden or disabled while
  // it has the focus passes it on to the next one that can take it.
  void SetTabOrder(std::vector<Control*> order);
  // A control created later joins at the end.
  void JoinTabOrder(Control* control);
  bool InTabOrder(const Control* control) const;
  const std::vector<Control*>& TabOrder() const { return tab_order_; }
  // The control with the focus, or null when none can take it.
  Control* Focused() const { return focused_; }
  // Gives the focus to the first control in the tab order that can take
  // it, as the window system does when the window is first shown.
  void FocusFirst();
  // The next (or previous) control in the tab order that can take the
  // focus, round the end.
  void MoveFocus(bool backwards);
  // The focus mark is shown only once the keyboard has been used, as on
  // the desktop the story was written for: until then a mouse user sees
  // the window exactly as before.
  bool FocusCues() const { return focus_cues_; }
  void ShowFocusCues();
  // A control can no longer take the focus: it passes it on.
  void FocusLeaves(Control* control);
  // The uppermost visible and enabled control at a pixel of the inner area.
  Control* ControlAt(double x_px, double y_px) const;
  // Controls in drawing order, lowest first.
  std::vector<Control*> DrawingOrder() const;

  void MessageBox(const Text& text, const Text& title) { backend_.MessageBox(text, title); }
  void End();
  bool Ended() const { return ended_; }
  bool EndRequested() { return !ended_ && backend_.EndRequested(); }

  // The control whose click ends the program, which a backend looks for
  // among the clicks still waiting while a long action runs.
  const Control* end_control = nullptr;

  // Window events, raised by the backend.
  std::function<void()> on_load;
  std::function<void()> on_resize;
  std::function<void()> on_activate;
  std::function<void()> on_unload;

  // Controls register themselves.
  void Add(Control* control);
  void Remove(Control* control);
  void Invalidate() { backend_.Invalidate(); }

 private:
  Backend& backend_;
  int inner_width_px_;
  int inner_height_px_;
  int screen_width_px_;
  int screen_height_px_;
  double twips_per_pixel_ = kTwipsPerPixel;
  double scale_left_ = 0;
  double scale_top_ = 0;
  double scale_width_ = 0;   // 0: twips
  double scale_height_ = 0;  // 0: twips
  Color back_{};
  bool ended_ = false;
  std::vector<Control*> controls_;
  std::vector<Control*> tab_order_;
  Control* focused_ = nullptr;
  bool focus_cues_ = false;
};

}  // namespace yomite::ui
