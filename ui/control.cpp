#include "ui/control.h"

#include <cmath>
#include <cstdio>

#include "base/runtime_error.h"
#include "ui/command_button.h"
#include "ui/picture_box.h"
#include "ui/timer.h"
#include "ui/window.h"

namespace yomite::ui {

std::string ToHex(Color c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.r, c.g, c.b);
  return buf;
}

Control::Control(Window& window, std::string name, ControlKind kind)
    : window_(window), name_(std::move(name)), kind_(kind) {
  window_.Add(this);
}

Control::~Control() { window_.Remove(this); }

void Control::Changed() { window_.Invalidate(); }

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  if (!visible) window_.FocusLeaves(this);
  Changed();
}

void Control::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  if (!enabled) window_.FocusLeaves(this);
  Changed();
}

void Control::SetBackColor(Color c) {
  back_ = c;
  Changed();
}

void Control::SetForeColor(Color c) {
  fore_ = c;
  Changed();
}

void Control::SetFontSize(int points) {
  font_size_ = points;
  Changed();
}

void Control::SetBorder(BorderStyle b) {
  border_ = b;
  Changed();
}

void Control::SetCaption(Text caption) {
  caption_ = std::move(caption);
  ++caption_sets_;
  Changed();
}

void Control::AppendCaption(TextView more) {
  caption_ += more;
  Changed();
}

void Control::Move(double left, double top, double width, double height) {
  rect_.left = window_.UnitsToPxX(left);
  rect_.top = window_.UnitsToPxY(top);
  rect_.width = width * window_.PxPerUnitX();
  rect_.height = height * window_.PxPerUnitY();
  Changed();
}

double Control::Left() const { return window_.PxToUnitsX(rect_.left); }
double Control::Top() const { return window_.PxToUnitsY(rect_.top); }
double Control::Width() const { return rect_.width / window_.PxPerUnitX(); }
double Control::Height() const { return rect_.height / window_.PxPerUnitY(); }

void Control::CopyLookFrom(const Control& other) {
  back_ = other.back_;
  fore_ = other.fore_;
  font_size_ = other.font_size_;
  border_ = other.border_;
  caption_ = other.caption_;
  rect_ = other.rect_;
  enabled_ = other.enabled_;
}

// Buttons and control arrays.

ButtonArray::ButtonArray(Window& window, std::string name)
    : window_(window), name_(std::move(name)) {
  elements_.push_back(std::make_unique<CommandButton>(window_, name_ + "(0)", 0));
  Wire(*elements_[0]);
}

void ButtonArray::Wire(CommandButton& button) {
  int index = button.Index();
  button.on_click = [this, index] {
    if (on_click) on_click(index);
  };
}

bool ButtonArray::Exists(int index) const {
  return index >= 0 && index < static_cast<int>(elements_.size()) && elements_[index];
}

CommandButton& ButtonArray::operator()(int index) {
  if (!Exists(index))
    throw RuntimeError(err::kNoSuchElement, "element " + std::to_string(index) + " of " + name_);
  return *elements_[index];
}

CommandButton& ButtonArray::Load(int index) {
  if (Exists(index))
    throw RuntimeError(err::kAlreadyLoaded, "element " + std::to_string(index) + " of " + name_);
  if (index < 0)
    throw RuntimeError(err::kNoSuchElement, "element " + std::to_string(index) + " of " + name_);
  if (index >= static_cast<int>(elements_.size())) elements_.resize(index + 1);
  auto button =
      std::make_unique<CommandButton>(window_, name_ + "(" + std::to_string(index) + ")", index);
  button->CopyLookFrom(*elements_[0]);
  button->SetVisible(false);
  Wire(*button);
  // A new element takes the focus after the controls the window was
  // created with, as the desktop gives it the next free tab index.
  if (window_.InTabOrder(elements_[0].get())) window_.JoinTabOrder(button.get());
  elements_[index] = std::move(button);
  return *elements_[index];
}

// Picture boxes.

void PictureBox::SetPicture(platform::PicturePtr picture, Text source) {
  picture_ = std::move(picture);
  picture_source_ = std::move(source);
  Changed();
}

int PictureBox::ScaleWidth() const {
  if (auto_size_) return picture_ ? picture_->width : 0;
  return static_cast<int>(std::lround(Rect().width));
}

int PictureBox::ScaleHeight() const {
  if (auto_size_) return picture_ ? picture_->height : 0;
  return static_cast<int>(std::lround(Rect().height));
}

void PictureBox::SetBackColor(Color c) {
  paintings_.clear();
  Control::SetBackColor(c);
  window().backend().PictureBoxChanged(*this, PictureChange::kErased);
}

void PictureBox::Cls() {
  paintings_.clear();
  Changed();
  window().backend().PictureBoxChanged(*this, PictureChange::kCleared);
}

void PictureBox::PaintPicture(const platform::PicturePtr& picture, const Text& source,
                              PixelRect dst, PixelRect src) {
  // A picture covering the whole box hides everything painted before it.
  if (dst.left <= 0 && dst.top <= 0 && dst.width >= ScaleWidth() && dst.height >= ScaleHeight()) {
    paintings_.clear();
  }
  paintings_.push_back(Painting{picture, source, dst, src});
  Changed();
  window().backend().PictureBoxChanged(*this, PictureChange::kPainted);
}

// Timers.

Timer::Timer(Window& window, std::string name, int interval_ms, bool enabled)
    : Control(window, std::move(name), ControlKind::kTimer), interval_ms_(interval_ms) {
  SetVisible(false);
  Control::SetEnabled(enabled);
}

void Timer::SetEnabled(bool enabled) {
  if (Enabled() == enabled) return;
  Control::SetEnabled(enabled);
  window().backend().TimerChanged(*this);
}

void Timer::Tick() {
  if (!Enabled() || window().Ended()) return;
  if (on_tick) on_tick();
}

}  // namespace yomite::ui
