#include "platform/cp932.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace yomite::cp932 {
namespace {

// One converter per direction, opened once: iconv_open is costly and the
// program reads every script line through here.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  iconv_t get() {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
    return cd_;
  }

 private:
  iconv_t cd_;
};

Converter& Decoder() {
  static thread_local Converter c("UTF-16LE", "CP932");
  return c;
}

Converter& Encoder() {
  static thread_local Converter c("CP932", "UTF-16LE");
  return c;
}

// Halfwidth katakana A1..DF map straight onto U+FF61..U+FF9F.
inline bool IsHalfwidthKana(unsigned char b) { return b >= 0xA1 && b <= 0xDF; }

}  // namespace

Text Decode(std::string_view bytes, const std::function<void()>& between_blocks) {
  Text out;
  out.reserve(bytes.size());
  size_t i = 0;
  const size_t n = bytes.size();
  size_t next_block = kDecodeBlockBytes;
  while (i < n) {
    if (i >= next_block) {
      if (between_blocks) between_blocks();
      next_block = i + kDecodeBlockBytes;
    }
    // Fast path for runs of single-byte characters, which need no
    // converter: widened a run at a time (a prose line is mostly ASCII or
    // mostly double-byte).
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      size_t end = i + 1;
      const size_t run_end = std::min(n, next_block);
      while (end < run_end && static_cast<unsigned char>(bytes[end]) < 0x80) ++end;
      const size_t at = out.size();
      out.resize(at + (end - i));
      for (size_t k = i; k < end; ++k) out[at + (k - i)] = static_cast<char16_t>(bytes[k]);
      i = end;
      continue;
    }
    if (IsHalfwidthKana(b)) {
      out += static_cast<char16_t>(0xFF61 + (b - 0xA1));
      ++i;
      continue;
    }
    // A double-byte character (or an invalid byte): convert exactly two bytes,
    // or one when only one is left, and replace the lead byte on failure.
    char in_buf[2];
    size_t in_len = (i + 1 < n) ? 2 : 1;
    in_buf[0] = bytes[i];
    if (in_len == 2) in_buf[1] = bytes[i + 1];
    char out_buf[8];
    char* in_ptr = in_buf;
    char* out_ptr = out_buf;
    size_t in_left = in_len;
    size_t out_left = sizeof out_buf;
    size_t r = iconv(Decoder().get(), &in_ptr, &in_left, &out_ptr, &out_left);
    size_t consumed = in_len - in_left;
    size_t produced = sizeof out_buf - out_left;
    if (r == static_cast<size_t>(-1) && consumed == 0) {
      out += kReplacement;
      ++i;
      continue;
    }
    if (consumed == 0) {  // defensive: never loop without progress
      out += kReplacement;
      ++i;
      continue;
    }
    for (size_t k = 0; k + 1 < produced; k += 2) {
      out += static_cast<char16_t>(static_cast<unsigned char>(out_buf[k]) |
                                   (static_cast<unsigned char>(out_buf[k + 1]) << 8));
    }
    i += consumed;
  }
  return out;
}

std::optional<std::string> Encode(TextView text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    if (c >= 0xFF61 && c <= 0xFF9F) {
      out += static_cast<char>(0xA1 + (c - 0xFF61));
      continue;
    }
    char in_buf[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    char out_buf[4];
    char* in_ptr = in_buf;
    char* out_ptr = out_buf;
    size_t in_left = 2;
    size_t out_left = sizeof out_buf;
    size_t r = iconv(Encoder().get(), &in_ptr, &in_left, &out_ptr, &out_left);
    if (r == static_cast<size_t>(-1) || in_left != 0) return std::nullopt;
    out.append(out_buf, sizeof out_buf - out_left);
  }
  return out;
}

std::optional<int> CharCode(char16_t c) {
  if (c < 0x80) return static_cast<int>(c);
  auto bytes = Encode(TextView(&c, 1));
  if (!bytes || bytes->empty()) return std::nullopt;
  if (bytes->size() == 1) return static_cast<int>(static_cast<unsigned char>((*bytes)[0]));
  int code =
      (static_cast<unsigned char>((*bytes)[0]) << 8) | static_cast<unsigned char>((*bytes)[1]);
  return static_cast<int>(static_cast<int16_t>(code));
}

}  // namespace yomite::cp932
