#include "platform/script_files.h"

#include "base/runtime_error.h"
#include "platform/cp932.h"

namespace yomite::platform {

int ScriptFiles::FreeFile() {
  int no = 1;
  while (open_.count(no)) ++no;
  return no;
}

void ScriptFiles::OpenForInput(const Text& path, int file_no) {
  auto reader = std::make_unique<LineReader>(folder_.Open(path), folder_.MessageName(path));
  open_[file_no] = std::move(reader);
}

LineReader& ScriptFiles::Get(int file_no) {
  auto it = open_.find(file_no);
  if (it == open_.end()) {
    throw RuntimeError(err::kBadFileNumber,
                       "file number " + std::to_string(file_no) + " is not open");
  }
  return *it->second;
}

bool ScriptFiles::Eof(int file_no) { return Get(file_no).AtEnd(); }

Text ScriptFiles::LineInput(int file_no) {
  LineReader& file = Get(file_no);
  if (file.AtEnd()) throw RuntimeError(err::kPastEnd);
  return cp932::Decode(file.ReadLine(between_blocks_), between_blocks_);
}

void ScriptFiles::Close(int file_no) { open_.erase(file_no); }

}  // namespace yomite::platform
