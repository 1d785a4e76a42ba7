#include "ui/window.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace yomite::ui {

Window::Window(Backend& backend, int screen_width_px, int screen_height_px)
    : backend_(backend),
      inner_width_px_(BoundedInnerSize(screen_width_px, screen_height_px).width),
      inner_height_px_(BoundedInnerSize(screen_width_px, screen_height_px).height),
      screen_width_px_(screen_width_px),
      screen_height_px_(screen_height_px),
      back_{240, 240, 240} {}

PixelSize BoundedInnerSize(long width, long height) {
  width = std::clamp<long>(width, 0, std::numeric_limits<int>::max());
  height = std::clamp<long>(height, 0, std::numeric_limits<int>::max());
  // The longer side to the bound, the other in proportion.
  if (width > kMaxInnerSide && width >= height) {
    height = height > 0 ? std::max(1L, height * kMaxInnerSide / width) : 0;
    width = kMaxInnerSide;
  } else if (height > kMaxInnerSide) {
    width = width > 0 ? std::max(1L, width * kMaxInnerSide / height) : 0;
    height = kMaxInnerSide;
  }
  if (width * height > kMaxInnerPixels) {
    // Both sides shrink by the same factor, rounded down, so the area
    // stays within the bound and the shape as it was.
    const double factor = std::sqrt(double(kMaxInnerPixels) / (double(width) * double(height)));
    width = std::max(1L, long(width * factor));
    height = std::max(1L, long(height * factor));
  }
  return PixelSize{int(width), int(height)};
}

void Window::SetInnerSizePx(int width, int height) {
  const PixelSize bounded = BoundedInnerSize(width, height);
  inner_width_px_ = bounded.width;
  inner_height_px_ = bounded.height;
  Invalidate();
}

void Window::SetScreenSizePx(int width, int height) {
  screen_width_px_ = width;
  screen_height_px_ = height;
}

void Window::SetDotsPerInch(double dpi) {
  if (dpi > 0) twips_per_pixel_ = 1440.0 / dpi;
}

double Window::ScaleWidth() const {
  return scale_width_ != 0 ? scale_width_ : inner_width_px_ * twips_per_pixel_;
}

double Window::ScaleHeight() const {
  return scale_height_ != 0 ? scale_height_ : inner_height_px_ * twips_per_pixel_;
}

void Window::SetScaleWidth(double w) { scale_width_ = w; }
void Window::SetScaleHeight(double h) { scale_height_ = h; }

double Window::PxPerUnitX() const {
  if (scale_width_ == 0) return 1.0 / twips_per_pixel_;
  return inner_width_px_ / scale_width_;
}

double Window::PxPerUnitY() const {
  if (scale_height_ == 0) return 1.0 / twips_per_pixel_;
  return inner_height_px_ / scale_height_;
}

void Window::SetBackColor(Color c) {
  back_ = c;
  Invalidate();
}

void Window::Add(Control* control) { controls_.push_back(control); }

void Window::Remove(Control* control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  tab_order_.erase(std::remove(tab_order_.begin(), tab_order_.end(), control), tab_order_.end());
  if (focused_ == control) focused_ = nullptr;
}

void Window::SetTabOrder(std::vector<Control*> order) {
  tab_order_ = std::move(order);
  if (focused_ && !InTabOrder(focused_)) focused_ = nullptr;
}

void Window::JoinTabOrder(Control* control) {
  if (!InTabOrder(control)) tab_order_.push_back(control);
}

bool Window::InTabOrder(const Control* control) const {
  return std::find(tab_order_.begin(), tab_order_.end(), control) != tab_order_.end();
}

void Window::FocusFirst() {
  focused_ = nullptr;
  for (Control* c : tab_order_) {
    if (c->CanReceiveMouse()) {
      focused_ = c;
      break;
    }
  }
  Invalidate();
}

void Window::MoveFocus(bool backwards) {
  const size_t n = tab_order_.size();
  if (n == 0) return;
  auto at = std::find(tab_order_.begin(), tab_order_.end(), focused_);
  // With no focus, Tab starts at the first control and Shift+Tab at the last.
  size_t from = at == tab_order_.end() ? (backwards ? 0 : n - 1) : size_t(at - tab_order_.begin());
  for (size_t step = 1; step <= n; ++step) {
    size_t i = backwards ? (from + n - step % n) % n : (from + step) % n;
    if (tab_order_[i]->CanReceiveMouse()) {
      focused_ = tab_order_[i];
      Invalidate();
      return;
    }
  }
  focused_ = nullptr;
  Invalidate();
}

void Window::ShowFocusCues() {
  if (focus_cues_) return;
  focus_cues_ = true;
  Invalidate();
}

void Window::FocusLeaves(Control* control) {
  if (focused_ != control) return;
  MoveFocus(false);
}

std::vector<Control*> Window::DrawingOrder() const {
  // Labels first in the order the window holds them (later ones above),
  // then picture boxes, then buttons. Buttons lie above picture boxes: on
  // a window at least as tall as wide the picture area reaches over the
  // column of buttons, and End and the choice buttons must stay clickable.
  std::vector<Control*> order;
  for (ControlKind kind :
       {ControlKind::kLabel, ControlKind::kPictureBox, ControlKind::kCommandButton}) {
    for (Control* c : controls_) {
      if (c->kind() == kind) order.push_back(c);
    }
  }
  return order;
}

Control* Window::ControlAt(double x_px, double y_px) const {
  std::vector<Control*> order = DrawingOrder();
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    Control* c = *it;
    if (c->CanReceiveMouse() && c->Rect().Contains(x_px, y_px)) return c;
  }
  return nullptr;
}

void Window::End() {
  if (ended_) return;
  ended_ = true;
  backend_.End();
}

}  // namespace yomite::ui
