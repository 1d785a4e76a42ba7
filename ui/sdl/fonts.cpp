#include "ui/sdl/fonts.h"

#include <fontconfig/fontconfig.h>

#include <cmath>

namespace yomite::ui::sdl {

std::optional<FontFile> FindJapaneseUiFont() {
  if (!FcInit()) return std::nullopt;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ja"));
  if (!pattern) return std::nullopt;
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return std::nullopt;
  std::optional<FontFile> found;
  FcChar8* file = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
    int index = 0;
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    found = FontFile{reinterpret_cast<const char*>(file), index};
  }
  FcPatternDestroy(match);
  return found;
}

int PointsToPixels(double points, double scale) {
  int px = static_cast<int>(std::lround(points * 96.0 / 72.0 * scale));
  return px < 1 ? 1 : px;
}

FontCache::~FontCache() {
  for (auto& [size, font] : fonts_) {
    if (font) TTF_CloseFont(font);
  }
}

TTF_Font* FontCache::Get(int pixel_size) {
  auto it = fonts_.find(pixel_size);
  if (it != fonts_.end()) return it->second;
  TTF_Font* font = TTF_OpenFontIndex(file_.path.c_str(), pixel_size, file_.index);
  fonts_[pixel_size] = font;
  return font;
}

std::string Displayable(TextView text, TTF_Font* font) {
  Text shown;
  shown.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    size_t units = 1;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      units = 2;
    }
    if (c == u'\t') {
      shown += u' ';
    } else if (c < 0x20 || c == 0x7F) {
      // A lone CR or LF inside a line has no look of its own.
    } else if (font && !TTF_GlyphIsProvided32(font, c)) {
      shown += u'\u3013';
    } else {
      shown.append(text.substr(i, units));
    }
    i += units - 1;
  }
  return ToUtf8(shown);
}

TextTextures::Line TextTextures::Get(TextView text, int pixel_size, SDL_Color color) {
  uint32_t rgba =
      (uint32_t(color.r) << 24) | (uint32_t(color.g) << 16) | (uint32_t(color.b) << 8) | color.a;
  Key key{Text(text), pixel_size, rgba};
  auto it = lines_.find(key);
  if (it != lines_.end()) {
    it->second.last_used = frame_;
    return it->second.line;
  }
  Line line;
  TTF_Font* font = fonts_ ? fonts_->Get(pixel_size) : nullptr;
  if (font) {
    std::string utf8 = Displayable(text, font);
    if (!utf8.empty()) {
      if (SDL_Surface* surface = TTF_RenderUTF8_Blended(font, utf8.c_str(), color)) {
        line.texture = SDL_CreateTextureFromSurface(renderer_, surface);
        line.width = surface->w;
        line.height = surface->h;
        SDL_FreeSurface(surface);
        if (line.texture) SDL_SetTextureBlendMode(line.texture, SDL_BLENDMODE_BLEND);
      }
    }
  }
  lines_.emplace(std::move(key), Entry{line, frame_});
  return line;
}

void TextTextures::EndFrame() {
  // Keep what the last few frames drew: a page that grows line by line
  // draws its earlier lines again every frame.
  constexpr uint64_t kKeepFrames = 8;
  ++frame_;
  if (lines_.size() < 64) return;
  for (auto it = lines_.begin(); it != lines_.end();) {
    if (frame_ - it->second.last_used > kKeepFrames) {
      if (it->second.line.texture) SDL_DestroyTexture(it->second.line.texture);
      it = lines_.erase(it);
    } else {
      ++it;
    }
  }
}

void TextTextures::Clear() {
  for (auto& [key, entry] : lines_) {
    if (entry.line.texture) SDL_DestroyTexture(entry.line.texture);
  }
  lines_.clear();
}

}  // namespace yomite::ui::sdl
