// The buffers of the window's picture boxes, kept in step with the boxes.
#pragma once

#include <map>
#include <memory>

#include "ui/backend.h"
#include "ui/picture_box.h"
#include "ui/sdl/picture_buffer.h"

namespace yomite::ui::sdl {

class PictureBuffers {
 public:
  // The buffer of a box at the box's current size. A box that changed its
  // size without being erased gets a fresh buffer with its paintings
  // painted again, so nothing painted is lost or drawn at the old size.
  PictureBuffer& For(const PictureBox& box);
  // Follows a change of the box: paints the new painting into the buffer,
  // or fills the buffer with the back colour.
  void Changed(const PictureBox& box, PictureChange change);
  void DropTextures();

 private:
  // True when the buffer was made anew (and holds every painting).
  bool Fit(const PictureBox& box, PictureBuffer& buffer);
  std::map<const PictureBox*, std::unique_ptr<PictureBuffer>> buffers_;
};

}  // namespace yomite::ui::sdl
