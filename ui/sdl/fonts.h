// The Japanese user-interface font, opened at the pixel sizes in use, and
// the rendered lines of text, kept as textures while they stay on screen.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <map>
#include <optional>
#include <string>
#include <tuple>

#include "base/text.h"

namespace yomite::ui::sdl {

struct FontFile {
  std::string path;
  int index = 0;       // the face within a collection
  std::string family;  // as fontconfig names it, for messages
};

// The system's font for Japanese user-interface text, as fontconfig
// chooses it for "sans-serif:lang=ja"; nullopt when there is none.
std::optional<FontFile> FindJapaneseUiFont();

// Whether the face has glyphs for the kana and for every Japanese
// character (kana, ideographs, full-width forms) of the text; false when
// the file cannot be read as a font. fontconfig answers a system without a
// Japanese font with a Latin one, which shows Japanese as empty boxes.
bool CoversJapanese(const FontFile& file, TextView text);

// What to install when there is no Japanese font: the package the
// player's own package depends on, and the alternative it accepts.
inline constexpr const char* kJapaneseFontPackage =
    "fonts-ipafont-gothic (or another package that provides fonts-japanese-gothic)";

// The one line said when the font cannot show the story's Japanese text.
std::string NoJapaneseFontMessage(const FontFile& file);

// Points to pixels at the desktop's dots per inch, times the display's
// scale factor (renderer pixels per window point).
int PointsToPixels(double points, double dpi, double scale = 1.0);

class FontCache {
 public:
  explicit FontCache(FontFile file) : file_(std::move(file)) {}
  ~FontCache();
  FontCache(const FontCache&) = delete;
  FontCache& operator=(const FontCache&) = delete;

  // The font at a pixel size, opened once; null when it cannot be opened.
  TTF_Font* Get(int pixel_size);
  // The distance from one line of text to the next at a pixel size: the
  // font's ascent and descent as it declares them for all its glyphs, and
  // the gap it asks for between lines. For the Japanese fonts that is a
  // little more than the pixel size. 0 when the font cannot be opened.
  int LineHeight(int pixel_size);
  // From the top of a line to the lowest row any glyph of the face can
  // ink, at least the line height: a box that ends with a line of text
  // must reach this far, or the underscores of its last line are cut off.
  int InkBottom(int pixel_size);
  const FontFile& file() const { return file_; }

 private:
  void ReadMetrics();

  FontFile file_;
  std::map<int, TTF_Font*> fonts_;
  bool metrics_read_ = false;
  double line_height_em_ = 0;  // in ems; 0 when the font's tables do not say
  double ink_descent_em_ = 0;
};

// The text as the font can show it: characters it has no glyph for become
// 〓 (the font's own substitute mark), control characters are dropped.
std::string Displayable(TextView text, TTF_Font* font);

// Lines of text rendered into textures, by text, size and colour. Lines
// not drawn for a while are let go.
class TextTextures {
 public:
  struct Line {
    SDL_Texture* texture = nullptr;  // null for an empty line
    int width = 0;
    int height = 0;
  };

  TextTextures(SDL_Renderer* renderer, FontCache* fonts) : renderer_(renderer), fonts_(fonts) {}
  ~TextTextures() { Clear(); }
  TextTextures(const TextTextures&) = delete;
  TextTextures& operator=(const TextTextures&) = delete;

  Line Get(TextView text, int pixel_size, SDL_Color color);
  // Call once per drawn frame: forgets lines unused for several frames.
  void EndFrame();
  // Drops every texture (after the renderer lost them).
  void Clear();
  size_t size() const { return lines_.size(); }

 private:
  using Key = std::tuple<Text, int, uint32_t>;
  struct Entry {
    Line line;
    uint64_t last_used;
  };
  SDL_Renderer* renderer_;
  FontCache* fonts_;
  std::map<Key, Entry> lines_;
  uint64_t frame_ = 0;
};

}  // namespace yomite::ui::sdl
