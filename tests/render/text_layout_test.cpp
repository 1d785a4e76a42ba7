// Breaking captions into the lines a label shows.
#include "platform/render/text_layout.h"

#include <gtest/gtest.h>

#include <random>

using namespace yomite;
using namespace yomite::render;

namespace {

using Lines = std::vector<Text>;

// Every character 10 pixels, full-width ones 20.
Lines Wrap(TextView caption, int width) {
  FixedWidthMeasurer measurer(10, 20);
  return WrapCaption(caption, width, measurer);
}

// Makes failures readable.
std::string Show(const Lines& lines) {
  std::string s = "[";
  for (const Text& line : lines) s += " \"" + ToUtf8(line) + "\"";
  return s + " ]";
}

// Compared as text so a failure shows both sides readably.
#define EXPECT_LINES(actual, ...) EXPECT_EQ(Show(actual), Show(Lines __VA_ARGS__))

TEST(WrapCaption, BreaksAtCrLfAndAtLoneCrOrLf) {
  EXPECT_LINES(Wrap(u"a\r\nb\rc\nd", 1000), {u"a", u"b", u"c", u"d"});
  EXPECT_LINES(Wrap(u"a\r\n\r\nb", 1000), {u"a", u"", u"b"});
  EXPECT_LINES(Wrap(u"a\n\rb", 1000), {u"a", u"", u"b"}) << "LF then CR is two breaks";
  EXPECT_LINES(Wrap(u"\r\r\n\n", 1000), {u"", u"", u"", u""});
  EXPECT_LINES(Wrap(u"abc\r\n", 1000), {u"abc", u""});
  EXPECT_LINES(Wrap(u"", 1000), {u""});
  EXPECT_LINES(Wrap(u" ", 1000), {u" "}) << "a blank caption is one blank line";
}

TEST(WrapCaption, JapaneseWrapsBetweenAnyCharactersAtTheWidth) {
  EXPECT_LINES(Wrap(u"あいうえお", 100), {u"あいうえお"}) << "exactly the width fits";
  EXPECT_LINES(Wrap(u"あいうえおかきくけこさ", 100), {u"あいうえお", u"かきくけこ", u"さ"});
  EXPECT_LINES(Wrap(u"あいうえおかきくけこさ", 99), {u"あいうえ", u"おかきく", u"けこさ"});
  EXPECT_LINES(Wrap(u"ｱｲｳｴｵｶｷｸｹｺｻｼ", 100), {u"ｱｲｳｴｵｶｷｸｹｺ", u"ｻｼ"}) << "half-width kana";
  EXPECT_LINES(Wrap(u"漢字かな\r\nカナ漢字", 60), {u"漢字か", u"な", u"カナ漢", u"字"});
}

TEST(WrapCaption, NoLineStartsWithClosingPunctuationOrSmallKana) {
  // Four full-width characters fit; the fifth may not start the next line,
  // so the fourth goes down with it.
  EXPECT_LINES(Wrap(u"あいうえ。かき", 80), {u"あいう", u"え。かき"});
  EXPECT_LINES(Wrap(u"あいうえ、かき", 80), {u"あいう", u"え、かき"});
  EXPECT_LINES(Wrap(u"あいうえっと", 80), {u"あいう", u"えっと"});
  EXPECT_LINES(Wrap(u"あいうエョン", 80), {u"あいう", u"エョン"});
  EXPECT_LINES(Wrap(u"あいうえーる", 80), {u"あいう", u"えーる"});
  EXPECT_LINES(Wrap(u"あいうえ！？", 80), {u"あいう", u"え！？"});
  EXPECT_LINES(Wrap(u"あいうえ・お", 80), {u"あいう", u"え・お"});
  EXPECT_LINES(Wrap(u"あいうえ…お", 80), {u"あいう", u"え…お"});
  EXPECT_LINES(Wrap(u"あいう」』お", 80), {u"あい", u"う」』お"}) << "a run of closers";
  EXPECT_LINES(Wrap(u"あいうえ）お", 80), {u"あいう", u"え）お"});
  EXPECT_LINES(Wrap(u"ｱｲｳｴｵｶｷｸｹｺ｡ｻ", 100), {u"ｱｲｳｴｵｶｷｸｹ", u"ｺ｡ｻ"});
  EXPECT_LINES(Wrap(u"ｱｲｳｴｵｶｷｸｹｯｻ", 90), {u"ｱｲｳｴｵｶｷｸ", u"ｹｯｻ"});
  EXPECT_LINES(Wrap(u"ｱｲｳｴｵｶｷｸｹｰｻ", 90), {u"ｱｲｳｴｵｶｷｸ", u"ｹｰｻ"});
  EXPECT_LINES(Wrap(u"ｱｲｳｴｵｶｷｸｹ｣ｻ", 90), {u"ｱｲｳｴｵｶｷｸ", u"ｹ｣ｻ"});
  EXPECT_LINES(Wrap(u"日本語.", 60), {u"日本", u"語."}) << "Latin full stop after kanji";
}

TEST(WrapCaption, NoLineEndsWithAnOpeningBracket) {
  EXPECT_LINES(Wrap(u"あいう「えお」", 80), {u"あいう", u"「えお」"});
  EXPECT_LINES(Wrap(u"あいう『え』", 80), {u"あいう", u"『え』"});
  EXPECT_LINES(Wrap(u"あいう（え）", 80), {u"あいう", u"（え）"});
  EXPECT_LINES(Wrap(u"あいう【え】", 80), {u"あいう", u"【え】"});
  EXPECT_LINES(Wrap(u"あいう〔え〕", 80), {u"あいう", u"〔え〕"});
  EXPECT_LINES(Wrap(u"ｱｲｳｴｵｶｷｸ｢ｹ｣", 90), {u"ｱｲｳｴｵｶｷｸ", u"｢ｹ｣"});
}

TEST(WrapCaption, LatinWordsWrapAtBlanks) {
  EXPECT_LINES(Wrap(u"the quick brown fox jumps", 100), {u"the quick", u"brown fox", u"jumps"});
  EXPECT_LINES(Wrap(u"hello world", 50), {u"hello", u"world"}) << "the blank beyond the width";
  EXPECT_LINES(Wrap(u"hello     world", 60), {u"hello", u"world"}) << "all blanks at a wrap go";
  EXPECT_LINES(Wrap(u"  indented text", 100), {u"  indented", u"text"});
  EXPECT_LINES(Wrap(u"end  ", 100), {u"end  "}) << "blanks that do not wrap stay";
  EXPECT_LINES(Wrap(u"ab cdefghijklmnop", 50), {u"ab", u"cdefg", u"hijkl", u"mnop"})
      << "a word wider than the label breaks between its letters";
  EXPECT_LINES(Wrap(u"abcdefghijklmnopqrstuvwxy", 100), {u"abcdefghij", u"klmnopqrst", u"uvwxy"});
}

TEST(WrapCaption, LatinInsideJapaneseKeepsItsWords) {
  EXPECT_LINES(Wrap(u"日本語のtextです", 100), {u"日本語の", u"textです"});
  EXPECT_LINES(Wrap(u"これはOKです", 70), {u"これは", u"OKです"});
  EXPECT_LINES(Wrap(u"「Yomite」を", 80), {u"「Yomit", u"e」を"})
      << "kinsoku goes before keeping a word whole";
}

TEST(WrapCaption, TooNarrowLabelsLoseNoCharacter) {
  EXPECT_LINES(Wrap(u"あい「う」。", 60), {u"あい", u"「う」", u"。"});
  EXPECT_LINES(Wrap(u"。。。。。", 40), {u"。。", u"。。", u"。"});
  for (int width : {-5, 0, 15}) {
    SCOPED_TRACE(width);
    EXPECT_LINES(Wrap(u"「あ」。、abっ", width),
                 {u"「", u"あ", u"」", u"。", u"、", u"a", u"b", u"っ"});
  }
}

TEST(WrapCaption, SurrogatePairsAndCombiningMarksStayWhole) {
  EXPECT_LINES(Wrap(u"𠮷𠮷𠮷", 40), {u"𠮷𠮷", u"𠮷"});
  EXPECT_LINES(Wrap(u"𠮷𠮷𠮷", 50), {u"𠮷𠮷", u"𠮷"}) << "half a character would fit";
  EXPECT_LINES(Wrap(u"か\u3099き\u3099く\u3099", 40), {u"か\u3099き\u3099", u"く\u3099"});
  EXPECT_LINES(Wrap(u"あいうか\u3099。", 80), {u"あいう", u"か\u3099。"})
      << "moving down for the full stop takes the mark along";
  EXPECT_LINES(Wrap(u"e\u0301e\u0301e\u0301", 20), {u"e\u0301e\u0301", u"e\u0301"});
}

// Adds a fixed margin to every run, as a font's side bearings would: only
// measuring whole runs gives the right answer.
class PaddedMeasurer : public TextMeasurer {
 public:
  int Width(TextView text) override { return fixed_.Width(text) + 5; }

