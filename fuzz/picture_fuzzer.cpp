// Loads arbitrary bytes as a story picture, from a real file, through the
// decoder the player and yomite-trace use.
//
// What must hold: a load either gives a picture of a sane size or fails
// with the story's "Invalid picture" error (or "Out of memory"); a decoded
// picture has all its pixels, with the top byte clear; the limit of scans
// stops only a stream that holds more start-of-scan markers than it allows.
#include <turbojpeg.h>

#include <cstdint>
#include <string>

#include "base/runtime_error.h"
#include "fuzz/fuzz_check.h"
#include "platform/render/jpeg_loader.h"
#include "platform/story_folder.h"

using namespace yomite;

namespace {

// Every scan starts with the marker FF DA, and entropy-coded data never holds
// it (a data byte FF is written FF 00), so this bounds the scans from above.
size_t StartOfScanMarkers(std::string_view bytes) {
  size_t count = 0;
  for (size_t at = bytes.find("\xFF\xDA"); at != std::string_view::npos;
       at = bytes.find("\xFF\xDA", at + 1)) {
    ++count;
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // Large pictures within the limits take long to decode, which only slows
  // the search down; their size checks are cheap and still run.
  static tjhandle tj = tjInitDecompress();
  int width = 0, height = 0, sampling = 0, colours = 0;
  if (tjDecompressHeader3(tj, data, static_cast<unsigned long>(size), &width, &height, &sampling,
                          &colours) == 0 &&
      int64_t{width} * height > 1'000'000 && width <= platform::kMaxPictureSide &&
      height <= platform::kMaxPictureSide &&
      int64_t{width} * height <= platform::kMaxPicturePixels) {
    return 0;
  }

  static const std::filesystem::path& dat = fuzz::ScratchFolder("picture");
  static const platform::StoryFolder folder(dat.string());
  fuzz::WriteBytes(dat / "p.jpg", bytes);
  platform::JpegPictureLoader loader(folder);
  try {
    platform::PicturePtr picture = loader.LoadPicture(folder.dat_path() + u"p.jpg");
    FUZZ_CHECK(picture != nullptr);
    FUZZ_CHECK(picture->width >= 1 && picture->width <= platform::kMaxPictureSide);
    FUZZ_CHECK(picture->height >= 1 && picture->height <= platform::kMaxPictureSide);
    FUZZ_CHECK(picture->pixels.size() == size_t(picture->width) * size_t(picture->height));
    for (uint32_t p : picture->pixels) FUZZ_CHECK((p >> 24) == 0);
  } catch (const RuntimeError& e) {
    FUZZ_CHECK(e.number() == err::kInvalidPicture || e.number() == err::kOutOfMemory);
    if (e.message().find(" scans") != std::string::npos) {
      FUZZ_CHECK(StartOfScanMarkers(bytes) > static_cast<size_t>(platform::kMaxPictureScans));
    }
  }
  return 0;
}
