#include "ui/sdl/painter.h"

#include <algorithm>
#include <cmath>

#include "ui/label.h"
#include "ui/picture_box.h"
#include "ui/sdl/text_wrap.h"

namespace yomite::ui::sdl {

namespace {

SDL_Color ToSdl(Color c) { return SDL_Color{c.r, c.g, c.b, 255}; }

Color Darker(Color c, int percent) {
  auto f = [percent](uint8_t v) { return uint8_t(v * (100 - percent) / 100); };
  return Color{f(c.r), f(c.g), f(c.b)};
}

// The grey of disabled text: readable on black and on white alike.
constexpr Color kDimmedText{128, 128, 128};
constexpr Color kButtonEdge{64, 64, 64};
// Below this a caption cannot be read: it is cut instead.
constexpr int kSmallestFittedPx = 8;

}  // namespace

SDL_Rect PixelsOf(const PixelRect& r) {
  long left = std::lround(r.left), top = std::lround(r.top);
  long right = std::lround(r.left + r.width), bottom = std::lround(r.top + r.height);
  return SDL_Rect{int(left), int(top), int(std::max(0L, right - left)),
                  int(std::max(0L, bottom - top))};
}

Painter::Painter(SDL_Renderer* renderer, FontCache* fonts)
    : renderer_(renderer), fonts_(fonts), texts_(renderer, fonts) {}

bool Painter::HasFont() const { return fonts_ && fonts_->Get(PixelSize(9)) != nullptr; }

void Painter::DropTextures() { texts_.Clear(); }

void Painter::Fill(const SDL_Rect& rect, Color color) {
  SDL_SetRenderDrawColor(renderer_, color.r, color.g, color.b, 255);
  SDL_RenderFillRect(renderer_, &rect);
}

void Painter::Frame(const SDL_Rect& rect, Color color) {
  SDL_SetRenderDrawColor(renderer_, color.r, color.g, color.b, 255);
  SDL_RenderDrawRect(renderer_, &rect);
}

const std::vector<Text>& Painter::CaptionLines(const Control& control, int width, int pixel_size,
                                               size_t max_lines) {
  static const std::vector<Text> kNone;
  TTF_Font* font = fonts_ ? fonts_->Get(pixel_size) : nullptr;
  if (!font) return kNone;
  CachedLines& cached = caption_lines_[&control];
  const bool extends =
      cached.caption_sets == control.CaptionSets() && cached.pixel_size == pixel_size;
  cached.caption_sets = control.CaptionSets();
  cached.pixel_size = pixel_size;
  TtfMeasurer measurer(font);
  return cached.lines.Update(control.Caption(), extends, width, measurer, max_lines);
}

void Painter::DrawLines(const std::vector<Text>& lines, const SDL_Rect& rect, int pixel_size,
                        SDL_Color color, Align align, bool centre_vertically) {
  TTF_Font* font = fonts_ ? fonts_->Get(pixel_size) : nullptr;
  if (!font || lines.empty() || rect.w <= 0 || rect.h <= 0) return;
  int skip = fonts_->LineHeight(pixel_size);
  int y = rect.y;
  if (centre_vertically) y += (rect.h - skip * int(lines.size())) / 2;
  SDL_RenderSetClipRect(renderer_, &rect);
  for (const Text& line : lines) {
    if (y >= rect.y + rect.h) break;  // the rest does not fit below
    TextTextures::Line drawn = texts_.Get(line, pixel_size, color);
    if (drawn.texture && y + drawn.height > rect.y) {
      int x = align == Align::kCentre ? rect.x + (rect.w - drawn.width) / 2 : rect.x;
      SDL_Rect to{x, y, drawn.width, drawn.height};
      SDL_RenderCopy(renderer_, drawn.texture, nullptr, &to);
    }
    y += skip;
  }
  SDL_RenderSetClipRect(renderer_, nullptr);
}

void Painter::PaintBackOnly(const Window& window) {
  Color back = window.BackColor();
  SDL_SetRenderDrawColor(renderer_, back.r, back.g, back.b, 255);
  SDL_RenderSetClipRect(renderer_, nullptr);
  SDL_RenderClear(renderer_);
}

void Painter::PaintWindow(const Window& window, PictureBuffers& buffers, const Control* pressed) {
  PaintBackOnly(window);
  for (const Control* c : window.DrawingOrder()) {
    if (!c->Visible()) continue;
    switch (c->kind()) {
      case ControlKind::kLabel:
        PaintLabel(*c);
        break;
      case ControlKind::kCommandButton:
        PaintButton(*c, c == pressed, window.FocusCues() && c == window.Focused());
        break;
      case ControlKind::kPictureBox:
        PaintPictureBox(static_cast<const PictureBox&>(*c), buffers);
        break;
      case ControlKind::kTimer:
        break;
    }
  }
}

void Painter::PaintLabel(const Control& label) {
  SDL_Rect rect = PixelsOf(label.Rect());
  if (rect.w <= 0 || rect.h <= 0) return;
  bool transparent = static_cast<const Label&>(label).Transparent();
  if (!transparent) Fill(rect, label.BackColor());
  if (label.Border() == BorderStyle::kFixedSingle) Frame(rect, kBlack);
  int size = PixelSize(label.FontSize() > 0 ? label.FontSize() : label.window().DefaultFontSize());
  Color color = label.Enabled() ? label.ForeColor() : kDimmedText;
  Align align = centred_.count(&label) ? Align::kCentre : Align::kLeft;
  // Lines below the label's height are cut off: they need no wrapping.
  const int skip = fonts_ ? std::max(1, fonts_->LineHeight(size)) : 1;
  const size_t shown = static_cast<size_t>(rect.h / skip + 1);
  DrawLines(CaptionLines(label, rect.w, size, shown), rect, size, ToSdl(color), align, false);
}

void Painter::FocusMark(const SDL_Rect& face, Color color) {
  // A dotted line just inside the edge, every other pixel, as the desktop
  // marks the focused button.
  const int inset = std::min(face.w, face.h) >= 12 ? 3 : 1;
  SDL_Rect r{face.x + inset, face.y + inset, face.w - 2 * inset, face.h - 2 * inset};
  if (r.w < 2 || r.h < 2) return;
  std::vector<SDL_Point> dots;
  for (int x = r.x; x < r.x + r.w; x += 2) {
    dots.push_back({x, r.y});
    dots.push_back({x, r.y + r.h - 1});
  }
  for (int y = r.y; y < r.y + r.h; y += 2) {
    dots.push_back({r.x, y});
    dots.push_back({r.x + r.w - 1, y});
  }
  SDL_SetRenderDrawColor(renderer_, color.r, color.g, color.b, 255);
  SDL_RenderDrawPoints(renderer_, dots.data(), int(dots.size()));
}

void Painter::PaintButton(const Control& button, bool pressed, bool focused) {
  SDL_Rect rect = PixelsOf(button.Rect());
  if (rect.w <= 0 || rect.h <= 0) return;
  Fill(rect, pressed ? Darker(button.BackColor(), 15) : button.BackColor());
  Frame(rect, kButtonEdge);
  if (pressed && rect.w > 2 && rect.h > 2) {
    SDL_Rect inner{rect.x + 1, rect.y + 1, rect.w - 2, rect.h - 2};
    Frame(inner, Darker(button.BackColor(), 40));
  }
  Color color = button.Enabled() ? button.ForeColor() : kDimmedText;
  SDL_Rect text{rect.x + 2, rect.y + 1, rect.w - 4, rect.h - 2};
  int size;
  if (button.FontSize() > 0) {
    size = PixelSize(button.FontSize());
  } else {
    // The default size follows the desktop's scale, which on a small screen
    // at a large scale makes it taller than the button: the caption then
    // shrinks to fit rather than being cut.
    size = PixelSize(button.window().DefaultFontSize());
    while (size > kSmallestFittedPx && fonts_ && fonts_->LineHeight(size) > text.h) --size;
  }
  if (pressed) {
    // The caption moves with the face, as a button that is pushed in.
    text.x += 1;
    text.y += 1;
  }
  DrawLines(CaptionLines(button, text.w, size), text, size, ToSdl(color), Align::kCentre, true);
  if (focused) FocusMark(rect, color);
}

void Painter::PaintPictureBox(const PictureBox& box, PictureBuffers& buffers) {
  SDL_Rect rect = PixelsOf(box.Rect());
  if (rect.w <= 0 || rect.h <= 0) return;
  PictureBuffer& buffer = buffers.For(box);
  if (SDL_Texture* texture = buffer.Texture(renderer_)) {
    SDL_Rect to{rect.x, rect.y, buffer.width(), buffer.height()};
    SDL_RenderCopy(renderer_, texture, nullptr, &to);
  } else {
    Fill(rect, box.BackColor());
  }
  if (box.Border() == BorderStyle::kFixedSingle) Frame(rect, kBlack);
}

Text ReadableBoxText(TextView text) {
  Text shown;
  int lines = 1;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n' && ++lines > kMaxBoxTextLines) break;
    // A character and the low half of a pair that follows it go together.
    size_t units = 1;
    if (i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      units = 2;
    }
    if (shown.size() + units > kMaxBoxTextChars) break;
    shown.append(text.substr(i, units));
    i += units - 1;
  }
  if (shown.size() < text.size()) {
    while (!shown.empty() && (shown.back() == u'\r' || shown.back() == u'\n')) shown.pop_back();
    shown += u"\u2026";
  }
  return shown;
}

