#include "tests/support/jpeg_samples.h"

// libjpeg's header needs FILE and size_t declared first.
#include <jpeglib.h>
#include <turbojpeg.h>

#include <cstdio>
#include <stdexcept>

namespace yomite::testing {
namespace {

std::string Compress(const unsigned char* source, int width, int height, int pixel_format,
                     int subsampling, int quality, int flags) {
  tjhandle handle = tjInitCompress();
  if (!handle) throw std::runtime_error("tjInitCompress failed");
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  int rc = tjCompress2(handle, source, width, 0, height, pixel_format, &jpeg, &size, subsampling,
                       quality, flags);
  std::string error = rc == 0 ? "" : tjGetErrorStr2(handle);
  tjDestroy(handle);
  if (rc != 0) throw std::runtime_error("tjCompress2: " + error);
  std::string bytes(reinterpret_cast<char*>(jpeg), size);
  tjFree(jpeg);
  return bytes;
}

// Calls f(offset, marker, length) for each marker segment up to and
// including the start of scan.
template <typename F>
void ForEachSegment(const std::string& jpeg, F f) {
  auto at = [&](size_t i) { return static_cast<uint8_t>(jpeg.at(i)); };
  size_t i = 2;
  while (i + 4 <= jpeg.size() && at(i) == 0xFF) {
    uint8_t marker = at(i + 1);
    size_t length = size_t{at(i + 2)} << 8 | at(i + 3);
    if (!f(i, marker, length) || marker == 0xDA) return;
    i += 2 + length;
  }
}

}  // namespace

std::string EncodeRgb(const Pixels& pixels, int width, int height, RgbOptions options) {
  std::vector<unsigned char> rgb;
  rgb.reserve(pixels.size() * 3);
  for (uint32_t p : pixels) {
    rgb.push_back(static_cast<unsigned char>(p >> 16));
    rgb.push_back(static_cast<unsigned char>(p >> 8));
    rgb.push_back(static_cast<unsigned char>(p));
  }
  return Compress(rgb.data(), width, height, TJPF_RGB, options.subsampling, options.quality,
                  options.progressive ? TJFLAG_PROGRESSIVE : 0);
}

std::string EncodeGrey(const std::vector<uint8_t>& levels, int width, int height) {
  return Compress(levels.data(), width, height, TJPF_GRAY, TJSAMP_GRAY, 95, 0);
}

std::string EncodeCmyk(const std::vector<uint8_t>& inks, int width, int height, bool ycck) {
  if (ycck) return Compress(inks.data(), width, height, TJPF_CMYK, TJSAMP_444, 95, 0);
  // TurboJPEG always writes YCCK; plain CMYK takes the library underneath.
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_colorspace(&cinfo, JCS_CMYK);  // also writes the Adobe marker
  jpeg_set_quality(&cinfo, 95, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(inks.data() + size_t{cinfo.next_scanline} * width * 4);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string bytes(reinterpret_cast<char*>(buffer), size);
  free(buffer);
  return bytes;
}

Pixels Quadrants(int width, int height, uint32_t tl, uint32_t tr, uint32_t bl, uint32_t br) {
  Pixels pixels(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      bool right = x >= width / 2, bottom = y >= height / 2;
      pixels[static_cast<size_t>(y) * width + x] = bottom ? (right ? br : bl) : (right ? tr : tl);
    }
  }
  return pixels;
}

void PatchFrameSize(std::string& jpeg, int width, int height) {
  bool patched = false;
  ForEachSegment(jpeg, [&](size_t i, uint8_t marker, size_t) {
    if (marker < 0xC0 || marker > 0xC2) return true;
    jpeg[i + 5] = static_cast<char>(height >> 8);
    jpeg[i + 6] = static_cast<char>(height);
    jpeg[i + 7] = static_cast<char>(width >> 8);
    jpeg[i + 8] = static_cast<char>(width);
    patched = true;
    return false;
  });
  if (!patched) throw std::runtime_error("no frame header to patch");
}

size_t ScanDataOffset(const std::string& jpeg) {
  size_t offset = 0;
  ForEachSegment(jpeg, [&](size_t i, uint8_t marker, size_t length) {
    if (marker == 0xDA) offset = i + 2 + length;
    return true;
  });
  if (offset == 0) throw std::runtime_error("no start of scan");
  return offset;
}

bool HasMarker(const std::string& jpeg, uint8_t wanted) {
  bool found = false;
  ForEachSegment(jpeg, [&](size_t, uint8_t marker, size_t) {
    found = found || marker == wanted;
    return !found;
  });
  return found;
}

namespace {

// Where each start-of-scan marker is: segments are skipped by their length,
// the coded data after a scan header up to the next marker that is neither
// a stuffed zero nor a restart marker.
std::vector<size_t> ScanStarts(const std::string& jpeg) {
  auto at = [&](size_t i) { return static_cast<uint8_t>(jpeg.at(i)); };
  std::vector<size_t> scans;
  size_t i = 2;
  while (i + 4 <= jpeg.size() && at(i) == 0xFF) {
    const uint8_t marker = at(i + 1);
    if (marker == 0xD9) break;
    const size_t start = i;
    i += 2 + (size_t{at(i + 2)} << 8 | at(i + 3));
    if (marker != 0xDA) continue;
    scans.push_back(start);
    while (i + 1 < jpeg.size() &&
           !(at(i) == 0xFF && at(i + 1) != 0 && (at(i + 1) < 0xD0 || at(i + 1) > 0xD7))) {
      ++i;
    }
  }
  return scans;
}

}  // namespace

int CountScans(const std::string& jpeg) { return static_cast<int>(ScanStarts(jpeg).size()); }

std::string RepeatLastScan(const std::string& jpeg, int copies) {
  const std::vector<size_t> scans = ScanStarts(jpeg);
  const size_t end = jpeg.rfind("\xFF\xD9");
  if (scans.empty() || end == std::string::npos || end < scans.back()) {
    throw std::runtime_error("no scan before the end marker");
  }
  const size_t last = scans.back();
  const std::string scan = jpeg.substr(last, end - last);
  std::string out = jpeg.substr(0, end);
  out.reserve(jpeg.size() + scan.size() * static_cast<size_t>(copies));
  for (int i = 0; i < copies; ++i) out += scan;
  out += jpeg.substr(end);
  return out;
}

}  // namespace yomite::testing
