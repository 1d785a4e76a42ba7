// Writes RGBA pictures as PNG files: enough for the icon files the build
// installs, with zlib for the compression.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace yomite::icon {

// pixels: width * height values of 0xAARRGGBB, row by row. Returns the PNG
// file's bytes (8-bit RGBA, no interlace).
std::string EncodePng(const std::vector<uint32_t>& pixels, int width, int height);

}  // namespace yomite::icon
