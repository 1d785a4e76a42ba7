#include "ui/headless_backend.h"

namespace yomite::ui {

void HeadlessBackend::MessageBox(const Text& text, const Text& title) {
  message_boxes_.push_back({text, title});
  if (on_message_box) on_message_box(message_boxes_.back());
}

void HeadlessBackend::End() {
  ended_ = true;
  if (on_end) on_end();
}

void HeadlessBackend::PictureBoxChanged(PictureBox& box, PictureChange change) {
  if (on_picture_box_changed) on_picture_box_changed(box, change);
}

}  // namespace yomite::ui
