// Decodes the story's JPEG pictures into 0x00RRGGBB pixels with libjpeg-turbo.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/picture.h"
#include "platform/story_folder.h"

namespace yomite::platform {

// Pictures beyond these bounds are refused before any pixel memory is
// allocated, so a corrupt or hostile header cannot exhaust memory: the
// pixels alone of the largest accepted picture take 200 MB.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr int64_t kMaxPicturePixels = 50'000'000;
// Each scan of a progressive picture is a pass over all of it. Encoders
// write ten or so (a dozen for the most finely tuned); the format allows a
// few thousand, which only a file made to stall a decoder has.
inline constexpr int kMaxPictureScans = 100;
// Files are read whole; no sensible story picture comes near this.
inline constexpr size_t kMaxPictureFileBytes = size_t{64} << 20;

// Decodes a JPEG stream held in memory. Baseline, progressive, greyscale
// and CMYK/YCCK streams are accepted; a stream cut short decodes as far as
// its data goes, with the decoder's warning in the picture. Throws
// RuntimeError 481 (with name in its detail) when the bytes are not a JPEG
// that can be decoded, the picture is too large or has too many scans, and 7
// when memory runs out. watch, when given, is asked as the decoding goes on
// (see PictureLoader::watch); what it answers is thrown.
Picture DecodeJpeg(std::string_view bytes, std::string_view name,
                   const PictureLoader::Watch* watch = nullptr);

// Loads story pictures from the data folder: the file name is resolved with
// the story's name rules (backslashes, any letter case). Safe to use from
// several threads at once.
class JpegPictureLoader : public PictureLoader {
 public:
  // folder must outlive the loader.
  explicit JpegPictureLoader(const StoryFolder& folder,
                             size_t max_file_bytes = kMaxPictureFileBytes)
      : folder_(folder), max_file_bytes_(max_file_bytes) {}

  // Throws the story folder's errors for a file that cannot be read (53
  // missing, 70 not permitted, 75 not a regular file, 57 a failing read),
  // and the errors of DecodeJpeg; 481 also for a file over max_file_bytes.
  PicturePtr LoadPicture(const Text& path) override;

 private:
  const StoryFolder& folder_;
  size_t max_file_bytes_;
};

}  // namespace yomite::platform
