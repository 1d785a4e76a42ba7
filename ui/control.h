// The controls of a window: what they show, where they are, and the
// events they raise. Backends draw them and feed them input; the program's
// logic only sets properties and handles events.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/text.h"
#include "ui/color.h"

namespace yomite::ui {

class Window;

enum class ControlKind { kLabel, kCommandButton, kPictureBox, kTimer };
enum class BorderStyle { kNone, kFixedSingle };

// A rectangle in pixels of the window's inner area.
struct PixelRect {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
  bool Contains(double x, double y) const {
    return x >= left && x < left + width && y >= top && y < top + height;
  }
};

class Control {
 public:
  Control(Window& window, std::string name, ControlKind kind);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& name() const { return name_; }
  ControlKind kind() const { return kind_; }
  Window& window() const { return window_; }

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);

  Color BackColor() const { return back_; }
  virtual void SetBackColor(Color c);
  Color ForeColor() const { return fore_; }
  void SetForeColor(Color c);
  // Points; 0 means the window's default size.
  int FontSize() const { return font_size_; }
  void SetFontSize(int points);
  BorderStyle Border() const { return border_; }
  void SetBorder(BorderStyle b);

  const Text& Caption() const { return caption_; }
  void SetCaption(Text caption);
  // Appends in place: a page that grows line by line costs no copies.
  void AppendCaption(TextView more);
  // Changes whenever the caption is set, not when it is appended to: while
  // it stays the same, the caption only grew at its end.
  uint64_t CaptionSets() const { return caption_sets_; }

  // Place and size in the window's current coordinate units.
  void Move(double left, double top, double width, double height);
  double Left() const;
  double Top() const;
  double Width() const;
  double Height() const;
  const PixelRect& Rect() const { return rect_; }

  // A hidden or disabled control raises no mouse events.
  bool CanReceiveMouse() const { return visible_ && enabled_; }
  // Labels and picture boxes turn the second press of a double click into
  // a double-click event; buttons take it as another press.
  bool RaisesDoubleClick() const {
    return kind_ == ControlKind::kLabel || kind_ == ControlKind::kPictureBox;
  }
  // Where it lies: labels below everything else, later labels above earlier.
  bool IsLabel() const { return kind_ == ControlKind::kLabel; }

  std::function<void()> on_click;
  std::function<void(int button)> on_mouse_down;
  std::function<void(int button)> on_mouse_up;
  std::function<void()> on_double_click;

 protected:
  void Changed();
  void CopyLookFrom(const Control& other);

 private:
  Window& window_;
  std::string name_;
  ControlKind kind_;
  bool visible_ = true;
  bool enabled_ = true;
  Color back_{};
  Color fore_{};
  int font_size_ = 0;
  BorderStyle border_ = BorderStyle::kNone;
  Text caption_;
  uint64_t caption_sets_ = 0;
  PixelRect rect_;
};

}  // namespace yomite::ui
