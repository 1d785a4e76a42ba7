// Loads arbitrary bytes as a story picture, from a real file, through the
// header reader that yomite-trace uses and, when it is built, the decoder
// the player uses.
//
// What must hold: a load either gives a picture of a sane size or fails
// with the story's "Invalid picture" error (or "Out of memory"); a decoded
// picture has all its pixels, with the top byte clear, and the size the
// header reader reads, so the tools and the player agree on a picture.
#include <cstdint>
#include <string>

#include "base/runtime_error.h"
#include "fuzz/fuzz_check.h"
#include "platform/jpeg_header.h"
#ifdef YOMITE_FUZZ_DECODER
#include <turbojpeg.h>

#include "platform/render/jpeg_loader.h"
#endif

using namespace yomite;

namespace {

void CheckDecoder(const Text& dat_path, std::string_view bytes,
                  const std::optional<platform::JpegSize>& declared) {
#ifdef YOMITE_FUZZ_DECODER
  // Large pictures within the limits take long to decode, which only slows
  // the search down; their size checks are cheap and still run.
  static tjhandle tj = tjInitDecompress();
  int width = 0, height = 0, sampling = 0, colours = 0;
  if (tjDecompressHeader3(tj, reinterpret_cast<const unsigned char*>(bytes.data()),
                          static_cast<unsigned long>(bytes.size()), &width, &height, &sampling,
                          &colours) == 0 &&
      int64_t{width} * height > 1'000'000 && width <= platform::kMaxPictureSide &&
      height <= platform::kMaxPictureSide &&
      int64_t{width} * height <= platform::kMaxPicturePixels) {
    return;
  }
  platform::JpegPictureLoader loader(dat_path);
  try {
    platform::PicturePtr picture = loader.LoadPicture(dat_path + u"p.jpg");
    FUZZ_CHECK(picture != nullptr);
    FUZZ_CHECK(picture->width >= 1 && picture->width <= platform::kMaxPictureSide);
    FUZZ_CHECK(picture->height >= 1 && picture->height <= platform::kMaxPictureSide);
    FUZZ_CHECK(picture->pixels.size() == size_t(picture->width) * size_t(picture->height));
    for (uint32_t p : picture->pixels) FUZZ_CHECK((p >> 24) == 0);
    FUZZ_CHECK(declared.has_value());
    FUZZ_CHECK(declared->width == picture->width && declared->height == picture->height);
  } catch (const RuntimeError& e) {
    FUZZ_CHECK(e.number() == err::kInvalidPicture || e.number() == err::kOutOfMemory);
  }
#else
  (void)dat_path, (void)bytes, (void)declared;
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto declared = platform::ReadJpegSize(bytes);
  if (declared) {
    FUZZ_CHECK(bytes.size() >= 4 && bytes[0] == '\xFF' && bytes[1] == '\xD8');
    FUZZ_CHECK(declared->width >= 1 && declared->width <= 65535);
    FUZZ_CHECK(declared->height >= 1 && declared->height <= 65535);
  }

  static const std::filesystem::path& dat = fuzz::ScratchFolder("picture");
  static const Text dat_path = FromUtf8(dat.string() + "/");
  fuzz::WriteBytes(dat / "p.jpg", bytes);
  platform::JpegHeaderLoader headers(dat_path);
  try {
    platform::PicturePtr picture = headers.LoadPicture(dat_path + u"p.jpg");
    FUZZ_CHECK(picture != nullptr);
    FUZZ_CHECK(declared.has_value());
    FUZZ_CHECK(picture->width == declared->width && picture->height == declared->height);
  } catch (const RuntimeError& e) {
    FUZZ_CHECK(e.number() == err::kInvalidPicture);
    FUZZ_CHECK(!declared.has_value());
  }
  CheckDecoder(dat_path, bytes, declared);
  return 0;
}
