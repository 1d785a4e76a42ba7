#include "base/text.h"

#include <gtest/gtest.h>

#include "base/printable.h"
TEST(Text, RoundTrip) { EXPECT_EQ(yomite::ToUtf8(yomite::FromUtf8("a澪")), "a澪"); }

// Names and commands compare without case in the scripts Windows authors
// wrote: the capitals of ASCII, fullwidth Latin, Latin-1, Greek and
// Cyrillic fold; their neighbours, kana and the multiplication sign do not.
TEST(Text, FoldsTheCaseOfTheLettersStoriesUse) {
  EXPECT_EQ(yomite::FoldCase(u"OPN.DAT"), u"opn.dat");
  EXPECT_EQ(yomite::FoldCase(u"ＡＺ"), u"ａｚ");
  EXPECT_EQ(yomite::FoldCase(u"ÀÞΑΩАЯ"), u"àþαωая");
  EXPECT_EQ(yomite::FoldCase(u"@[`{×\u03A2カ澪"), u"@[`{×\u03A2カ澪");
  EXPECT_TRUE(yomite::EqualsIgnoringCase(u"Scene.Dat", u"sCENE.dAT"));
  EXPECT_FALSE(yomite::EqualsIgnoringCase(u"scene", u"scene "));
}

TEST(Text, ReadsSurrogatePairsAsOneCodePoint) {
  const yomite::Text text = yomite::Text(u"a😀") + char16_t{0xD800} + u"b";
  size_t units = 0;
  EXPECT_EQ(yomite::CodePointAt(text, 0, &units), U'a');
  EXPECT_EQ(units, 1u);
  EXPECT_EQ(yomite::CodePointAt(text, 1, &units), U'😀');
  EXPECT_EQ(units, 2u);
  EXPECT_EQ(yomite::CodePointAt(text, 3, &units), char32_t{0xD800}) << "an unpaired surrogate";
  EXPECT_EQ(units, 1u);
  EXPECT_EQ(yomite::ToUtf8(text),
            "a😀\xEF\xBF\xBD"
            "b");
}

// A name from a story folder must not reach a terminal as a control: an
// escape sequence could set the terminal's title, a line feed forge a line.
TEST(Text, PrintableEscapesControlsAndBrokenBytes) {
  using yomite::Printable;
  EXPECT_EQ(Printable(std::string_view("a_b\\c 澪.dat")), "a_b\\c 澪.dat");
  EXPECT_EQ(Printable(std::string_view("\x1B]0;owned\x07")), "\\e]0;owned\\x07");
  EXPECT_EQ(Printable(std::string_view("zz\nopn.dat:7:7: error\r\t\x7F")),
            "zz\\nopn.dat:7:7: error\\r\\t\\x7F");
  EXPECT_EQ(Printable(std::string_view("\xC2\x85\xC2\x9B\xC2\xA0")), "\\u0085\\u009B\xC2\xA0")
      << "C1 controls, then a no-break space that stays";
  EXPECT_EQ(Printable(std::string_view("\x82\xA0\xE3\x81")), "\\x82\\xA0\\xE3\\x81")
      << "Shift-JIS bytes and a cut sequence";
  EXPECT_EQ(Printable(std::string_view("a\0b", 3)), "a\\x00b");
  EXPECT_EQ(Printable(yomite::TextView(u"\u2028x\U0001F600")), "\u2028x\U0001F600");
}
