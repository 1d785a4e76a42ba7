// Recognising and cutting script lines.
#include "script/format.h"

#include <gtest/gtest.h>

#include "base/runtime_error.h"
#include "script/flags.h"

using namespace yomite;
using namespace yomite::script;

namespace {

TEST(Recognise, FirstKeywordInTableOrderAnywhereInTheLine) {
  EXPECT_EQ(Recognise(u">img>none"), Command::kImgNone);
  EXPECT_EQ(Recognise(u"x>img>nonesuch"), Command::kImgNone);
  EXPECT_EQ(Recognise(u">img>a"), Command::kImg);
  EXPECT_EQ(Recognise(u">oimg>park>sw>a"), Command::kOimg) << ">oimg comes before >p";
  EXPECT_EQ(Recognise(u">fimg>a>sw>b"), Command::kFimg);
  EXPECT_EQ(Recognise(u"prose with >p inside"), Command::kPage);
  EXPECT_EQ(Recognise(u">ive>park"), Command::kPage) << "a name beginning with p";
  EXPECT_EQ(Recognise(u">on>p"), Command::kPage);
  EXPECT_EQ(Recognise(u">bon>a>next>only"), Command::kOn);
  EXPECT_EQ(Recognise(u">off>a"), Command::kOff);
  EXPECT_EQ(Recognise(u">bon>a>next>x"), Command::kBon);
  EXPECT_EQ(Recognise(u">boff>a>next>x"), Command::kBoff);
  EXPECT_EQ(Recognise(u">qst"), Command::kQst);
  EXPECT_EQ(Recognise(u">ive>x"), Command::kIve);
  EXPECT_EQ(Recognise(u">ending"), Command::kEnding);
  EXPECT_EQ(Recognise(u">end"), Command::kEnd);
  EXPECT_EQ(Recognise(u">END ＞p >Img"), Command::kProse);
  EXPECT_EQ(Recognise(u">game"), Command::kProse);
  EXPECT_EQ(Recognise(u""), Command::kProse);
}

TEST(PauseKeywords, AreSubstringTests) {
  for (const char16_t* line :
       {u">game", u"a>p", u">qst", u">bon>", u">ending", u">boff", u">img>none", u">ive>x"}) {
    EXPECT_TRUE(HasPauseKeyword(line)) << ToUtf8(line);
  }
  for (const char16_t* line :
       {u">on>a", u">off>a", u">oimg>a>sw>b", u">fimg>a>sw>b", u"plain", u""}) {
    EXPECT_FALSE(HasPauseKeyword(line)) << ToUtf8(line);
  }
}

TEST(Placeholder, BecomesTheNameWithoutMovingPositions) {
  Text line = u"ＹとＹ>ive>Ｙ";
  ReplacePlaceholders(line);
  EXPECT_EQ(line, u"澪と澪>ive>澪");
  Text none = u"nothing";
  ReplacePlaceholders(none);
  EXPECT_EQ(none, u"nothing");
}

TEST(Cutting, FixedPositionsFromTheStartOfTheLine) {
  EXPECT_EQ(PictureName(u">img>room"), u"room");
  EXPECT_EQ(PictureName(u">img>"), u"");
  EXPECT_EQ(PictureName(u">img room two "), u"room two ") << "any separator; blanks kept";
  EXPECT_EQ(JumpName(u">ive>next"), u"next");
  EXPECT_EQ(OnFlag(u"ab>on>x"), u"n>x") << "the flag text starts at the fifth character";
  EXPECT_EQ(OffFlag(u">off>ab"), u"ab");
  Conditional c = CutConditional(u">oimg>a>swb>sw>k");
  EXPECT_EQ(c.picture, u"a") << "cut at the first >sw";
  EXPECT_EQ(c.flag, u">sw>k") << "the flag sits four after the first >sw";
  Branch b = CutBranch(u">bon>f>next>scene 2", Command::kBon);
  EXPECT_EQ(b.flag, u"f");
  EXPECT_EQ(b.target, u"scene 2");
  Branch boff = CutBranch(u">boff>gh>next>x>next>y", Command::kBoff);
  EXPECT_EQ(boff.flag, u"gh");
  EXPECT_EQ(boff.target, u"x>next>y");
}

int ErrorOf(const std::function<void()>& fn) {
  try {
    fn();
    return 0;
  } catch (const RuntimeError& e) {
    return e.number();
  }
}

TEST(Cutting, NegativeLengthsAreInvalidCalls) {
  EXPECT_EQ(ErrorOf([] { PictureName(u">img"); }), err::kInvalidCall);
  EXPECT_EQ(ErrorOf([] { OnFlag(u">on"); }), err::kInvalidCall);
  EXPECT_EQ(ErrorOf([] { CutConditional(u">oimg>a"); }), err::kInvalidCall);
  EXPECT_EQ(ErrorOf([] { CutConditional(u">oimg>sw>a"); }), err::kInvalidCall);
  EXPECT_EQ(ErrorOf([] { CutBranch(u">bon>a", Command::kBon); }), err::kInvalidCall);
  EXPECT_EQ(ErrorOf([] { CutBranch(u">bon>next>a", Command::kBon); }), err::kInvalidCall);
  EXPECT_EQ(ErrorOf([] { Mid(u"abc", 0, 1); }), err::kInvalidCall);
  EXPECT_EQ(Mid(u"abc", 5, 3), u"") << "past the end is empty, not an error";
}

TEST(Flags, NumberIsTheCodeOfTheFirstCharacter) {
  EXPECT_EQ(FlagNumber(u"A"), 65);
  EXPECT_EQ(FlagNumber(u"a"), 97);
  EXPECT_EQ(FlagNumber(u" "), 32);
  EXPECT_EQ(FlagNumber(u">"), 62);
  EXPECT_EQ(FlagNumber(u"ab"), 97);
  EXPECT_EQ(FlagNumber(u"ｱ"), 177);
  EXPECT_EQ(FlagNumber(Text(1, u'\0')), 0);
  EXPECT_EQ(ErrorOf([] { FlagNumber(u""); }), err::kInvalidCall);
  for (const char16_t* wide : {u"あ", u"Ａ", u"１", u"澪", u"〓"}) {
    EXPECT_EQ(ErrorOf([&] { FlagNumber(wide); }), err::kSubscript) << ToUtf8(wide);
  }
}

}  // namespace
