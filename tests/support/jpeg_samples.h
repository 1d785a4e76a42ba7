// JPEG streams made on the spot with libjpeg-turbo, so the tests need no
// sample files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace yomite::testing {

// 0x00RRGGBB pixels, row after row.
using Pixels = std::vector<uint32_t>;

struct RgbOptions {
  int subsampling;  // a TJSAMP_ value
  int quality = 95;
  bool progressive = false;
};

std::string EncodeRgb(const Pixels& pixels, int width, int height, RgbOptions options);

// One byte per pixel.
std::string EncodeGrey(const std::vector<uint8_t>& levels, int width, int height);

// Four bytes per pixel, C M Y K as stored in the file (Adobe's inverted
// inks: 255 is no ink). ycck picks the colour transform TurboJPEG writes;
// otherwise the inks are stored untransformed.
std::string EncodeCmyk(const std::vector<uint8_t>& inks, int width, int height, bool ycck);

// A width x height picture split into four quadrants of the given colours:
// top left, top right, bottom left, bottom right.
Pixels Quadrants(int width, int height, uint32_t tl, uint32_t tr, uint32_t bl, uint32_t br);

// Rewrites the size in the frame header of a JPEG stream.
void PatchFrameSize(std::string& jpeg, int width, int height);

// Offset of the first byte after the start-of-scan header.
size_t ScanDataOffset(const std::string& jpeg);

bool HasMarker(const std::string& jpeg, uint8_t marker);

// How many scans the stream holds.
int CountScans(const std::string& jpeg);

// The stream with its last scan (header and data) written copies more times
// before its end: a progressive picture that decoders read pass after pass.
std::string RepeatLastScan(const std::string& jpeg, int copies);

}  // namespace yomite::testing