 private:
  FixedWidthMeasurer fixed_;
};

TEST(WrapCaption, MeasuresWholeRuns) {
  PaddedMeasurer measurer;
  EXPECT_EQ(WrapCaption(u"あいうえおか", 85, measurer), (Lines{u"あいうえ", u"おか"}));
  EXPECT_EQ(WrapCaption(u"あいうえおか", 84, measurer), (Lines{u"あいう", u"えおか"}));
}

// Counts how much text is measured.
class CountingMeasurer : public TextMeasurer {
 public:
  int Width(TextView text) override {
    measured += text.size();
    return fixed_.Width(text);
  }
  size_t measured = 0;

 private:
  FixedWidthMeasurer fixed_;
};

TEST(WrapCaption, LongCaptionsAreMeasuredInRunsNearTheLineLength) {
  // A real measurer shapes every run it is given: measuring the rest of a
  // long caption for every line would take time that grows with its square.
  Text caption;
  for (int i = 0; i < 400; ++i) caption += u"あいうえお";
  CountingMeasurer measurer;
  Lines lines = WrapCaption(caption, 200, measurer);
  ASSERT_EQ(lines.size(), 200u);
  EXPECT_LT(measurer.measured, 16 * caption.size()) << measurer.measured;
}

bool IsBlankText(const Text& t) { return t.find_first_not_of(u" ") == Text::npos; }

// The rules as the random test below uses them, for its alphabet.
bool MayNotStart(char16_t c) { return Text(u"。、」っーｰ｡").find(c) != Text::npos; }
bool MayNotEnd(char16_t c) { return c == u'「'; }

TEST(WrapCaption, RandomTextKeepsItsCharactersAndFits) {
  const char16_t alphabet[] = u"あ漢。、「」っーｱｰ｡ab  ";
  std::mt19937 random(11);
  FixedWidthMeasurer measurer(10, 20);
  for (int round = 0; round < 3000; ++round) {
    Text caption;
    int length = static_cast<int>(random() % 30) + 1;
    for (int i = 0; i < length; ++i) caption += alphabet[random() % (std::size(alphabet) - 1)];
    int width = static_cast<int>(random() % 150);
    Lines lines = WrapCaption(caption, width, measurer);
    SCOPED_TRACE(ToUtf8(caption) + " in " + std::to_string(width) + ": " + Show(lines));
    ASSERT_FALSE(lines.empty());
    // The lines appear in order, with only blanks left out between them.
    size_t at = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
      const Text& line = lines[i];
      ASSERT_FALSE(line.empty());
      ASSERT_TRUE(measurer.Width(line) <= width || line.size() == 1);
      if (i > 0) {
        while (at < caption.size() && caption[at] == u' ' &&
               caption.compare(at, line.size(), line) != 0) {
          ++at;
        }
      }
      ASSERT_EQ(caption.compare(at, line.size(), line), 0);
      at += line.size();
      // A wrap may break kinsoku only where the label is full.
      if (i + 1 < lines.size() && at < caption.size() && caption[at] != u' ' &&
          (MayNotStart(caption[at]) || MayNotEnd(line.back()))) {
        ASSERT_GT(measurer.Width(line + caption[at]), width) << "kinsoku broken at " << i;
      }
      if (!IsBlankText(line) && i + 1 < lines.size()) {
        ASSERT_NE(line.back(), u' ') << "blank left before a wrap";
      }
      if (!IsBlankText(line) && i > 0) {
        ASSERT_NE(line.front(), u' ') << "blank left after a wrap";
      }
    }
    // Only blanks that would have wrapped are left out at the end.
    ASSERT_TRUE(IsBlankText(caption.substr(at)));
  }
}

