// Code page 932, the line reader and the story's file-name rules.
#include <gtest/gtest.h>
#include <iconv.h>
#include <unistd.h>

#include "base/runtime_error.h"
#include "platform/cp932.h"
#include "platform/script_files.h"
#include "platform/story_folder.h"
#include "tests/support/story_builder.h"

namespace fs = std::filesystem;
using namespace yomite;
using namespace yomite::testing;

namespace {

TEST(Cp932, DecodesWhatWindowsWrites) {
  EXPECT_EQ(cp932::Decode("\x82\x78"), u"Ｙ");
  EXPECT_EQ(cp932::Decode("\xE0\x59"), u"澪");
  EXPECT_EQ(cp932::Decode("\xB1\xB2\xDF"), u"ｱｲﾟ") << "halfwidth katakana";
  EXPECT_EQ(cp932::Decode("a\\b~"), u"a\\b~") << "5C is a backslash, 7E a tilde";
  EXPECT_EQ(cp932::Decode("\x87\x40"), u"①") << "NEC special characters";
  EXPECT_EQ(cp932::Decode("\xFA\x40"), u"ⅰ") << "IBM extensions";
  EXPECT_EQ(cp932::Decode(std::string("a\0b", 3)), Text(u"a\0b", 3));
}

TEST(Cp932, EachInvalidByteBecomesOneReplacement) {
  EXPECT_EQ(cp932::Decode("\x81"), u"〓") << "a lead byte at the end";
  EXPECT_EQ(cp932::Decode("\x81\x20z"), u"〓 z") << "a lead byte before a byte that cannot trail";
  EXPECT_EQ(cp932::Decode("\xA0\xFD\xFE\xFF"), u"〓〓〓〓");
  EXPECT_EQ(cp932::Decode("\x82\x78\x81"), u"Ｙ〓");
}

// A long text is decoded in blocks, with a call between them that may
// leave the decoding; the blocks' edges change nothing of the text.
TEST(Cp932, LongTextsAreDecodedInBlocksThatMayBeLeft) {
  const size_t block = cp932::kDecodeBlockBytes;
  // A double-byte character across the first edge, a run of ASCII up to
  // the second, halfwidth kana and invalid bytes across the third.
  std::string bytes = std::string(block - 1, 'a') + "\x82\x78" + std::string(block, 'b') +
                      std::string(block - 4, '\xB1') + "\xA0\xA0\xA0\xA0\xA0z";
  Text expected =
      Text(block - 1, u'a') + u"Ｙ" + Text(block, u'b') + Text(block - 4, u'ｱ') + u"〓〓〓〓〓z";
  int calls = 0;
  EXPECT_TRUE(cp932::Decode(bytes, [&] { ++calls; }) == expected);
  EXPECT_EQ(calls, 3) << "once for each megabyte after the first";
  EXPECT_TRUE(cp932::Decode(bytes) == expected) << "no call asked for";

  calls = 0;
  struct Left {};
  EXPECT_THROW(cp932::Decode(bytes,
                             [&] {
                               if (++calls == 2) throw Left{};
                             }),
               Left);
  EXPECT_EQ(calls, 2);
  int short_calls = 0;
  cp932::Decode(std::string(block, '\x82'), [&] { ++short_calls; });
  EXPECT_EQ(short_calls, 0) << "a text of one block is decoded in one go";
}

// Every pair of bytes a double-byte character can start with decodes as
// glibc's converter, asked on its own, says: the decoder keeps its answers
// per lead byte, so a wrong row or column would show here.
TEST(Cp932, EveryPairDecodesAsTheConverterSays) {
  iconv_t cd = iconv_open("UTF-16LE", "CP932");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  Text all_valid;
  std::string all_valid_bytes;
  int valid = 0;
  for (int lead = 0x80; lead < 0x100; ++lead) {
    if (lead >= 0xA1 && lead <= 0xDF) continue;  // halfwidth kana stand alone
    for (int trail = 0; trail < 0x100; ++trail) {
      char in[2] = {char(lead), char(trail)};
      char out[8];
      char* in_ptr = in;
      char* out_ptr = out;
      size_t in_left = 2, out_left = sizeof out;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
      const Text decoded = cp932::Decode(std::string_view(in, 2));
      ASSERT_FALSE(decoded.empty());
      const char16_t unit = char16_t((unsigned char)out[0] | ((unsigned char)out[1] << 8));
      if (in_left == 2) {
        EXPECT_EQ(decoded[0], cp932::kReplacement) << std::hex << lead << " " << trail;
      } else {
        EXPECT_EQ(decoded[0], unit) << std::hex << lead << " " << trail;
      }
      if (in_left == 0) {
        ++valid;
        all_valid += unit;
        all_valid_bytes.append(in, 2);
      }
    }
  }
  iconv_close(cd);
  EXPECT_GT(valid, 7000) << "JIS X 0208 and the vendor rows";
  EXPECT_TRUE(cp932::Decode(all_valid_bytes) == all_valid) << "one after another, too";
}

TEST(Cp932, EncodesAndGivesCharacterCodes) {
  EXPECT_EQ(cp932::Encode(u"Ｙと澪"), std::optional<std::string>("\x82\x78\x82\xC6\xE0\x59"));
  EXPECT_FALSE(cp932::Encode(u"😀").has_value());
  EXPECT_EQ(cp932::CharCode(u' '), 32);
  EXPECT_EQ(cp932::CharCode(u'0'), 48);
  EXPECT_EQ(cp932::CharCode(u'>'), 62);
  EXPECT_EQ(cp932::CharCode(u'ｱ'), 177);
  EXPECT_EQ(cp932::CharCode(u'あ'), static_cast<int16_t>(0x82A0));
  EXPECT_FALSE(cp932::CharCode(u'\uFFFD').has_value());
}

std::vector<Text> ReadAll(const std::string& bytes) {
  fs::path dat = FreshFolder("lines");
  WriteFile(dat / "s.dat", bytes);
  platform::StoryFolder folder(dat.string());
  platform::ScriptFiles files(folder);
  files.OpenForInput(folder.dat_path() + u"s.dat", 1);
  std::vector<Text> lines;
  while (!files.Eof(1)) lines.push_back(files.LineInput(1));
  files.Close(1);
  return lines;
}

TEST(LineInput, EndsLinesAtCrLfOrALoneCrOnly) {
  EXPECT_EQ(ReadAll(""), std::vector<Text>{});
  EXPECT_EQ(ReadAll("a"), std::vector<Text>{u"a"});
  EXPECT_EQ(ReadAll("a\r\n"), std::vector<Text>{u"a"});
  EXPECT_EQ(ReadAll("a\r\n\r\n"), (std::vector<Text>{u"a", u""}));
  EXPECT_EQ(ReadAll("a\rb\r"), (std::vector<Text>{u"a", u"b"}));
  EXPECT_EQ(ReadAll("a\nb\r\nc"), (std::vector<Text>{u"a\nb", u"c"}));
  EXPECT_EQ(ReadAll("\r\r\n\n"), (std::vector<Text>{u"", u"", u"\n"}));
}

TEST(LineInput, ReadsLinesLongerThanItsBuffer) {
  std::string long_line(200000, 'x');
  // A CR LF split across the reader's 64 KiB buffers is still one end.
  std::string split(65535, 'y');
  auto lines = ReadAll(long_line + "\r\n" + split + "\r\nz");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].size(), 200000u);
  EXPECT_EQ(lines[1].size(), 65535u);
  EXPECT_EQ(lines[2], u"z");
}

