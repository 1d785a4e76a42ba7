// Decoded pictures and the loader that makes them from files.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/text.h"

namespace yomite::platform {

// A decoded picture. Pixels are 32-bit 0x00RRGGBB values, row after row
// (SDL_PIXELFORMAT_RGB888), or empty when the loader only read the size.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  // Why the picture decoded only in part (the data is cut short, say: the
  // rest is grey), in the decoder's words; empty when it decoded whole.
  std::string warning{};
  // Passes the decoder made over the picture: 1 for a baseline picture,
  // one per scan for a progressive one.
  int scans = 1;

  // The work of decoding it as one user action's budget counts it: about
  // three passes over the picture, and one more for each scan.
  int64_t DecodeWork() const { return int64_t{width} * height * (3 + scans); }
};

using PicturePtr = std::shared_ptr<const Picture>;

class PictureLoader {
 public:
  virtual ~PictureLoader() = default;
  // Loads the JPEG file at path. Throws RuntimeError 53 when it does not
  // exist, 481 when it is not a picture that can be decoded.
  virtual PicturePtr LoadPicture(const Text& path) = 0;

  // Asked many times a second while a picture is decoded, with the work
  // done on it so far (its pixels times the passes made: three, and one
  // for each scan begun). An exception it returns leaves the decoding and
  // is thrown: the program is ending, or the action has done its share.
  // Loaders that decode in an instant need not ask.
  using Watch = std::function<std::exception_ptr(int64_t work)>;
  Watch watch;
};

}  // namespace yomite::platform
