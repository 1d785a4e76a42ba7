// Decoding the story's JPEG pictures, and the errors of files that are not.
#include "platform/render/jpeg_loader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "base/runtime_error.h"
#include "tests/support/jpeg_samples.h"
#include "tests/support/story_builder.h"

namespace fs = std::filesystem;
using namespace yomite;
using namespace yomite::platform;
using namespace yomite::testing;

namespace {

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

uint32_t At(const Picture& p, int x, int y) {
  return p.pixels.at(static_cast<size_t>(y) * p.width + x);
}

::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance) {
  if (actual >> 24 != 0) {
    return ::testing::AssertionFailure() << "top byte set in " << std::hex << actual;
  }
  for (int shift : {16, 8, 0}) {
    int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
    if (std::abs(a - e) > tolerance) {
      return ::testing::AssertionFailure()
             << std::hex << "0x" << actual << " is not near 0x" << expected;
    }
  }
  return ::testing::AssertionSuccess();
}

// Checks the centre of each 32 x 32 quadrant of a 64 x 64 picture.
void ExpectQuadrants(const Picture& p, uint32_t tl, uint32_t tr, uint32_t bl, uint32_t br,
                     int tolerance) {
  ASSERT_EQ(p.width, 64);
  ASSERT_EQ(p.height, 64);
  ASSERT_EQ(p.pixels.size(), 64u * 64u);
  EXPECT_TRUE(Near(At(p, 16, 16), tl, tolerance)) << "top left";
  EXPECT_TRUE(Near(At(p, 48, 16), tr, tolerance)) << "top right";
  EXPECT_TRUE(Near(At(p, 16, 48), bl, tolerance)) << "bottom left";
  EXPECT_TRUE(Near(At(p, 48, 48), br, tolerance)) << "bottom right";
}

struct Outcome {
  int number = -1;  // -1: nothing was thrown
  std::string message;
};

template <typename F>
Outcome ErrorOf(F f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return {e.number(), e.message()};
  }
  return {};
}

// A smooth picture whose every pixel differs from its neighbours, so a
// wrong row pitch or channel order shows at once.
Pixels Gradient(int width, int height) {
  Pixels pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t r = 255 * x / (width - 1), g = 255 * y / (height - 1), b = 255 - (r + g) / 2;
      pixels.push_back(r << 16 | g << 8 | b);
    }
  }
  return pixels;
}

double MeanError(const Pixels& a, const Pixels& b) {
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    for (int shift : {16, 8, 0}) {
      sum += std::abs(static_cast<int>((a[i] >> shift) & 0xFF) -
                      static_cast<int>((b[i] >> shift) & 0xFF));
    }
  }
  return sum / (3.0 * a.size());
}

TEST(JpegDecode, BaselineColoursLandWhereTheyWere) {
  Pixels quads = Quadrants(64, 64, kRed, kGreen, kBlue, kWhite);
  for (int subsampling : {TJSAMP_444, TJSAMP_422, TJSAMP_420}) {
    SCOPED_TRACE(subsampling);
    ExpectQuadrants(DecodeJpeg(EncodeRgb(quads, 64, 64, {subsampling}), "q.jpg"), kRed, kGreen,
                    kBlue, kWhite, 6);
  }
  // Sizes that are not a whole number of blocks, wider and taller.
  for (auto [w, h] : {std::pair{37, 21}, std::pair{5, 90}}) {
    SCOPED_TRACE(::testing::Message() << w << "x" << h);
    Pixels source = Gradient(w, h);
    Picture p = DecodeJpeg(EncodeRgb(source, w, h, {TJSAMP_444}), "g.jpg");
    ASSERT_EQ(p.width, w);
    ASSERT_EQ(p.height, h);
    ASSERT_EQ(p.pixels.size(), source.size());
    EXPECT_LT(MeanError(p.pixels, source), 2.0);
    EXPECT_TRUE(Near(At(p, w - 1, 0), source[w - 1], 8)) << "top right corner";
    EXPECT_TRUE(Near(At(p, 0, h - 1), source[static_cast<size_t>(h - 1) * w], 8));
  }
}