TEST(FixedWidthMeasurer, FullWidthCharactersCountDouble) {
  FixedWidthMeasurer m(10, 20);
  EXPECT_EQ(m.Width(u""), 0);
  EXPECT_EQ(m.Width(u"ab"), 20);
  EXPECT_EQ(m.Width(u"あＡ　。"), 80) << "kana, full-width Latin, ideographic space, full stop";
  EXPECT_EQ(m.Width(u"ｱｰ｡"), 30) << "half-width katakana and punctuation";
  EXPECT_EQ(m.Width(u"𠮷"), 20) << "one character in two units";
  EXPECT_EQ(m.Width(u"か\u3099e\u0301"), 30) << "combining marks take no room";
  FixedWidthMeasurer other(7, 12);
  EXPECT_EQ(other.Width(u"aあ"), 19);
}

TEST(GrowingCaptionLines, AppendedPiecesWrapAsTheWholeCaptionDoes) {
  // Pieces that split lines, CR LF pairs and surrogate-free text at every
  // place, and captions set anew now and then.
  const std::vector<Text> pieces = {u"\r",    u"\n",       u"\r\n",        u"あいうえおかきくけこ",
                                    u"word ", u"「かぎ」", u"。",          u"",
                                    u"a",     u"\r\r",     u"長い行の続き"};
  std::mt19937 random(12);
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    GrowingCaptionLines lines, first_lines;
    CountingMeasurer measurer;
    Text caption;
    const int width = 40 + static_cast<int>(random() % 120);
    // What a label of a few lines' height shows.
    const size_t shown = 1 + random() % 6;
    for (int step = 0; step < 30; ++step) {
      bool extends = true;
      if (random() % 12 == 0) {
        caption.clear();
        extends = false;
      }
      caption += pieces[random() % pieces.size()];
      const Lines& got = lines.Update(caption, extends, width, measurer);
      const Lines all = Wrap(caption, width);
      ASSERT_EQ(Show(got), Show(all)) << ToUtf8(caption);
      const Lines& first = first_lines.Update(caption, extends, width, measurer, shown);
      ASSERT_EQ(Show(first), Show(Lines(all.begin(), all.begin() + std::min(shown, all.size()))))
          << ToUtf8(caption);
    }
  }
}

