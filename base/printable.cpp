#include "base/printable.h"

#include <cstdio>

namespace yomite {

namespace {

void AppendEscape(std::string& out, char32_t c) {
  char buf[12];
  switch (c) {
    case U'\n':
      out += "\\n";
      return;
    case U'\r':
      out += "\\r";
      return;
    case U'\t':
      out += "\\t";
      return;
    case 0x1B:
      out += "\\e";
      return;
    default:
      std::snprintf(buf, sizeof buf, c < 0x80 ? "\\x%02X" : "\\u%04X", static_cast<unsigned>(c));
      out += buf;
  }
}

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

}  // namespace

std::string Printable(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    char32_t c;
    const size_t len = DecodeUtf8(bytes, i, c);
    if (len == 0) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(bytes[i]));
      out += buf;
      ++i;
      continue;
    }
    if (IsControl(c)) {
      AppendEscape(out, c);
    } else {
      out.append(bytes.substr(i, len));
    }
    i += len;
  }
  return out;
}

std::string Printable(TextView text) { return Printable(ToUtf8(text)); }

}  // namespace yomite
