// Draws the window's controls, and our own message box over them, with an
// SDL renderer. Everything is drawn in the window's inner pixels.
#pragma once

#include <SDL.h>

#include <map>
#include <set>
#include <vector>

#include "base/text.h"
#include "platform/render/text_layout.h"
#include "ui/sdl/desktop_dpi.h"
#include "ui/sdl/fonts.h"
#include "ui/sdl/picture_buffers.h"
#include "ui/window.h"

namespace yomite::ui::sdl {

struct MessageBoxLayout {
  Text title;
  std::vector<Text> lines;
  int font_px = 0;
  SDL_Rect frame{};      // the whole box
  SDL_Rect title_bar{};  // inside the frame, at its top
  SDL_Rect text{};       // where the lines go
  SDL_Rect ok{};         // the OK button
};

// A message box shows at most this much of its text: a run-time error
// that names a file of a million characters would otherwise fill the
// screen with lines nobody reads (the whole text goes to standard error).
inline constexpr size_t kMaxBoxTextChars = 600;
inline constexpr int kMaxBoxTextLines = 12;
// The text cut to those bounds, an ellipsis at the cut.
Text ReadableBoxText(TextView text);

class Painter {
 public:
  // fonts may be null: then no text is drawn.
  Painter(SDL_Renderer* renderer, FontCache* fonts);

  // The display's scale factor: renderer pixels per window point.
  void SetScale(double scale) { scale_ = scale; }
  double scale() const { return scale_; }
  bool HasFont() const;
  // The desktop's dots per inch, which points are sized by.
  void SetDpi(double dpi) { dpi_ = dpi; }
  double dpi() const { return dpi_; }
  int PixelSize(double points) const { return PointsToPixels(points, dpi_, scale_); }

  // Captions start at the left, except those of the controls named here,
  // which are centred.
  void CentreCaption(const Control& control) { centred_.insert(&control); }

  // The window's back colour, then its controls, lowest first. pressed is
  // the button drawn pressed in, or null. The focused button bears the
  // focus mark once the window shows focus cues.
  void PaintWindow(const Window& window, PictureBuffers& buffers, const Control* pressed);

  // The window's back colour alone.
  void PaintBackOnly(const Window& window);

  // A box centred over an area of width by height pixels, sized to its
  // text: a title bar, the lines and an OK button. Without a font, the
  // title bar and the button alone. On a window too small for it, its
  // text is smaller and its OK button stays inside the window.
  MessageBoxLayout LayoutMessageBox(TextView text, TextView title, int width, int height);
  void PaintMessageBox(const MessageBoxLayout& box, bool ok_pressed);

  // Once per presented frame.
  void EndFrame() { texts_.EndFrame(); }
  // The renderer lost its textures.
  void DropTextures();
  // Frees the wrapped captions kept from frame to frame; each is wrapped
  // anew when it is next drawn.
  void DropCaptions() { caption_lines_.clear(); }
  TextTextures& texts() { return texts_; }

 private:
  enum class Align { kLeft, kCentre };
  MessageBoxLayout LayoutMessageBoxAt(TextView text, TextView title, int width, int height,
                                      int font_px);
  void PaintLabel(const Control& label);
  void PaintButton(const Control& button, bool pressed, bool focused);
  void FocusMark(const SDL_Rect& face, Color color);
  void PaintPictureBox(const PictureBox& box, PictureBuffers& buffers);
  // Lines from the top of rect (or centred in it), cut off at its edges.
  void DrawLines(const std::vector<Text>& lines, const SDL_Rect& rect, int pixel_size,
                 SDL_Color color, Align align, bool centre_vertically);
  // The caption's lines, the first max_lines of them at most.
  const std::vector<Text>& CaptionLines(const Control& control, int width, int pixel_size,
                                        size_t max_lines = SIZE_MAX);
  void Fill(const SDL_Rect& rect, Color color);
  void Frame(const SDL_Rect& rect, Color color);

  struct CachedLines {
    uint64_t caption_sets = 0;
    int pixel_size = 0;
    render::GrowingCaptionLines lines;
  };

  SDL_Renderer* renderer_;
  FontCache* fonts_;
  TextTextures texts_;
  double scale_ = 1.0;
  double dpi_ = kStandardDpi;
  std::map<const Control*, CachedLines> caption_lines_;
  std::set<const Control*> centred_;
};

// A control's rectangle on whole pixels.
SDL_Rect PixelsOf(const PixelRect& rect);

}  // namespace yomite::ui::sdl
