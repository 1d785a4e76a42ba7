// The icon at the sizes the build installs, and the PNG files it writes.
#include <gtest/gtest.h>
#include <zlib.h>

#include "tools/icon/png.h"
#include "ui/icon_art.h"

using namespace yomite;

namespace {

uint32_t Be32(const std::string& s, size_t at) {
  return (uint32_t(uint8_t(s[at])) << 24) | (uint32_t(uint8_t(s[at + 1])) << 16) |
         (uint32_t(uint8_t(s[at + 2])) << 8) | uint32_t(uint8_t(s[at + 3]));
}

TEST(Icon, EverySizeShowsTheSamePicture) {
  for (int size : {16, 32, 48, 256}) {
    std::vector<uint32_t> p = ui::DrawIcon(size);
    ASSERT_EQ(p.size(), size_t(size) * size);
    auto at = [&](double fx, double fy) { return p[size_t(fy * size) * size + size_t(fx * size)]; };
    EXPECT_EQ(at(0.01, 0.01) >> 24, 0u) << size << ": the corners are transparent";
    EXPECT_EQ(at(0.5, 0.85), 0xFF1E2A4Au) << size << ": the dark tile at the bottom";
    uint32_t blossom = at(25.0 / 32, 13.5 / 32);
    EXPECT_EQ(blossom >> 24, 0xFFu) << size;
    EXPECT_GT((blossom >> 16) & 0xFF, 0xE0u) << size << ": a yellow blossom (red high)";
    EXPECT_LT(blossom & 0xFF, 0x60u) << size << ": a yellow blossom (blue low)";
  }
  EXPECT_TRUE(ui::DrawIcon(0).empty());
}

TEST(Icon, EdgesAreSmoothedNotCut) {
  std::vector<uint32_t> p = ui::DrawIcon(64);
  int partial = 0;
  for (uint32_t c : p) partial += (c >> 24) > 0 && (c >> 24) < 0xFF;
  EXPECT_GT(partial, 64) << "the round tile's edge is partly transparent";
}

TEST(Png, WritesAFileThatDecodesToThePixels) {
  std::vector<uint32_t> pixels = {0xFF112233, 0x80445566, 0x00000000,
                                  0xFFFFFFFF, 0x01020304, 0xFE050607};
  std::string png = icon::EncodePng(pixels, 3, 2);
  ASSERT_GT(png.size(), 8u + 25 + 12 + 12);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(Be32(png, 16), 3u);
  EXPECT_EQ(Be32(png, 20), 2u);
  EXPECT_EQ(png[24], 8) << "8 bits per sample";
  EXPECT_EQ(png[25], 6) << "RGBA";
  // Every chunk's CRC holds, and IDAT inflates to the filtered rows.
  size_t at = 8;
  std::string idat;
  std::vector<std::string> types;
  while (at + 12 <= png.size()) {
    uint32_t length = Be32(png, at);
    std::string type = png.substr(at + 4, 4);
    std::string body = png.substr(at + 4, 4 + length);
    EXPECT_EQ(Be32(png, at + 8 + length),
              crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size()))
        << type;
    if (type == "IDAT") idat += png.substr(at + 8, length);
    types.push_back(type);
    at += 12 + length;
  }
  EXPECT_EQ(at, png.size());
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  std::string raw(2 * (1 + 3 * 4), '\0');
  uLongf raw_size = raw.size();
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &raw_size,
                       reinterpret_cast<const Bytef*>(idat.data()), idat.size()),
            Z_OK);
  ASSERT_EQ(raw_size, raw.size());
  EXPECT_EQ(raw, std::string("\0\x11\x22\x33\xFF\x44\x55\x66\x80\0\0\0\0"
                             "\0\xFF\xFF\xFF\xFF\x02\x03\x04\x01\x05\x06\x07\xFE",
                             26));
}

}  // namespace
