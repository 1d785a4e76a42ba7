#include "ui/sdl/text_wrap.h"

#include "ui/sdl/fonts.h"

namespace yomite::ui::sdl {

int TextWidth(TextView text, TTF_Font* font) {
  std::string utf8 = Displayable(text, font);
  if (utf8.empty()) return 0;
  int w = 0, h = 0;
  if (TTF_SizeUTF8(font, utf8.c_str(), &w, &h) != 0) return 0;
  return w;
}

int TtfMeasurer::Width(TextView text) { return TextWidth(text, font_); }

std::vector<Text> WrapText(TextView caption, int width, TTF_Font* font) {
  TtfMeasurer measurer(font);
  return render::WrapCaption(caption, width, measurer);
}

}  // namespace yomite::ui::sdl
