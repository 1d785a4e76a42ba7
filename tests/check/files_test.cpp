// The three programs read a story's files alike: a folder whose path is
// not UTF-8 plays in the player's logic, the transcript runner and the
// checker, and a picture fails in the transcript runner and the checker
// exactly where it fails in the player.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <turbojpeg.h>
#include <unistd.h>

#include "base/runtime_error.h"
#include "platform/line_reader.h"
#include "platform/render/jpeg_loader.h"
#include "tests/check/check_support.h"
#include "tests/support/engine_harness.h"
#include "tests/support/jpeg_samples.h"
#include "tests/support/story_builder.h"

namespace fs = std::filesystem;
using namespace yomite;
using namespace yomite::check;
using namespace yomite::check::testing;
using yomite::testing::Engine;

namespace {

int ErrorNumberOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

int CheckerErrors(const Report& report, std::string* listing) {
  std::ostringstream out;
  PrintFindings(report, out);
  *listing = out.str();
  return report.errors;
}

// What unzipping a Japanese archive leaves on Linux: the folder's name in
// code page 932 bytes (ゲーム), which is not UTF-8.
TEST(ShiftJisFolder, PlaysInTheLogicTheTraceAndTheChecker) {
  const std::string game("\x83\x51\x81\x5B\x83\x80");
  ASSERT_FALSE(IsValidUtf8(game));
  const fs::path dat = yomite::testing::FreshFolder("sjis-path") / game / "dat";
  yomite::testing::BuildStory(R"(
--- file opn.dat
はじめ
>img>Pic
>ive>Scene
--- file scene.dat
つぎ
>ending
--- file end.dat
おわり
>end
--- file pic.jpg jpeg 32x16
)",
                              dat);
  yomite::testing::WriteFile(dat / "BGM.MID", MidiBytes());
  // Every scene, since after a layout a pick can be made wherever text waits.
  for (const char* scene : {"0_0", "0_1", "0_2", "0_3", "0_4", "0_5", "0_6", "0_7", "1_0", "1_1",
                            "1_2", "1_3", "1_4", "1_5", "1_6", "1_7", "bad"}) {
    yomite::testing::WriteFile(dat / (std::string(scene) + ".dat"),
                               yomite::testing::ScriptBytes("場面") + "\r\n");
  }

  Engine e(dat);
  EXPECT_EQ(ErrorNumberOf([&] {
              e.Start();
              for (int i = 0; i < 4; ++i) e.fom.Lbl_Click();
            }),
            0);
  EXPECT_EQ(e.fom.Location().file, u"Scene.dat");
  ASSERT_FALSE(e.w.Img.Paintings().empty());
  EXPECT_EQ(e.w.Img.Paintings().back().picture->width, 32);

  Played played = Play(dat, "click lbl\nclick lbl\nclick lbl\n");
  EXPECT_EQ(played.status, 0) << played.err;
  EXPECT_FALSE(played.error) << played.error->message;

  std::string listing;
  EXPECT_EQ(CheckerErrors(CheckStory(dat.string()), &listing), 0) << listing;
  EXPECT_EQ(listing.find("bgm.mid"), std::string::npos) << "the music is found: " << listing;
}

struct PictureCase {
  const char* name;
  std::function<void(const fs::path& file)> write;
  int error;  // the player's verdict: 0 when the picture shows
};

std::string Photo() {
  return yomite::testing::EncodeRgb(
      yomite::testing::Quadrants(64, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF), 64, 32,
      {TJSAMP_420});
}

std::vector<PictureCase> PictureCases() {
  return {
      {"a picture that decodes", [](const fs::path& f) { yomite::testing::WriteFile(f, Photo()); },
       0},
      {"data cut short: shown, the rest grey",
       [](const fs::path& f) {
         std::string jpeg = Photo();
         const size_t data = yomite::testing::ScanDataOffset(jpeg);
         yomite::testing::WriteFile(f, jpeg.substr(0, data + (jpeg.size() - data) / 2));
       },
       0},
      {"cut after the frame header",
       [](const fs::path& f) {
         yomite::testing::WriteFile(f, yomite::testing::JpegHeaderBytes(64, 32));
       },
       err::kInvalidPicture},
      {"65500 by 65500 declared",
       [](const fs::path& f) {
         std::string jpeg = Photo();
         yomite::testing::PatchFrameSize(jpeg, 65500, 65500);
         yomite::testing::WriteFile(f, jpeg);
       },
       err::kInvalidPicture},
      {"over the size limit",
       [](const fs::path& f) {
         // A good picture followed by a sparse run of zeros to past the limit.
         yomite::testing::WriteFile(f, Photo());
         ASSERT_EQ(::truncate(f.c_str(), off_t(platform::kMaxPictureFileBytes) + 1), 0);
       },
       err::kInvalidPicture},
  };
}

TEST(PictureVerdicts, TheTraceAndTheCheckerFailWhereThePlayerFails) {
  for (const PictureCase& c : PictureCases()) {
    SCOPED_TRACE(c.name);
    Built built = BuildCheckedStory(R"(
--- file opn.dat
>img>p
絵
>ending
--- file end.dat
おわり
>end
)",
                                    "picture-verdicts");
    c.write(built.dat / "p.jpg");

    Engine e(built.dat);
    EXPECT_EQ(ErrorNumberOf([&] { e.Start(); }), c.error);

    Played played = Play(built.dat, "");
    EXPECT_EQ(played.error ? played.error->number : 0, c.error) << played.err;
    if (played.error) {
      EXPECT_EQ(played.error->file, "opn.dat");
      EXPECT_EQ(played.error->line, 1);
    }

    std::string listing;
    EXPECT_EQ(CheckerErrors(CheckStory(built.dat.string()), &listing), c.error ? 1 : 0) << listing;
    EXPECT_EQ(listing.find("opn.dat:1:6: error: the picture 'p.jpg' cannot be decoded") == 0,
              c.error != 0)
        << listing;
  }
}

// A script line too long to read is an error of the checker at that line,
// as it is where the player stops.
TEST(ScriptLimits, TheCheckerReportsTheLineThePlayerCannotRead) {
  Built built = BuildCheckedStory(R"(
--- file opn.dat
はじめ
--- file end.dat
おわり
)",
                                  "checker-long-line");
  yomite::testing::WriteFile(
      built.dat / "opn.dat",
      "one\r\n" + std::string(platform::kMaxLineBytes + 1, 'x') + "\r\n>ending\r\n");
  Played played = Play(built.dat, "click lbl\nclick lbl\n");
  ASSERT_TRUE(played.error);
  EXPECT_EQ(played.error->number, err::kOutOfMemory);
  EXPECT_EQ(played.error->line, 2);

  std::string listing;
  EXPECT_GE(CheckerErrors(CheckStory(built.dat.string()), &listing), 1);
  EXPECT_NE(listing.find("opn.dat:2:1: error: the player cannot read this line: Out of memory"),
            std::string::npos)
      << listing;
}

}  // namespace
