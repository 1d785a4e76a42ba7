// Breaks a label's caption into the lines it shows: at every line break of
// the caption, and wherever a line would be wider than the label, following
// the usual Japanese line-breaking rules (kinsoku).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/text.h"

namespace yomite::render {

// Measures the pixel width of a run of text in the font it is drawn with.
// A run is measured whole, so kerning and shaping may make it differ from
// the sum of its characters.
class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  virtual int Width(TextView text) = 0;
};

// Every character takes narrow pixels, wide (East Asian full-width) ones
// take wide pixels, combining marks none. For tests and headless layout.
class FixedWidthMeasurer : public TextMeasurer {
 public:
  explicit FixedWidthMeasurer(int narrow = 10, int wide = 20) : narrow_(narrow), wide_(wide) {}
  int Width(TextView text) override;

 private:
  int narrow_;
  int wide_;
};

// True for characters drawn full-width in Japanese fonts: kanji, kana, CJK
// punctuation and the full-width forms (not the half-width katakana).
bool IsWideChar(char32_t c);

// The display lines of caption in a label width pixels wide.
//
// CR LF, a lone CR and a lone LF each end a line; every break gives one
// line, so "a\r\n" is "a" and "". A line wider than the label wraps: next to
// Japanese characters it may wrap between any two characters, Latin words
// wrap at blanks (the blanks at the wrap are dropped). No line starts with
// closing punctuation, small kana or a prolonged sound mark, and none ends
// with an opening bracket. A word wider than the label, or one that cannot
// move down without breaking those rules, is broken between letters. Where
// even that leaves no place (a run of punctuation wider than the label) the
// line wraps at the last character that fits, and a character wider than
// the label gets a line of its own: no character is lost and no wrapped
// line is empty.
// Surrogate pairs and combining marks stay with their base character.
std::vector<Text> WrapCaption(TextView caption, int width, TextMeasurer& measurer);

// The display lines of a caption that grows at its end, kept from one call
// to the next: only its last line, which may still grow, and what was
// appended after it are wrapped again, so a page that is never cleared
// costs each redraw the same.
class GrowingCaptionLines {
 public:
  // The lines of caption as WrapCaption gives them, the first max_lines
  // of them at most: a label shows no more than its height holds, and a
  // page of megabytes need not be wrapped beyond that. extends says that
  // caption is the caption of the last call with text appended (or
  // nothing); the lines are made anew otherwise, and when width or
  // max_lines changed.
  const std::vector<Text>& Update(TextView caption, bool extends, int width, TextMeasurer& measurer,
                                  size_t max_lines = SIZE_MAX);
  // Forgets the lines: the next Update makes them anew.
  void Clear();
  // Hands the lines over, and forgets them.
  std::vector<Text> Take();

 private:
  void Wrap(TextView caption, int width, TextMeasurer& measurer);

  std::vector<Text> lines_;
  size_t length_ = 0;      // of the caption wrapped last
  size_t tail_start_ = 0;  // where its last line, which may still grow, starts
  size_t tail_line_ = 0;   // the first display line of that line
  int width_ = -1;
  size_t max_lines_ = SIZE_MAX;
};

}  // namespace yomite::render