class StoryPaths : public ::testing::Test {
 protected:
  void SetUp() override {
    dat = FreshFolder("paths");
    folder = std::make_unique<platform::StoryFolder>(dat.string());
    dat_path = folder->dat_path();
    WriteFile(dat / "Scene.DAT", "");
    WriteFile(dat / "exact.dat", "");
    WriteFile(dat / "EXACT.dat", "");
    WriteFile(dat / "sub" / "Inner.dat", "");
    WriteFile(dat / "写真.jpg", "");
    WriteFile(dat / std::string("\x8E\xCA\x90\x5E.dat"), "");  // 写真 in code page 932 bytes
    WriteFile(dat / "sp .dat", "");
    WriteFile(dat / "ＡＢ.dat", "");
  }
  std::optional<std::string> Resolve(const Text& name) { return folder->Resolve(dat_path + name); }
  fs::path dat;
  std::unique_ptr<platform::StoryFolder> folder;
  Text dat_path;
};

TEST_F(StoryPaths, FindsNamesAsWindowsWould) {
  EXPECT_EQ(Resolve(u"exact.dat"), dat.string() + "/exact.dat") << "exact names first";
  EXPECT_EQ(Resolve(u"scene.dat"), dat.string() + "/Scene.DAT");
  EXPECT_EQ(Resolve(u"SUB\\inner.dat"), dat.string() + "/sub/Inner.dat");
  EXPECT_EQ(Resolve(u"写真.jpg"), dat.string() + "/写真.jpg");
  EXPECT_EQ(Resolve(u"写真.dat"), dat.string() + "/\x8E\xCA\x90\x5E.dat");
  EXPECT_EQ(Resolve(u"sp .dat"), dat.string() + "/sp .dat");
  EXPECT_EQ(Resolve(u"ａｂ.dat"), dat.string() + "/ＡＢ.dat") << "fullwidth letters have case too";
}

TEST_F(StoryPaths, RefusesWhatIsNotThere) {
  EXPECT_FALSE(Resolve(u"sp.dat")) << "a trailing blank belongs to the name";
  EXPECT_FALSE(Resolve(u".dat"));
  EXPECT_FALSE(Resolve(Text(u"exact.dat\0x", 11))) << "a NUL must not cut the name short";
  EXPECT_FALSE(Resolve(u"missing.dat"));
  EXPECT_FALSE(Resolve(u"")) << "the folder itself is no file";
}

TEST_F(StoryPaths, OpeningReportsTheStoryError) {
  platform::ScriptFiles files(*folder);
  fs::create_directory(dat / "dir.dat");
  auto error_of = [&](const Text& name) {
    try {
      files.OpenForInput(dat_path + name, 1);
      files.Close(1);
      return 0;
    } catch (const RuntimeError& e) {
      return e.number();
    }
  };
  EXPECT_EQ(error_of(u"missing.dat"), err::kFileNotFound);
  EXPECT_EQ(error_of(u"dir.dat"), err::kPathAccess);
  EXPECT_EQ(error_of(u"SCENE.dat"), 0);
  if (geteuid() != 0) {
    WriteFile(dat / "locked.dat", "x");
    fs::permissions(dat / "locked.dat", fs::perms::none);
    EXPECT_EQ(error_of(u"locked.dat"), err::kPermission);
  }
}

}  // namespace
