#include "platform/render/jpeg_loader.h"

#include <turbojpeg.h>

#include <bit>
#include <memory>
#include <new>
#include <string>

#include "base/runtime_error.h"

namespace yomite::platform {
namespace {

struct HandleCloser {
  void operator()(void* handle) const { tjDestroy(handle); }
};
using Decompressor = std::unique_ptr<void, HandleCloser>;

// In memory TJPF_BGRX is B, G, R, X: read as a little-endian uint32 that is
// 0xXXRRGGBB, the layout of a Picture and of an SDL RGB888 surface, so the
// decoder writes the final pixels itself. Big-endian machines need XRGB.
constexpr int kPixelFormat = std::endian::native == std::endian::little ? TJPF_BGRX : TJPF_XRGB;

// The decoder fills the X byte with 0xFF; a Picture promises zero there.
void ClearTopBytes(std::vector<uint32_t>& pixels) {
  for (uint32_t& p : pixels) p &= 0x00FFFFFFu;
}

uint32_t Scale255(uint32_t a, uint32_t b) {  // round(a * b / 255) for bytes
  uint32_t t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

// TurboJPEG hands CMYK back as stored. Photoshop, which writes nearly all
// CMYK JPEGs, stores the inks inverted (255 is no ink), so with C', M', Y',
// K' the stored values, red = C' * K' / 255 and so on. Converts in place.
void CmykToRgb(std::vector<uint32_t>& pixels) {
  for (uint32_t& p : pixels) {
    const auto* b = reinterpret_cast<const unsigned char*>(&p);
    uint32_t c = b[0], m = b[1], y = b[2], k = b[3];
    p = Scale255(c, k) << 16 | Scale255(m, k) << 8 | Scale255(y, k);
  }
}

}  // namespace

Picture DecodeJpeg(std::string_view bytes, std::string_view name) {
  Decompressor handle(tjInitDecompress());
  if (!handle) throw RuntimeError(err::kOutOfMemory, std::string(name));
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto size = static_cast<unsigned long>(bytes.size());
  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  if (tjDecompressHeader3(handle.get(), data, size, &width, &height, &subsampling, &colorspace) !=
          0 ||
      width <= 0 || height <= 0) {
    throw RuntimeError(err::kInvalidPicture, std::string(name));
  }
  if (width > kMaxPictureSide || height > kMaxPictureSide ||
      int64_t{width} * height > kMaxPicturePixels) {
    throw RuntimeError(err::kInvalidPicture,
                       std::string(name) + " is too large (" + std::to_string(width) + " x " +
                           std::to_string(height) + " pixels; at most " +
                           std::to_string(kMaxPictureSide) + " on a side and " +
                           std::to_string(kMaxPicturePixels / 1'000'000) + " million in all)");
  }
  const bool cmyk = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
  Picture picture;
  try {
    picture.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  } catch (const std::bad_alloc&) {
    throw RuntimeError(err::kOutOfMemory, std::string(name));
  }
  if (tjDecompress2(handle.get(), data, size,
                    reinterpret_cast<unsigned char*>(picture.pixels.data()), width, width * 4,
                    height, cmyk ? TJPF_CMYK : kPixelFormat, 0) != 0) {
    // A warning (data cut short, stray bytes) still leaves what could be
    // decoded in the buffer, the rest grey: show that rather than fail.
    if (tjGetErrorCode(handle.get()) != TJERR_WARNING) {
      throw RuntimeError(err::kInvalidPicture, std::string(name));
    }
    picture.warning = tjGetErrorStr2(handle.get());
  }
  if (cmyk) {
    CmykToRgb(picture.pixels);
  } else {
    ClearTopBytes(picture.pixels);
  }
  picture.width = width;
  picture.height = height;
  return picture;
}

PicturePtr JpegPictureLoader::LoadPicture(const Text& path) {
  std::string name = ToUtf8(folder_.RelativeName(path));
  std::string bytes = folder_.ReadWhole(path, max_file_bytes_, err::kInvalidPicture);
  return std::make_shared<const Picture>(DecodeJpeg(bytes, name));
}

}  // namespace yomite::platform
