#include "ui/sdl/picture_buffers.h"

namespace yomite::ui::sdl {

bool PictureBuffers::Fit(const PictureBox& box, PictureBuffer& buffer) {
  int width = box.ScaleWidth(), height = box.ScaleHeight();
  if (buffer.width() == width && buffer.height() == height && !buffer.pixels().empty()) {
    return false;
  }
  buffer.Reset(width, height, box.BackColor());
  for (const PictureBox::Painting& p : box.Paintings()) {
    if (p.picture) buffer.Paint(*p.picture, p.dst, p.src);
  }
  return true;
}

PictureBuffer& PictureBuffers::For(const PictureBox& box) {
  std::unique_ptr<PictureBuffer>& slot = buffers_[&box];
  if (!slot) slot = std::make_unique<PictureBuffer>();
  Fit(box, *slot);
  return *slot;
}

void PictureBuffers::Changed(const PictureBox& box, PictureChange change) {
  std::unique_ptr<PictureBuffer>& slot = buffers_[&box];
  if (!slot) slot = std::make_unique<PictureBuffer>();
  PictureBuffer& buffer = *slot;
  if (change != PictureChange::kPainted) {
    buffer.Reset(box.ScaleWidth(), box.ScaleHeight(), box.BackColor());
    return;
  }
  if (Fit(box, buffer) || box.Paintings().empty()) return;  // the new painting is in already
  const PictureBox::Painting& p = box.Paintings().back();
  if (p.picture) buffer.Paint(*p.picture, p.dst, p.src);
}

void PictureBuffers::DropTextures() {
  for (auto& [box, buffer] : buffers_) buffer->DropTexture();
}

}  // namespace yomite::ui::sdl
