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

class Window {
 public:
  Window(Backend& backend, int screen_width_px, int screen_height_px);

  Backend& backend() { return backend_; }

  // The inner area in pixels; the backend sets it (the window has no frame,
  // so outer and inner sizes agree).
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
};

}  // namespace yomite::ui
