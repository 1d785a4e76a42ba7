// Reads arbitrary bytes as a script: the line reader, then code page 932.
//
// The first byte of the input, when it is not zero, puts that many bytes
// short of the reader's 64 KiB buffer in front of the rest as a first line
// of 'a's, so that line ends and characters fall across the buffer's edge.
//
// What must hold:
//  - the lines are exactly the bytes between the ends (CR LF or a lone CR;
//    a lone LF stays in the line): nothing is lost, split or joined;
//  - decoding never makes more characters than bytes, and never fewer than
//    half of them, since a character takes one or two bytes;
//  - a line end never falls inside a character, so decoding line by line
//    gives the same characters as decoding the whole file;
//  - every decoded character encodes again, and encoding then decoding
//    gives the same characters back.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/cp932.h"
#include "platform/line_reader.h"

using namespace yomite;

namespace {

constexpr size_t kBufferBytes = 64 * 1024;  // the reader's buffer

// The lines as the format defines them, from the whole file at once.
std::vector<std::string> ExpectedLines(std::string_view bytes) {
  std::vector<std::string> lines;
  size_t i = 0;
  while (i < bytes.size()) {
    size_t cr = bytes.find('\r', i);
    if (cr == std::string_view::npos) {
      lines.emplace_back(bytes.substr(i));
      break;
    }
    lines.emplace_back(bytes.substr(i, cr - i));
    i = cr + 1;
    if (i < bytes.size() && bytes[i] == '\n') ++i;
  }
  return lines;
}

std::vector<std::string> ReadLines(std::string_view bytes) {
  static const int fd = ::memfd_create("yomite-fuzz-lines", 0);
  FUZZ_CHECK(fd >= 0);
  FUZZ_CHECK(::ftruncate(fd, 0) == 0);
  FUZZ_CHECK(::pwrite(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()));
  FUZZ_CHECK(::lseek(fd, 0, SEEK_SET) == 0);
  // The reader closes its own descriptor, which shares the file and its offset.
  platform::LineReader splitter(platform::FileDescriptor(::dup(fd)), "s.dat");
  std::vector<std::string> lines;
  while (!splitter.AtEnd()) {
    lines.push_back(splitter.ReadLine());
    FUZZ_CHECK(lines.size() <= bytes.size());
  }
  FUZZ_CHECK(splitter.AtEnd());  // and stays there
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string bytes;
  if (data[0] != 0) {
    bytes.assign(kBufferBytes - data[0], 'a');
    bytes += (data[0] & 1) ? "\r\n" : "\r";
  }
  const bool padded = !bytes.empty();
  bytes.append(reinterpret_cast<const char*>(data) + 1, size - 1);

  const std::vector<std::string> lines = ReadLines(bytes);
  FUZZ_CHECK(lines == ExpectedLines(bytes));

  // The decoding checks skip the line of 'a's, which only moves the rest.
  Text whole;
  size_t at = 0;
  size_t rest = 0;  // where the bytes after the padding begin
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const bool padding = padded && i == 0;
    at += line.size();
    if (!padding) {
      const Text text = cp932::Decode(line);
      FUZZ_CHECK(text.size() <= line.size());
      FUZZ_CHECK(text.size() * 2 >= line.size());
      const auto encoded = cp932::Encode(text);
      FUZZ_CHECK(encoded.has_value());
      FUZZ_CHECK(cp932::Decode(*encoded) == text);
      whole += text;
    }
    // The line's end as it stands in the file.
    if (at < bytes.size()) {
      FUZZ_CHECK(bytes[at] == '\r');
      ++at;
      if (!padding) whole += u'\r';
      if (at < bytes.size() && bytes[at] == '\n') {
        ++at;
        if (!padding) whole += u'\n';
      }
    }
    if (padding) rest = at;
  }
  FUZZ_CHECK(at == bytes.size());
  FUZZ_CHECK(whole == cp932::Decode(std::string_view(bytes).substr(rest)));
  return 0;
}
