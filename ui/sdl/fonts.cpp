#include "ui/sdl/fonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>

#include "base/printable.h"

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
    FcChar8* family = nullptr;
    std::string name;
    if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch && family) {
      name = reinterpret_cast<const char*>(family);
    }
    found = FontFile{reinterpret_cast<const char*>(file), index, name};
  }
  FcPatternDestroy(match);
  return found;
}

namespace {

bool IsJapanese(char32_t c) {
  return (c >= 0x3040 && c <= 0x30FF) ||  // kana
         (c >= 0x4E00 && c <= 0x9FFF) ||  // ideographs
         (c >= 0xFF01 && c <= 0xFF9F);    // full-width forms, half-width katakana
}

}  // namespace

bool CoversJapanese(const FontFile& file, TextView text) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return false;
  FT_Face face = nullptr;
  bool covers = FT_New_Face(library, file.path.c_str(), file.index, &face) == 0;
  if (covers) {
    for (char32_t c = 0x3041; c <= 0x3093 && covers; ++c) covers = FT_Get_Char_Index(face, c);
    for (char32_t c = 0x30A1; c <= 0x30F6 && covers; ++c) covers = FT_Get_Char_Index(face, c);
    for (size_t i = 0; i < text.size() && covers; ++i) {
      size_t units;
      const char32_t c = CodePointAt(text, i, &units);
      if (IsJapanese(c)) covers = FT_Get_Char_Index(face, c) != 0;
      i += units - 1;
    }
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
  return covers;
}

std::string NoJapaneseFontMessage(const FontFile& file) {
  return "yomite: the font fontconfig gives for Japanese, " +
         Printable(file.family.empty() ? std::string("(unnamed)") : file.family) + " (" +
         Printable(file.path) + "), cannot show Japanese text. Install " + kJapaneseFontPackage +
         ".";
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
  // Full hinting snaps thin horizontal strokes to the pixel grid, and at
  // some sizes to nothing: IPAGothic's underscore vanishes at 16 to 20 and
  // 27 to 29 pixels. Light hinting (the desktop's own "hintslight") keeps
  // every stroke and still aligns them vertically.
  if (font) TTF_SetFontHinting(font, TTF_HINTING_LIGHT);
  fonts_[pixel_size] = font;
  return font;
}

namespace {

// The line height in ems as the desktop the story format comes from sets
// it: the ascent and descent that bound every glyph (OS/2 usWinAscent and
// usWinDescent) and what remains of the line gap beyond them; 0 for a font
// without those tables. And how far below the baseline any glyph of the
// face reaches, in ems (its bounding box).
struct FaceMetrics {
  double line_height_em = 0;
  double ink_descent_em = 0;
};

FaceMetrics ReadFaceMetrics(const FontFile& file) {
  FaceMetrics metrics;
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return metrics;
  FT_Face face = nullptr;
  if (FT_New_Face(library, file.path.c_str(), file.index, &face) == 0) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    if (face->units_per_EM > 0) {
      metrics.ink_descent_em = std::max(0.0, -double(face->bbox.yMin) / face->units_per_EM);
    }
    if (os2 && os2->version != 0xFFFF && hhea && face->units_per_EM > 0) {
      const long outer = long{os2->usWinAscent} + os2->usWinDescent;
      const long inner = long{hhea->Ascender} - hhea->Descender;
      const long gap = std::max(0L, long{hhea->Line_Gap} - std::max(0L, outer - inner));
      metrics.line_height_em =
          static_cast<double>(std::max(outer, inner) + gap) / face->units_per_EM;
    }
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
  return metrics;
}

}  // namespace

void FontCache::ReadMetrics() {
  if (metrics_read_) return;
  metrics_read_ = true;
  const FaceMetrics metrics = ReadFaceMetrics(file_);
  line_height_em_ = metrics.line_height_em;
  ink_descent_em_ = metrics.ink_descent_em;
}

int FontCache::LineHeight(int pixel_size) {
  TTF_Font* font = Get(pixel_size);
  if (!font) return 0;
  ReadMetrics();
  const int declared = static_cast<int>(std::lround(line_height_em_ * pixel_size));
  return std::max(declared, TTF_FontLineSkip(font));
}

int FontCache::InkBottom(int pixel_size) {
  TTF_Font* font = Get(pixel_size);
  if (!font) return 0;
  ReadMetrics();
  // Lines are drawn with the baseline at the font's ascent from their top;
  // one row more for the rounding of the glyph's position.
  const int below = static_cast<int>(std::ceil(ink_descent_em_ * pixel_size)) + 1;
  return std::max(LineHeight(pixel_size), TTF_FontAscent(font) + below);
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
