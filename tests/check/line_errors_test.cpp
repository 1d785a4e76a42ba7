// Every kind of line that ends the program, one at a time: the checker names
// the line, its column and the kind of error, and the player, played up to
// that line, stops there with that run-time error. Lines that look wrong but
// run are checked the other way round: no error, and the play goes on.
#include <gtest/gtest.h>

#include "tests/check/check_support.h"

using namespace yomite::check;
using namespace yomite::check::testing;

namespace {

struct Row {
  const char* lines;  // after a first prose line of opn.dat
  const char* files;  // more sections of the story
  const char* code;   // the error, or "" for none
  long line;
  long column;
  int number;  // the player's run-time error
};

const Row kRows[] = {
    // Cuts of negative length.
    {">img", "", code::kNegativeCut, 2, 1, 5},
    {">ive", "", code::kNegativeCut, 2, 1, 5},
    {">on", "", code::kNegativeCut, 2, 1, 5},
    {">off", "", code::kNegativeCut, 2, 1, 5},
    {">oimg>a", "", code::kNegativeCut, 2, 1, 5},
    {">oimg>sw>a", "", code::kNegativeCut, 2, 1, 5},
    {">fimg>a>sw", "", code::kNegativeCut, 2, 1, 5},
    {">bon", "", code::kNegativeCut, 2, 1, 5},
    {">bon>a", "", code::kNegativeCut, 2, 1, 5},
    {">bon>next>x", "", code::kNegativeCut, 2, 1, 5},
    {">boff>a>nex>x", "", code::kNegativeCut, 2, 1, 5},
    // Empty flags.
    {">on>", "", code::kEmptyFlag, 2, 5, 5},
    {">off>", "", code::kEmptyFlag, 2, 6, 5},
    {">oimg>a>sw>", "", code::kEmptyFlag, 2, 12, 5},
    {">bon>>next>x", "", code::kEmptyFlag, 2, 6, 5},
    // Flags outside the table: every double-byte character, the placeholder
    // (it becomes a kanji before the line is cut) and fullwidth letters.
    {">on>あ", "", code::kBadFlag, 2, 5, 9},
    {">on>Ｙ", "", code::kBadFlag, 2, 5, 9},
    {">off>Ａ", "", code::kBadFlag, 2, 6, 9},
    {">fimg>a>sw>漢", "", code::kBadFlag, 2, 12, 9},
    {">boff>あ>next>x", "", code::kBadFlag, 2, 7, 9},
    {"ab>on>漢", "", "", 0, 0, 0},  // the flag is the line's fifth character, 'n'
    // Scripts and pictures that do not exist or cannot be read.
    {">ive>nowhere", "", code::kMissingScript, 2, 6, 53},
    {">ive>", "", code::kMissingScript, 2, 6, 53},
    {">ive>Ｙ", "", code::kMissingScript, 2, 6, 53},  // the placeholder names '澪.dat'
    {">img>nope", "", code::kMissingPicture, 2, 6, 53},
    {"x>img", "", code::kMissingPicture, 2, 6, 53},  // an empty name: '.jpg'
    {">boff>a>next>nowhere", "", code::kMissingScript, 2, 14, 53},
    {">on>b\n>bon>b>next>nowhere", "", code::kMissingScript, 3, 13, 53},
    {">on>c\n>oimg>nope>sw>c", "--- file 3.jpg jpeg 8x8", code::kMissingPicture, 3, 7, 53},
    {">fimg>nope>sw>c", "--- file 3.jpg jpeg 8x8", code::kMissingPicture, 2, 7, 53},
    {">fimg>room>sw>c", "--- file room.jpg jpeg 8x8", code::kMissingPicture, 2, 1, 53},
    {">img>broken", "--- file broken.jpg raw\nnot a picture", code::kBadPicture, 2, 6, 481},
    {">ive>box", "--- dir box.dat", code::kUnreadableScript, 2, 6, 75},
    {">img>box", "--- dir box.jpg", code::kUnreadablePicture, 2, 6, 75},
    // Lines that run.
    {">on>ｱ", "", "", 0, 0, 0},  // halfwidth katakana are single bytes
    {">on> ", "", "", 0, 0, 0},
    {">bon>q>next>nowhere", "", "", 0, 0, 0},  // no line sets q on
    {">img>ROOM", "--- file room.jpg jpeg 8x8", "", 0, 0, 0},
    {">img>sub\\\\pic", "--- file sub/pic.jpg jpeg 8x8", "", 0, 0, 0},
    {">ive>Next", "--- file next.dat\n次\n>ending", "", 0, 0, 0},
    {">ive>Ｙ", "--- file 澪.dat\n澪の場面\n>ending", "", 0, 0, 0},
};

std::string Description(const Row& row) {
  return std::string("--- file opn.dat\n一行目\n") + row.lines +
         "\n>ending\n--- file end.dat\n終わり\n>end\n" + row.files +
         "\n--- events\nrun\nclick clickme\nrun\nclick clickme\nrun\nclick clickme\n";
}

class LineError : public ::testing::TestWithParam<size_t> {};

TEST_P(LineError, CheckerAndPlayerAgree) {
  const Row& row = kRows[GetParam()];
  Built built = BuildCheckedStory(Description(row), "line-" + std::to_string(GetParam()));
  Report report = CheckFolder(built.dat);
  std::vector<Finding> errors;
  for (const Finding& f : report.findings) {
    if (f.severity == Severity::kError) errors.push_back(f);
  }
  Played played = Play(built.dat, built.events);
  SCOPED_TRACE(row.lines);

  if (*row.code == '\0') {
    EXPECT_TRUE(errors.empty()) << FormatFinding(errors.front());
    EXPECT_EQ(played.status, 0) << played.err;
    return;
  }
  ASSERT_EQ(errors.size(), 1u);
  const Finding& e = errors.front();
  EXPECT_EQ(e.code, row.code) << FormatFinding(e);
  EXPECT_EQ(e.where.file, "opn.dat");
  EXPECT_EQ(e.where.line, row.line) << FormatFinding(e);
  EXPECT_EQ(e.where.column, row.column) << FormatFinding(e);
  EXPECT_EQ(e.error_number, row.number);

  ASSERT_TRUE(played.error.has_value()) << "the play did not stop: " << played.err;
  EXPECT_EQ(played.status, 1);
  EXPECT_EQ(played.error->number, row.number) << played.err;
  EXPECT_EQ(played.error->file, "opn.dat");
  EXPECT_EQ(played.error->line, row.line) << played.err;
}

INSTANTIATE_TEST_SUITE_P(Lines, LineError, ::testing::Range<size_t>(0, std::size(kRows)));

}  // namespace
