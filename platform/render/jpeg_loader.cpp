#include "platform/render/jpeg_loader.h"

#include <csetjmp>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include <bit>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/runtime_error.h"

namespace yomite::platform {
namespace {

// In memory JCS_EXT_BGRX is B, G, R, X: read as a little-endian uint32 that
// is 0xXXRRGGBB, the layout of a Picture and of an SDL RGB888 surface, so the
// decoder writes the final pixels itself. Big-endian machines need XRGB.
constexpr J_COLOR_SPACE kPixelFormat =
    std::endian::native == std::endian::little ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// The decoder fills the X byte with 0xFF; a Picture promises zero there.
void ClearTopBytes(std::vector<uint32_t>& pixels) {
  for (uint32_t& p : pixels) p &= 0x00FFFFFFu;
}

uint32_t Scale255(uint32_t a, uint32_t b) {  // round(a * b / 255) for bytes
  uint32_t t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

// libjpeg hands CMYK back as stored. Photoshop, which writes nearly all
// CMYK JPEGs, stores the inks inverted (255 is no ink), so with C', M', Y',
// K' the stored values, red = C' * K' / 255 and so on. Converts in place.
void CmykToRgb(std::vector<uint32_t>& pixels) {
  for (uint32_t& p : pixels) {
    const auto* b = reinterpret_cast<const unsigned char*>(&p);
    uint32_t c = b[0], m = b[1], y = b[2], k = b[3];
    p = Scale255(c, k) << 16 | Scale255(m, k) << 8 | Scale255(y, k);
  }
}

// libjpeg reports errors by calling error_exit, which must not return: it
// jumps back into DecodeJpeg, which then throws. Warnings (data cut short,
// stray bytes, a scan out of order) are counted by libjpeg and let the
// decoding go on: what could be decoded is shown, the rest grey.
struct DecodeState {
  jpeg_error_mgr errors;
  jpeg_progress_mgr progress;
  std::jmp_buf jump;
  bool too_many_scans = false;
  const PictureLoader::Watch* watch = nullptr;
  std::exception_ptr left;  // what the watch answered
  // The first warning, as the decoder words it ("Premature end of JPEG
  // file"): the story checker reports pictures that decode only in part.
  std::string warning;
};

DecodeState& StateOf(j_common_ptr info) {
  // errors is the first member: libjpeg holds a pointer to it.
  return *reinterpret_cast<DecodeState*>(info->err);
}

[[noreturn]] void JumpOut(j_common_ptr info) { std::longjmp(StateOf(info).jump, 1); }

void Quiet(j_common_ptr) {}

// Keeps the first warning's text; trace messages (level 0 and up) are not
// wanted.
void NoteWarning(j_common_ptr info, int level) {
  if (level >= 0) return;
  DecodeState& state = StateOf(info);
  if (state.errors.num_warnings++ == 0) {
    char text[JMSG_LENGTH_MAX];
    state.errors.format_message(info, text);
    state.warning = text;
  }
}

// Every scan of a progressive picture is a pass over all of it: a file
// that repeats one scan thousands of times takes minutes to decode.
// libjpeg calls this often while it reads, and sees each new scan.
void WatchScans(j_common_ptr info) {
  auto* d = reinterpret_cast<j_decompress_ptr>(info);
  DecodeState& state = StateOf(info);
  if (d->input_scan_number > kMaxPictureScans) {
    state.too_many_scans = true;
    JumpOut(info);
  }
  // A large picture takes seconds: the end of the program does not wait,
  // nor does the action's budget.
  if (state.watch && *state.watch) {
    const int64_t work = int64_t{d->image_width} * d->image_height * (3 + d->input_scan_number);
    if ((state.left = (*state.watch)(work))) JumpOut(info);
  }
}

// Holds the decompressor for as long as DecodeJpeg runs, so that an error
// that leaves the decoder half way still destroys it.
struct Decompressor {
  jpeg_decompress_struct info{};
  bool created = false;
  ~Decompressor() {
    if (created) jpeg_destroy_decompress(&info);
  }
};

// Everything a decoding changes. It lives in DecodeJpeg's frame, never in
// the frame of RunDecoder that libjpeg's errors jump back to: locals of that
// frame changed after setjmp would be indeterminate once it is jumped to,
// and destructors between the two would be skipped.
struct Decoding {
  DecodeState state;
  Decompressor d;
  Picture picture;
  std::vector<JSAMPROW> rows;
  bool cmyk = false;
};

// The libjpeg calls, from the header to the last row: false when libjpeg
// reported an error. Throws for pictures beyond the limits.
bool RunDecoder(Decoding& job, std::string_view bytes, std::string_view name) {
  j_decompress_ptr info = &job.d.info;
  info->err = jpeg_std_error(&job.state.errors);
  job.state.errors.error_exit = &JumpOut;
  job.state.errors.output_message = &Quiet;
  job.state.errors.emit_message = &NoteWarning;
  job.state.progress.progress_monitor = &WatchScans;
  if (setjmp(job.state.jump) != 0) return false;
  jpeg_create_decompress(info);
  job.d.created = true;
  info->progress = &job.state.progress;
  jpeg_mem_src(info, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK) {
    throw RuntimeError(err::kInvalidPicture, std::string(name));
  }
  const int64_t width = info->image_width, height = info->image_height;
  if (width <= 0 || height <= 0) throw RuntimeError(err::kInvalidPicture, std::string(name));
  if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels) {
    throw RuntimeError(err::kInvalidPicture,
                       std::string(name) + " is too large (" + std::to_string(width) + " x " +
                           std::to_string(height) + " pixels; at most " +
                           std::to_string(kMaxPictureSide) + " on a side and " +
                           std::to_string(kMaxPicturePixels / 1'000'000) + " million in all)");
  }
  job.cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
  info->out_color_space = job.cmyk ? JCS_CMYK : kPixelFormat;
  Picture& picture = job.picture;
  try {
    picture.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  } catch (const std::bad_alloc&) {
    throw RuntimeError(err::kOutOfMemory, std::string(name));
  }
  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  // A progressive picture is read whole here, scan by scan.
  jpeg_start_decompress(info);
  // Room for every row in each call: libjpeg then hands over as many as it
  // has ready, a whole band of blocks at a time.
  job.rows.resize(static_cast<size_t>(height));
  for (size_t y = 0; y < job.rows.size(); ++y) {
    job.rows[y] =
        reinterpret_cast<JSAMPROW>(picture.pixels.data() + y * static_cast<size_t>(width));
  }
  while (info->output_scanline < info->output_height) {
    jpeg_read_scanlines(info, job.rows.data() + info->output_scanline,
                        info->output_height - info->output_scanline);
  }
  picture.scans = std::max(1, info->input_scan_number);
  // The rest of the stream (a trailer, the end marker) need not be read.
  jpeg_abort_decompress(info);
  return true;
}

}  // namespace

Picture DecodeJpeg(std::string_view bytes, std::string_view name,
                   const PictureLoader::Watch* watch) {
  Decoding job;
  job.state.watch = watch;
  if (!RunDecoder(job, bytes, name)) {
    if (job.state.left) std::rethrow_exception(job.state.left);
    if (job.state.too_many_scans) {
      throw RuntimeError(err::kInvalidPicture, std::string(name) + " has more than " +
                                                   std::to_string(kMaxPictureScans) + " scans");
    }
    if (job.state.errors.msg_code == JERR_OUT_OF_MEMORY) {
      throw RuntimeError(err::kOutOfMemory, std::string(name));
    }
    throw RuntimeError(err::kInvalidPicture, std::string(name));
  }
  Picture picture = std::move(job.picture);
  if (job.state.errors.num_warnings > 0) picture.warning = std::move(job.state.warning);
  if (job.cmyk) {
    CmykToRgb(picture.pixels);
  } else {
    ClearTopBytes(picture.pixels);
  }
  return picture;
}

PicturePtr JpegPictureLoader::LoadPicture(const Text& path) {
  std::string name = folder_.MessageName(path);
  std::string bytes = folder_.ReadWhole(path, max_file_bytes_, err::kInvalidPicture);
  return std::make_shared<const Picture>(DecodeJpeg(bytes, name, &watch));
}

}  // namespace yomite::platform
