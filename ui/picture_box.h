#pragma once

#include <vector>

#include "platform/picture.h"
#include "ui/control.h"

namespace yomite::ui {

// A picture box keeps what is painted on it until it is cleared, painted
// over or erased by a new back colour; a box that holds an assigned
// picture takes the picture's size.
class PictureBox : public Control {
 public:
  struct Painting {
    platform::PicturePtr picture;
    Text source;    // the file name the picture was loaded from
    PixelRect dst;  // in the box's own pixels
    PixelRect src;  // in the picture's pixels
  };

  PictureBox(Window& window, std::string name, bool auto_size)
      : Control(window, std::move(name), ControlKind::kPictureBox), auto_size_(auto_size) {}

  // The assigned picture (its content), and where it came from.
  void SetPicture(platform::PicturePtr picture, Text source);
  const platform::PicturePtr& Picture() const { return picture_; }
  const Text& PictureSource() const { return picture_source_; }

  // Inner size in the box's own units (pixels).
  int ScaleWidth() const;
  int ScaleHeight() const;

  void SetBackColor(Color c) override;
  // Erases everything painted; the box shows its back colour.
  void Cls();
  // Paints a rectangle of a picture stretched into a rectangle of the box.
  void PaintPicture(const platform::PicturePtr& picture, const Text& source, PixelRect dst,
                    PixelRect src);
  const std::vector<Painting>& Paintings() const { return paintings_; }

 private:
  bool auto_size_;
  platform::PicturePtr picture_;
  Text picture_source_;
  std::vector<Painting> paintings_;
};

}  // namespace yomite::ui
