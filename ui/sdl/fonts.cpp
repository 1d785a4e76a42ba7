#include "ui/sdl/fonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
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

int PointsToPixels(double points, double dpi, double scale) {
  int px = static_cast<int>(std::lround(points * dpi / 72.0 * scale));
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

namespace {

// The line height in ems as the desktop the story format comes from sets
// it: the ascent and descent that bound every glyph (OS/2 usWinAscent and
// usWinDescent) and what remains of the line gap beyond them. A font
// without those tables gives 0.
double LineHeightInEms(const FontFile& file) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return 0;
  double ems = 0;
  FT_Face face = nullptr;
  if (FT_New_Face(library, file.path.c_str(), file.index, &face) == 0) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    if (os2 && os2->version != 0xFFFF && hhea && face->units_per_EM > 0) {
      const long outer = long{os2->usWinAscent} + os2->usWinDescent;
      const long inner = long{hhea->Ascender} - hhea->Descender;
      const long gap = std::max(0L, long{hhea->Line_Gap} - std::max(0L, outer - inner));
      ems = static_cast<double>(std::max(outer, inner) + gap) / face->units_per_EM;
    }
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
  return ems;
}

}  // namespace

int FontCache::LineHeight(int pixel_size) {
  TTF_Font* font = Get(pixel_size);
  if (!font) return 0;
  if (line_height_em_ < 0) line_height_em_ = LineHeightInEms(file_);
  const int declared = static_cast<int>(std::lround(line_height_em_ * pixel_size));
  return std::max(declared, TTF_FontLineSkip(font));
}

std::string Displayable(TextView text, TTF_Font* font) {
  Text shown;
  shown.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    size_t units;
    const char32_t c = CodePointAt(text, i, &units);
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
