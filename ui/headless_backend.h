// A backend with no screen: it keeps the window model, answers message
// boxes at once, and lets its driver deliver input and timer ticks by hand.
// The transcript runner and the tests play stories on it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/backend.h"

namespace yomite::ui {

class HeadlessBackend : public Backend {
 public:
  struct MessageBoxShown {
    Text text;
    Text title;
  };

  void MessageBox(const Text& text, const Text& title) override;
  void End() override;
  void PictureBoxChanged(PictureBox& box, PictureChange change) override;

  bool ended() const { return ended_; }
  const std::vector<MessageBoxShown>& message_boxes() const { return message_boxes_; }

  // Observers for a transcript.
  std::function<void(const MessageBoxShown&)> on_message_box;
  std::function<void()> on_end;
  std::function<void(PictureBox&, PictureChange)> on_picture_box_changed;

 private:
  bool ended_ = false;
  std::vector<MessageBoxShown> message_boxes_;
};

}  // namespace yomite::ui
