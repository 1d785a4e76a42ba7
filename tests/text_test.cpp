#include "base/text.h"

#include <gtest/gtest.h>
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
