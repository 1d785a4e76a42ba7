// Stretches a picture over a rectangle of another size, each direction on
// its own (the aspect ratio is not kept). Shrinking averages every source
// pixel a destination pixel covers, weighted by the exact fraction covered,
// so fine patterns turn to their mean colour instead of aliasing; enlarging
// interpolates bilinearly between pixel centres. A direction whose size does
// not change is copied as is.
#pragma once

#include <cstdint>

#include "platform/picture.h"

namespace yomite::render {

// A block of 0x00RRGGBB pixels; stride counts pixels from one row to the
// next (at least width), so a rectangle of an SDL surface can be named.
struct PixelsView {
  const uint32_t* pixels;
  int width;
  int height;
  int stride;
};

struct MutablePixelsView {
  uint32_t* pixels;
  int width;
  int height;
  int stride;
};

// Fills all of dst with all of src. Nothing happens when either is empty.
// Only the width of each dst row is written; the padding up to its stride
// stays untouched. The top byte of every pixel written is zero.
void StretchPixels(PixelsView src, MutablePixelsView dst);

// A new picture of width x height holding src stretched over it.
platform::Picture StretchPicture(const platform::Picture& src, int width, int height);

}  // namespace yomite::render