MessageBoxLayout Painter::LayoutMessageBox(TextView text, TextView title, int width, int height) {
  // At least the size of the window's default text, larger on large
  // screens; smaller, down to what can still be read, where the box would
  // not fit the window.
  int font_px = std::max(PixelSize(9), height / 48);
  MessageBoxLayout box = LayoutMessageBoxAt(text, title, width, height, font_px);
  while (font_px > kSmallestFittedPx && (box.frame.w > width || box.frame.h > height)) {
    box = LayoutMessageBoxAt(text, title, width, height, --font_px);
  }
  // Still too large: the OK button stays inside the window (centred on it
  // when it is larger still), whatever of the box is cut off.
  auto overhang = [](int pos, int size, int limit) {
    if (size >= limit) return pos - (limit - size) / 2;
    return pos < 0 ? pos : std::max(0, pos + size - limit);
  };
  const int dx = overhang(box.ok.x, box.ok.w, width);
  const int dy = overhang(box.ok.y, box.ok.h, height);
  for (SDL_Rect* r : {&box.frame, &box.title_bar, &box.text, &box.ok}) {
    r->x -= dx;
    r->y -= dy;
  }
  return box;
}

MessageBoxLayout Painter::LayoutMessageBoxAt(TextView text, TextView title, int width, int height,
                                             int font_px) {
  MessageBoxLayout box;
  box.title = Text(title);
  box.font_px = font_px;
  // Without a font the box still comes up, sized as if it had one, with
  // its title bar and OK button but no text: never the system's own box,
  // which shows Japanese as mojibake or not at all.
  TTF_Font* font = fonts_ ? fonts_->Get(box.font_px) : nullptr;
  const int skip = font ? fonts_->LineHeight(box.font_px) : box.font_px + box.font_px / 8;
  int pad = skip;
  int text_w = 0, title_w = 0;
  if (font) {
    int max_text = std::max(skip * 8, width * 4 / 5 - 2 * pad);
    box.lines = WrapText(text, max_text, font);
    for (const Text& line : box.lines) text_w = std::max(text_w, TextWidth(line, font));
    title_w = TextWidth(title, font);
  }
  int ok_w = skip * 5, ok_h = skip * 3 / 2 + 4;
  int inner_w = std::max({text_w, title_w + pad, ok_w, skip * 12});
  int frame_w = inner_w + 2 * pad;
  int title_h = skip + skip / 2;
  // The last line reaches as low as the face's ink does, so that its
  // underscores and descenders are not cut off at the text's edge.
  int text_h =
      box.lines.empty() ? 0 : skip * (int(box.lines.size()) - 1) + fonts_->InkBottom(box.font_px);
  int frame_h = title_h + pad + text_h + pad + ok_h + pad;
  box.frame = SDL_Rect{(width - frame_w) / 2, (height - frame_h) / 2, frame_w, frame_h};
  box.title_bar = SDL_Rect{box.frame.x + 1, box.frame.y + 1, frame_w - 2, title_h};
  box.text = SDL_Rect{box.frame.x + pad, box.title_bar.y + title_h + pad, inner_w, text_h};
  box.ok = SDL_Rect{box.frame.x + (frame_w - ok_w) / 2, box.text.y + text_h + pad, ok_w, ok_h};
  return box;
}

