#include "platform/cp932.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <memory>
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

// What the converter makes of a byte and the one after it: the bytes it
// takes (0 when the first is invalid) and the one UTF-16 unit it gives.
struct Pair {
  uint8_t consumed = 0;
  char16_t unit = 0;
};

Pair Convert(unsigned char lead, unsigned char trail, size_t in_len) {
  char in_buf[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  char out_buf[8];
  char* in_ptr = in_buf;
  char* out_ptr = out_buf;
  size_t in_left = in_len;
  size_t out_left = sizeof out_buf;
  iconv(Decoder().get(), &in_ptr, &in_left, &out_ptr, &out_left);
  const size_t consumed = in_len - in_left;
  // Every character of code page 932 is one unit of the BMP; anything else
  // is taken as invalid rather than half kept.
  if (consumed == 0 || sizeof out_buf - out_left != 2) return {};
  return {static_cast<uint8_t>(consumed),
          static_cast<char16_t>(static_cast<unsigned char>(out_buf[0]) |
                                (static_cast<unsigned char>(out_buf[1]) << 8))};
}

// The converter's answers for one lead byte, asked once per thread when the
// byte is first met: calling iconv for every character made decoding a
// line of kanji ten times slower than reading it.
Pair DecodedPair(unsigned char lead, unsigned char trail) {
  using Row = std::array<Pair, 256>;
  static thread_local std::array<std::unique_ptr<Row>, 128> rows;
  std::unique_ptr<Row>& row = rows[lead - 0x80];
  if (!row) {
    row = std::make_unique<Row>();
    for (int t = 0; t < 256; ++t) (*row)[t] = Convert(lead, static_cast<unsigned char>(t), 2);
  }
  return (*row)[trail];
}

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
    if (i + 1 < n) {
      const Pair pair = DecodedPair(b, static_cast<unsigned char>(bytes[i + 1]));
      if (pair.consumed == 0) {
        out += kReplacement;
        ++i;
      } else {
        out += pair.unit;
        i += pair.consumed;
      }
      continue;
    }
    // A lead byte at the very end.
    const Pair last = Convert(b, 0, 1);
    out += last.consumed ? last.unit : kReplacement;
    ++i;
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