TEST(JpegDecode, ProgressiveDecodesLikeBaseline) {
  Pixels source = Gradient(120, 80);
  std::string progressive =
      EncodeRgb(source, 120, 80, {.subsampling = TJSAMP_420, .progressive = true});
  ASSERT_TRUE(HasMarker(progressive, 0xC2)) << "the sample must be progressive";
  Picture p = DecodeJpeg(progressive, "p.jpg");
  ASSERT_EQ(p.pixels.size(), source.size());
  EXPECT_LT(MeanError(p.pixels, source), 2.5);
  ExpectQuadrants(DecodeJpeg(EncodeRgb(Quadrants(64, 64, kRed, kGreen, kBlue, kWhite), 64, 64,
                                       {.subsampling = TJSAMP_420, .progressive = true}),
                             "q.jpg"),
                  kRed, kGreen, kBlue, kWhite, 6);
}

TEST(JpegDecode, GreyscaleGivesEqualChannels) {
  std::vector<uint8_t> levels;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x)
      levels.push_back(x < 32 ? (y < 32 ? 0 : 90) : (y < 32 ? 200 : 255));
  }
  std::string jpeg = EncodeGrey(levels, 64, 64);
  ExpectQuadrants(DecodeJpeg(jpeg, "grey.jpg"), 0x000000, 0xC8C8C8, 0x5A5A5A, 0xFFFFFF, 3);
  Picture p = DecodeJpeg(jpeg, "grey.jpg");
  for (uint32_t px : p.pixels) {
    ASSERT_EQ(px >> 16, (px >> 8) & 0xFF);
    ASSERT_EQ(px >> 16, px & 0xFF);
  }
}

TEST(JpegDecode, CmykAndYcckWithInvertedInksBecomeRgb) {
  // Stored (inverted) C M Y K per quadrant and the colour each must give.
  const uint8_t inks[4][4] = {
      {255, 0, 0, 255},      // cyan-free, full magenta and yellow: red
      {0, 255, 255, 100},    // full cyan, some black: dark teal
      {255, 255, 255, 128},  // black ink only: mid grey
      {255, 128, 0, 255},    // half magenta, full yellow: orange
  };
  const uint32_t expected[4] = {0xFF0000, 0x006464, 0x808080, 0xFF8000};
  std::vector<uint8_t> buffer;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const uint8_t* q = inks[(y >= 32 ? 2 : 0) + (x >= 32 ? 1 : 0)];
      buffer.insert(buffer.end(), q, q + 4);
    }
  }
  for (bool ycck : {true, false}) {
    SCOPED_TRACE(ycck ? "YCCK" : "CMYK");
    std::string jpeg = EncodeCmyk(buffer, 64, 64, ycck);
    // Make sure the sample carries the colour space it claims.
    tjhandle h = tjInitDecompress();
    int w, ht, sub, space;
    ASSERT_EQ(tjDecompressHeader3(h, reinterpret_cast<const unsigned char*>(jpeg.data()),
                                  jpeg.size(), &w, &ht, &sub, &space),
              0);
    tjDestroy(h);
    ASSERT_EQ(space, ycck ? TJCS_YCCK : TJCS_CMYK);
    ExpectQuadrants(DecodeJpeg(jpeg, "cmyk.jpg"), expected[0], expected[1], expected[2],
                    expected[3], 5);
  }
}

// A 64 x 64 picture: a red band on top, noise below so the scan is long.
std::string BandAndNoise() {
  Pixels pixels(64 * 64, kRed);
  std::mt19937 random(7);
  for (size_t i = 16 * 64; i < pixels.size(); ++i) pixels[i] = random() & 0xFFFFFF;
  return EncodeRgb(pixels, 64, 64, {TJSAMP_444});
}

TEST(JpegDecode, TruncatedScanLoadsWhatItHas) {
  std::string jpeg = BandAndNoise();
  size_t scan = ScanDataOffset(jpeg);
  std::string cut = jpeg.substr(0, scan + (jpeg.size() - scan) / 3);
  {
    // The sample must be one TurboJPEG decodes with a warning only.
    tjhandle h = tjInitDecompress();
    std::vector<unsigned char> out(64 * 64 * 4);
    int rc = tjDecompress2(h, reinterpret_cast<const unsigned char*>(cut.data()), cut.size(),
                           out.data(), 64, 0, 64, TJPF_BGRX, 0);
    int code = tjGetErrorCode(h);
    tjDestroy(h);
    ASSERT_NE(rc, 0);
    ASSERT_EQ(code, TJERR_WARNING);
  }
  Picture p = DecodeJpeg(cut, "cut.jpg");
  ASSERT_EQ(p.width, 64);
  ASSERT_EQ(p.height, 64);
  EXPECT_TRUE(Near(At(p, 4, 4), kRed, 6));
  EXPECT_TRUE(Near(At(p, 60, 12), kRed, 6));
}