// A page of lines of megabytes: only what the label shows is wrapped, however
// long the lines, and appending to them costs nothing more.
TEST(GrowingCaptionLines, LinesBelowWhatIsShownAreNotWrapped) {
  for (char16_t c : {u'a', u'\0', u'あ'}) {
    GrowingCaptionLines lines;
    CountingMeasurer measurer;
    Text caption(4'000'000, c);
    const Lines& got = lines.Update(caption, false, 200, measurer, 12);
    EXPECT_LE(got.size(), 12u);
    EXPECT_LT(measurer.measured, 100'000u) << int(c);
    caption += u"\r\n" + Text(4'000'000, c);
    measurer.measured = 0;
    lines.Update(caption, true, 200, measurer, 12);
    EXPECT_LT(measurer.measured, 100'000u) << int(c);
  }
}

TEST(GrowingCaptionLines, ARedrawAfterAnAppendCostsTheSameHoweverLongTheCaption) {
  const Text line = u"ここは長い文章の一行です。何度でも足されます。\r\n";
  auto cost_of_one_more = [&](int lines_before) {
    GrowingCaptionLines lines;
    CountingMeasurer measurer;
    Text caption;
    for (int i = 0; i < lines_before; ++i) caption += line;
    lines.Update(caption, false, 200, measurer);
    caption += line;
    measurer.measured = 0;
    const size_t count = lines.Update(caption, true, 200, measurer).size();
    EXPECT_EQ(count, Wrap(caption, 200).size());
    return measurer.measured;
  };
  const long small = cost_of_one_more(10);
  EXPECT_GT(small, 0);
  EXPECT_EQ(cost_of_one_more(20'000), small);
  // A change of width, or a caption set anew, wraps it all again.
  GrowingCaptionLines lines;
  CountingMeasurer measurer;
  lines.Update(line + line, false, 200, measurer);
  measurer.measured = 0;
  lines.Update(line + line, true, 300, measurer);
  EXPECT_GT(measurer.measured, line.size());
  EXPECT_EQ(Show(lines.Update(u"new", false, 300, measurer)), Show(Lines{u"new"}));
}

}  // namespace
