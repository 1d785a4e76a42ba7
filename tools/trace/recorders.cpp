#include "tools/trace/recorders.h"

#include <algorithm>

namespace yomite::trace {

void LoggingFiles::OpenForInput(const Text& path, int file_no) {
  inner_.OpenForInput(path, file_no);
  open_.insert(file_no);
  log_.push_back("open " + ToUtf8(folder_.RelativeName(path)));
}

void LoggingFiles::Close(int file_no) {
  inner_.Close(file_no);
  if (open_.erase(file_no)) log_.push_back("close");
}

platform::PicturePtr LoggingPictures::LoadPicture(const Text& path) {
  platform::PicturePtr picture = inner_.LoadPicture(path);
  log_.push_back("load " + ToUtf8(folder_.RelativeName(path)));
  return picture;
}

uint32_t SimulatedMedia::SendString(TextView command, char16_t* reply, uint32_t reply_length) {
  log_.push_back("mci " + ToUtf8(command));
  Text lower = FoldCase(command);
  if (lower.rfind(u"play ", 0) == 0) mode_ = u"playing";
  if (lower.rfind(u"status ", 0) == 0 && lower.size() >= 5 &&
      lower.compare(lower.size() - 5, 5, u" mode") == 0 && reply && reply_length > 0) {
    size_t n = std::min<size_t>(mode_.size(), reply_length - 1);
    std::copy_n(mode_.begin(), n, reply);
    reply[n] = u'\0';
  }
  return 0;
}

}  // namespace yomite::trace