TEST(JpegDecode, StreamsThatAreNoPictureAreInvalid) {
  std::string jpeg = BandAndNoise();
  const std::pair<const char*, std::string> cases[] = {
      {"empty", ""},
      {"text", "これは絵ではありません\r\n"},
      {"PNG signature", "\x89PNG\r\n\x1A\n\0\0\0\rIHDR"},
      {"start marker only", "\xFF\xD8"},
      {"cut before the scan", jpeg.substr(0, ScanDataOffset(jpeg) - 20)},
      {"start marker then garbage", "\xFF\xD8" + std::string(500, '\x55')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    Outcome e = ErrorOf([&] { DecodeJpeg(c.second, "bad.jpg"); });
    EXPECT_EQ(e.number, err::kInvalidPicture);
    EXPECT_NE(e.message.find("bad.jpg"), std::string::npos) << e.message;
  }
}

TEST(JpegDecode, RefusesHugeDeclaredSizesBeforeDecoding) {
  std::string small = EncodeRgb(Quadrants(16, 16, kRed, kRed, kRed, kRed), 16, 16, {TJSAMP_444});
  for (auto [w, h] : {std::pair{30000, 30000}, std::pair{kMaxPictureSide + 1, 8},
                      std::pair{8, kMaxPictureSide + 1}, std::pair{8000, 7000}}) {
    SCOPED_TRACE(::testing::Message() << w << "x" << h);
    std::string jpeg = small;
    PatchFrameSize(jpeg, w, h);
    Outcome e = ErrorOf([&] { DecodeJpeg(jpeg, "huge.jpg"); });
    EXPECT_EQ(e.number, err::kInvalidPicture);
    EXPECT_NE(e.message.find("huge.jpg is too large"), std::string::npos) << e.message;
  }
}

TEST(JpegDecode, SizesAtTheLimitLoad) {
  // Declared larger than its data: the rest decodes as filler, with a warning.
  std::string jpeg = EncodeRgb(Quadrants(8, 8, kBlue, kBlue, kBlue, kBlue), 8, 8, {TJSAMP_444});
  PatchFrameSize(jpeg, kMaxPictureSide, 8);
  Picture p = DecodeJpeg(jpeg, "wide.jpg");
  EXPECT_EQ(p.width, kMaxPictureSide);
  EXPECT_EQ(p.height, 8);
  EXPECT_TRUE(Near(At(p, 3, 3), kBlue, 6));
}

// A progressive picture whose last scan is written again and again: each
// copy is another pass over the whole picture. Up to the limit it is a
// picture (the copies only warn); past it, an invalid one, found before the
// passes are made.
TEST(JpegDecode, ScansUpToTheLimitDecodeAScanBombIsInvalid) {
  const int w = 256, h = 256;
  Pixels source = Gradient(w, h);
  std::string progressive =
      EncodeRgb(source, w, h, {.subsampling = TJSAMP_420, .progressive = true});
  const int scans = CountScans(progressive);
  ASSERT_GT(scans, 2) << "the sample must be progressive";

  Picture at_limit = DecodeJpeg(RepeatLastScan(progressive, kMaxPictureScans - scans), "p.jpg");
  EXPECT_EQ(at_limit.width, w);
  EXPECT_LT(MeanError(at_limit.pixels, source), 2.5);

  Outcome e = ErrorOf(
      [&] { DecodeJpeg(RepeatLastScan(progressive, kMaxPictureScans - scans + 1), "p.jpg"); });
  EXPECT_EQ(e.number, err::kInvalidPicture);
  EXPECT_EQ(e.message,
            "Invalid picture: p.jpg has more than " + std::to_string(kMaxPictureScans) + " scans");

  // Unbounded, this many passes over the picture take minutes.
  const std::string bomb = RepeatLastScan(progressive, 200'000);
  const auto start = std::chrono::steady_clock::now();
  e = ErrorOf([&] { DecodeJpeg(bomb, "bomb.jpg"); });
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(e.number, err::kInvalidPicture);
}

// The watch sees the work grow scan by scan and may leave the decoding at
// any point, with whatever it answers thrown; without an answer the
// picture decodes whole.
TEST(JpegDecode, AWatchSeesTheWorkGrowAndMayLeaveTheDecoding) {
  const int w = 256, h = 256;
  const std::string progressive = RepeatLastScan(
      EncodeRgb(Gradient(w, h), w, h, {.subsampling = TJSAMP_420, .progressive = true}), 40);
  const int scans = CountScans(progressive);
  std::vector<int64_t> seen;
  PictureLoader::Watch note = [&](int64_t work) -> std::exception_ptr {
    seen.push_back(work);
    return nullptr;
  };
  Picture whole = DecodeJpeg(progressive, "p.jpg", &note);
  EXPECT_EQ(whole.scans, scans);
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), int64_t{w} * h * (3 + scans));

  const int64_t limit = int64_t{w} * h * 20;
  long asked = 0;
  PictureLoader::Watch stop = [&](int64_t work) -> std::exception_ptr {
    ++asked;
    if (work <= limit) return nullptr;
    return std::make_exception_ptr(RuntimeError(err::kOutOfStack, "work"));
  };
  Outcome e = ErrorOf([&] { DecodeJpeg(progressive, "p.jpg", &stop); });
  EXPECT_EQ(e.number, err::kOutOfStack);
  EXPECT_LT(asked, static_cast<long>(seen.size())) << "the decoding went on after the answer";
}

class JpegLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = FreshFolder("render-jpeg");
    story_ = std::make_unique<StoryFolder>(folder_.string());
    dat_ = story_->dat_path();
  }
  Outcome LoadError(const char* name) {
    return ErrorOf([&] { JpegPictureLoader(*story_).LoadPicture(dat_ + FromUtf8(name)); });
  }

  fs::path folder_;
  std::unique_ptr<StoryFolder> story_;
  Text dat_;
};

TEST_F(JpegLoaderTest, LoadsByTheStoryNameRules) {
  fs::create_directories(folder_ / "Pics");
  WriteFile(folder_ / "Pics" / "Scene.JPG",
            EncodeRgb(Quadrants(64, 64, kRed, kGreen, kBlue, kWhite), 64, 64, {TJSAMP_420}));
  JpegPictureLoader loader(*story_);
  PicturePtr p = loader.LoadPicture(dat_ + u"pics\\scene.jpg");
  ASSERT_NE(p, nullptr);
  ExpectQuadrants(*p, kRed, kGreen, kBlue, kWhite, 6);
}

TEST_F(JpegLoaderTest, MissingFileIsFileNotFound) {
  Outcome e = LoadError("nothere.jpg");
  EXPECT_EQ(e.number, err::kFileNotFound);
  EXPECT_NE(e.message.find("nothere.jpg"), std::string::npos) << e.message;
  EXPECT_EQ(LoadError("nofolder\\x.jpg").number, err::kFileNotFound);
}

TEST_F(JpegLoaderTest, FolderIsPathAccessError) {
  fs::create_directories(folder_ / "folder.jpg");
  EXPECT_EQ(LoadError("folder.jpg").number, err::kPathAccess);
}

TEST_F(JpegLoaderTest, UnreadableFileIsPermissionDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
  WriteFile(folder_ / "locked.jpg", BandAndNoise());
  fs::permissions(folder_ / "locked.jpg", fs::perms::none);
  EXPECT_EQ(LoadError("locked.jpg").number, err::kPermission);
}

TEST_F(JpegLoaderTest, EmptyAndTextFilesAreInvalidPictures) {
  WriteFile(folder_ / "empty.jpg", "");
  WriteFile(folder_ / "notes.jpg", "a note, not a picture\r\n");
  for (const char* name : {"empty.jpg", "notes.jpg"}) {
    Outcome e = LoadError(name);
    EXPECT_EQ(e.number, err::kInvalidPicture) << name;
    EXPECT_NE(e.message.find(name), std::string::npos) << e.message;
  }
}

TEST_F(JpegLoaderTest, FileOverTheSizeCapIsRefused) {
  std::string jpeg = BandAndNoise();
  WriteFile(folder_ / "big.jpg", jpeg);
  EXPECT_EQ(JpegPictureLoader(*story_, jpeg.size()).LoadPicture(dat_ + u"big.jpg")->width, 64);
  Outcome e =
      ErrorOf([&] { JpegPictureLoader(*story_, jpeg.size() - 1).LoadPicture(dat_ + u"big.jpg"); });
  EXPECT_EQ(e.number, err::kInvalidPicture);
  EXPECT_NE(e.message.find("big.jpg is larger than"), std::string::npos) << e.message;
}

}  // namespace
