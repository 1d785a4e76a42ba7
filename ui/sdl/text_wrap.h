// Text measured in a TrueType font, for the caption layout.
#pragma once

#include <SDL_ttf.h>

#include <vector>

#include "base/text.h"
#include "platform/render/text_layout.h"

namespace yomite::ui::sdl {

// Widths as the text will be drawn (after Displayable).
class TtfMeasurer : public render::TextMeasurer {
 public:
  explicit TtfMeasurer(TTF_Font* font) : font_(font) {}
  int Width(TextView text) override;

 private:
  TTF_Font* font_;
};

int TextWidth(TextView text, TTF_Font* font);

// The lines of a caption in a label width pixels wide.
std::vector<Text> WrapText(TextView caption, int width, TTF_Font* font);

}  // namespace yomite::ui::sdl
