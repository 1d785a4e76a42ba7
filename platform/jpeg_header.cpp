#include "platform/jpeg_header.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/runtime_error.h"
#include "platform/story_paths.h"

namespace yomite::platform {

std::optional<JpegSize> ReadJpegSize(std::string_view bytes) {
  auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() < 4 || at(0) != 0xFF || at(1) != 0xD8) return std::nullopt;
  size_t i = 2;
  while (i + 4 <= bytes.size()) {
    if (at(i) != 0xFF) return std::nullopt;
    unsigned char marker = at(i + 1);
    if (marker == 0xFF) {  // fill byte
      ++i;
      continue;
    }
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      i += 2;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // no frame before the scan
    size_t length = (at(i + 2) << 8) | at(i + 3);
    if (length < 2 || i + 2 + length > bytes.size()) return std::nullopt;
    bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                 marker != 0xCC;
    if (frame) {
      if (length < 8) return std::nullopt;
      int height = (at(i + 5) << 8) | at(i + 6);
      int width = (at(i + 7) << 8) | at(i + 8);
      if (width == 0 || height == 0) return std::nullopt;
      return JpegSize{width, height};
    }
    i += 2 + length;
  }
  return std::nullopt;
}

std::string ReadStoryFile(const Text& dat_path, const Text& path, size_t max_bytes) {
  std::string name = ToUtf8(StoryRelativeName(dat_path, path));
  auto native = ResolveStoryFile(dat_path, path);
  if (!native) throw RuntimeError(err::kFileNotFound, name);
  int fd = ::open(native->c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    throw RuntimeError(errno == EACCES ? err::kPermission : err::kPathAccess, name);
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw RuntimeError(err::kPathAccess, name + " is a folder");
  }
  std::string bytes;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(buf, static_cast<size_t>(n));
    if (bytes.size() > max_bytes) {
      ::close(fd);
      throw RuntimeError(err::kInvalidPicture, name + " is larger than " +
                                                   std::to_string(max_bytes >> 20) + " MB");
    }
  }
  ::close(fd);
  return bytes;
}

PicturePtr JpegHeaderLoader::LoadPicture(const Text& path) {
  std::string name = ToUtf8(StoryRelativeName(dat_path_, path));
  std::string bytes = ReadStoryFile(dat_path_, path, 256u << 20);
  auto size = ReadJpegSize(bytes);
  if (!size) throw RuntimeError(err::kInvalidPicture, name);
  auto picture = std::make_shared<Picture>();
  picture->width = size->width;
  picture->height = size->height;
  return picture;
}

}  // namespace yomite::platform
