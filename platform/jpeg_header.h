// A picture loader that checks a JPEG file and reads its size from the
// header without decoding the pixels: enough for the headless runner.
#pragma once

#include <optional>
#include <string_view>

#include "platform/picture.h"

namespace yomite::platform {

struct JpegSize {
  int width;
  int height;
};

// The size declared by the first frame header, or nullopt when the bytes
// are not a JPEG stream with a frame header.
std::optional<JpegSize> ReadJpegSize(std::string_view bytes);

class JpegHeaderLoader : public PictureLoader {
 public:
  explicit JpegHeaderLoader(Text dat_path) : dat_path_(std::move(dat_path)) {}
  PicturePtr LoadPicture(const Text& path) override;

 private:
  Text dat_path_;
};

// Reads a whole story file, or throws the run-time error for it (53, 70, 75).
std::string ReadStoryFile(const Text& dat_path, const Text& path, size_t max_bytes);

}  // namespace yomite::platform