void Painter::PaintMessageBox(const MessageBoxLayout& box, bool ok_pressed) {
  constexpr Color kFace{240, 240, 240};
  constexpr Color kTitle{32, 64, 128};
  constexpr Color kShadow{20, 20, 20};
  SDL_Rect shadow{box.frame.x + 4, box.frame.y + 4, box.frame.w, box.frame.h};
  Fill(shadow, kShadow);
  Fill(box.frame, kFace);
  Frame(box.frame, kButtonEdge);
  Fill(box.title_bar, kTitle);
  SDL_Rect title_text{box.title_bar.x + box.font_px / 2, box.title_bar.y, box.title_bar.w,
                      box.title_bar.h};
  DrawLines({box.title}, title_text, box.font_px, ToSdl(kWhite), Align::kLeft, true);
  DrawLines(box.lines, box.text, box.font_px, ToSdl(kBlack), Align::kLeft, false);
  constexpr Color kOkFace{225, 225, 225};
  Fill(box.ok, ok_pressed ? Darker(kOkFace, 15) : kOkFace);
  Frame(box.ok, kButtonEdge);
  SDL_Rect ok_text = box.ok;
  if (ok_pressed) {
    ok_text.x += 1;
    ok_text.y += 1;
  }
  DrawLines({u"OK"}, ok_text, box.font_px, ToSdl(kBlack), Align::kCentre, true);
}

}  // namespace yomite::ui::sdl
