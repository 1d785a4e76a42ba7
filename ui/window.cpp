#include "ui/window.h"

#include <algorithm>

namespace yomite::ui {

Window::Window(Backend& backend, int screen_width_px, int screen_height_px)
    : backend_(backend),
      inner_width_px_(screen_width_px),
      inner_height_px_(screen_height_px),
      screen_width_px_(screen_width_px),
      screen_height_px_(screen_height_px),
      back_{240, 240, 240} {}

void Window::SetInnerSizePx(int width, int height) {
  inner_width_px_ = width;
  inner_height_px_ = height;
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
}

std::vector<Control*> Window::DrawingOrder() const {
  // Labels first in the order the window holds them (later ones above),
  // then buttons and picture boxes, which lie above all labels.
  std::vector<Control*> order;
  for (Control* c : controls_) {
    if (c->IsLabel()) order.push_back(c);
  }
  for (Control* c : controls_) {
    if (!c->IsLabel() && c->kind() != ControlKind::kTimer) order.push_back(c);
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
