// Loads arbitrary bytes as a story picture, through the same loader the
// engine uses, from a real file.
//
// What must hold: the load either gives a picture of a sane size or fails
// with the story's "Invalid picture" error; the header reader agrees with
// the loader about the size; nothing else escapes.
#include <cstdint>
#include <string>

#include "base/runtime_error.h"
#include "fuzz/fuzz_check.h"
#include "platform/jpeg_header.h"

using namespace yomite;

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
  platform::JpegHeaderLoader loader(dat_path);
  try {
    platform::PicturePtr picture = loader.LoadPicture(dat_path + u"p.jpg");
    FUZZ_CHECK(picture != nullptr);
    FUZZ_CHECK(declared.has_value());
    FUZZ_CHECK(picture->width == declared->width && picture->height == declared->height);
    FUZZ_CHECK(picture->pixels.empty() ||
               picture->pixels.size() == size_t(picture->width) * size_t(picture->height));
  } catch (const RuntimeError& e) {
    FUZZ_CHECK(e.number() == err::kInvalidPicture);
    FUZZ_CHECK(!declared.has_value());
  }
  return 0;
}
