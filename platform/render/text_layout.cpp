#include "platform/render/text_layout.h"

#include <algorithm>

namespace yomite::render {
namespace {

// Marks drawn on the preceding character: never split from it, no width.
bool IsCombining(char32_t c) {
  return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
         (c >= 0x20D0 && c <= 0x20FF) || c == 0x3099 || c == 0x309A ||
         (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xFE20 && c <= 0xFE2F) || c == 0x200D ||
         (c >= 0xE0100 && c <= 0xE01EF);
}

bool IsHalfwidthKatakana(char32_t c) { return c >= 0xFF61 && c <= 0xFF9F; }

// Text of this kind may wrap between any two characters.
bool IsIdeographic(char32_t c) { return IsWideChar(c) || IsHalfwidthKatakana(c); }

bool IsBlank(char32_t c) { return c == u' ' || c == u'\t'; }

// Characters that must not begin a line: closing brackets and quotes,
// punctuation, iteration marks, small kana and the prolonged sound mark.
constexpr TextView kNoStart =
    u")]},.:;!?’”»‐–‥…‼⁇⁈⁉°′″℃"
    u"、。々〉》」』】〕〗〙〛〜〟゛゜ゝゞ゠・ーヽヾ"
    u"ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶ"
    u"！），．：；？］｝～｠｡｣､･ｰﾞﾟ";

// Characters that must not end a line: opening brackets and quotes.
constexpr TextView kNoEnd = u"([{‘“«〈《「『【〔〖〘〚〝（［｛｟｢";

bool IsIn(TextView set, char32_t c) {
  return c <= 0xFFFF && set.find(static_cast<char16_t>(c)) != TextView::npos;
}

bool IsNoStart(char32_t c) {
  return IsIn(kNoStart, c) || (c >= 0x31F0 && c <= 0x31FF) ||  // small katakana for Ainu
         (c >= 0xFF67 && c <= 0xFF6F);                         // half-width small kana ｧ..ｯ
}

bool IsNoEnd(char32_t c) { return IsIn(kNoEnd, c); }

// A character with the combining marks that follow it, in UTF-16 units.
struct Cluster {
  size_t begin;
  size_t end;
  char32_t base;
};

std::vector<Cluster> Clusters(TextView line) {
  std::vector<Cluster> clusters;
  size_t i = 0;
  while (i < line.size()) {
    size_t units;
    char32_t c = CodePointAt(line, i, &units);
    if (IsCombining(c) && !clusters.empty()) {
      clusters.back().end = i + units;
    } else {
      clusters.push_back({i, i + units, c});
    }
    i += units;
  }
  return clusters;
}

class LineWrapper {
 public:
  LineWrapper(TextView line, int width, TextMeasurer& measurer, std::vector<Text>& out,
              size_t max_lines = SIZE_MAX)
      : line_(line),
        clusters_(Clusters(line)),
        width_(width),
        measurer_(measurer),
        out_(out),
        max_lines_(max_lines) {}

  void Run() {
    const size_t n = clusters_.size();
    if (n == 0) {
      out_.emplace_back();
      return;
    }
    size_t start = 0;
    while (start < n && out_.size() < max_lines_) {
      const size_t fit = LastFit(start);
      if (fit == n) {
        out_.emplace_back(Span(start, n));
        return;
      }
      const size_t wrap = ChooseWrap(start, fit);
      EmitWrapped(start, wrap);
      start = wrap;
      // The blanks at a wrap would only show as nothing at either end.
      while (start < n && IsBlank(clusters_[start].base)) ++start;
    }
  }

 private:
  TextView Span(size_t from, size_t to) const {
    return line_.substr(clusters_[from].begin, clusters_[to - 1].end - clusters_[from].begin);
  }

  bool Fits(size_t from, size_t to) { return measurer_.Width(Span(from, to)) <= width_; }

  // The end of the longest run from start that fits, or of its first
  // cluster when even that is too wide. Widths grow with the run: probing
  // at doubling lengths and then halving the gap keeps both the number and
  // the length of the runs measured close to those of the line.
  size_t LastFit(size_t start) {
    const size_t n = clusters_.size();
    size_t lo = start + 1;  // fits, or is the minimum
    if (!Fits(start, lo)) return lo;
    size_t hi = n + 1;  // does not fit (n + 1: not known yet)
    for (size_t step = 1; lo < n; step *= 2) {
      const size_t probe = std::min(lo + step, n);
      if (!Fits(start, probe)) {
        hi = probe;
        break;
      }
      lo = probe;
    }
    if (lo == n) return n;
    while (hi - lo > 1) {
      const size_t mid = lo + (hi - lo) / 2;
      if (Fits(start, mid)) {
        lo = mid;
      } else {
        hi = mid;
      }
    }
    return lo;
  }

  bool HasText(size_t from, size_t to) const {
    for (size_t i = from; i < to; ++i) {
      if (!IsBlank(clusters_[i].base)) return true;
    }
    return false;
  }

  // Does a wrap before cluster i (0 < i < n) keep the kinsoku rules?
  bool KeepsKinsoku(size_t i) const {
    return !IsNoStart(clusters_[i].base) && !IsNoEnd(clusters_[i - 1].base);
  }

  // Is cluster i (0 < i < n) a place to wrap by all the rules: after blanks,
  // or next to Japanese text, and not against kinsoku?
  bool CanWrapBefore(size_t i) const {
    const char32_t before = clusters_[i - 1].base, after = clusters_[i].base;
    if (IsBlank(after) || !KeepsKinsoku(i)) return false;
    return IsBlank(before) || IsIdeographic(before) || IsIdeographic(after);
  }

  // Where to end the line that starts at start, when the clusters up to fit
  // are all that fit.
  size_t ChooseWrap(size_t start, size_t fit) const {
    const size_t n = clusters_.size();
    // A line must hold more than blanks: wraps before text_at cannot.
    size_t text_at = start;
    while (text_at < fit && IsBlank(clusters_[text_at].base)) ++text_at;
    if (IsBlank(clusters_[fit].base) && text_at < fit) {
      // The blanks at the end need no room: wrap after them if allowed.
      size_t after = fit;
      while (after < n && IsBlank(clusters_[after].base)) ++after;
      if (after == n || CanWrapBefore(after)) return after;
    }
    for (size_t i = fit; i > text_at; --i) {
      if (CanWrapBefore(i)) return i;
    }
    // No such place: break the word rather than the kinsoku rules, which
    // show more in Japanese text.
    for (size_t i = fit; i > text_at; --i) {
      if (KeepsKinsoku(i)) return i;
    }
    return fit;  // a label too narrow for the rules: wrap where the width ends
  }

  // A line that wraps leaves out its trailing blanks, unless it has
  // nothing else.
  void EmitWrapped(size_t from, size_t to) {
    size_t end = to;
    if (HasText(from, to)) {
      while (IsBlank(clusters_[end - 1].base)) --end;
    }
    out_.emplace_back(Span(from, end));
  }

  TextView line_;
  std::vector<Cluster> clusters_;
  int width_;
  TextMeasurer& measurer_;
  std::vector<Text>& out_;
  size_t max_lines_;
};

}  // namespace

bool IsWideChar(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) ||    // Hangul jamo
         (c >= 0x2E80 && c <= 0x303E) ||    // CJK radicals, symbols and punctuation
         (c >= 0x3041 && c <= 0x33FF) ||    // kana, bopomofo, enclosed and compatibility
         (c >= 0x3400 && c <= 0x4DBF) ||    // CJK extension A
         (c >= 0x4E00 && c <= 0x9FFF) ||    // CJK unified ideographs
         (c >= 0xA000 && c <= 0xA4CF) ||    // Yi
         (c >= 0xAC00 && c <= 0xD7A3) ||    // Hangul syllables
         (c >= 0xF900 && c <= 0xFAFF) ||    // CJK compatibility ideographs
         (c >= 0xFE10 && c <= 0xFE19) ||    // vertical forms
         (c >= 0xFE30 && c <= 0xFE6F) ||    // CJK compatibility and small forms
         (c >= 0xFF00 && c <= 0xFF60) ||    // full-width forms
         (c >= 0xFFE0 && c <= 0xFFE6) ||    // full-width signs
         (c >= 0x1F300 && c <= 0x1F64F) ||  // pictographs and emoticons
         (c >= 0x1F900 && c <= 0x1F9FF) ||  // more pictographs
         (c >= 0x20000 && c <= 0x3FFFD);    // CJK extensions B and later
}

int FixedWidthMeasurer::Width(TextView text) {
  int width = 0;
  size_t i = 0;
  while (i < text.size()) {
    size_t units;
    char32_t c = CodePointAt(text, i, &units);
    if (!IsCombining(c)) width += IsWideChar(c) ? wide_ : narrow_;
    i += units;
  }
  return width;
}

std::vector<Text> WrapCaption(TextView caption, int width, TextMeasurer& measurer) {
  GrowingCaptionLines lines;
  lines.Update(caption, false, width, measurer);
  return lines.Take();
}

std::vector<Text> GrowingCaptionLines::Take() {
  std::vector<Text> lines = std::move(lines_);
  Clear();
  return lines;
}

void GrowingCaptionLines::Clear() {
  lines_.clear();
  length_ = tail_start_ = tail_line_ = 0;
  width_ = -1;
}

const std::vector<Text>& GrowingCaptionLines::Update(TextView caption, bool extends, int width,
                                                     TextMeasurer& measurer, size_t max_lines) {
  if (!extends || width != width_ || max_lines != max_lines_ || caption.size() < length_) {
    Clear();
    width_ = width;
    max_lines_ = max_lines;
  } else if (caption.size() == length_) {
    return lines_;
  }
  try {
    Wrap(caption, width, measurer);
  } catch (...) {
    Clear();  // half-made lines are no start for the next call
    throw;
  }
  return lines_;
}

void GrowingCaptionLines::Wrap(TextView caption, int width, TextMeasurer& measurer) {
  lines_.resize(tail_line_);
  size_t start = tail_start_;
  bool tail_found = false;
  while (lines_.size() < max_lines_) {
    // Of a line longer than the lines left could show (a character is a
    // pixel wide at the least), the rest is never seen: its end is not
    // looked for either (a line of 16 MB took a scan of it each frame).
    const size_t shown = max_lines_ == SIZE_MAX ? TextView::npos
                                                : (max_lines_ - lines_.size()) *
                                                      static_cast<size_t>(std::max(width, 1));
    const TextView ahead = caption.substr(start, shown == TextView::npos ? shown : shown + 1);
    const size_t found = ahead.find_first_of(u"\r\n");
    const size_t stop = found == TextView::npos ? TextView::npos : start + found;
    // The last line may grow, and so may a line that a CR ends at the very
    // end: an LF appended next makes that one break, not two. A line cut
    // at what is shown is wrapped again from its start too: it may be the
    // last.
    if (!tail_found &&
        (stop == TextView::npos || (caption[stop] == u'\r' && stop + 1 == caption.size()))) {
      tail_found = true;
      tail_start_ = start;
      tail_line_ = lines_.size();
    }
    TextView line = stop == TextView::npos ? ahead : ahead.substr(0, found);
    if (line.size() > shown) line = line.substr(0, shown);
    LineWrapper(line, width, measurer, lines_, max_lines_).Run();
    if (stop == TextView::npos) break;
    start = stop + 1;
    if (caption[stop] == u'\r' && start < caption.size() && caption[start] == u'\n') ++start;
  }
  length_ = caption.size();
}

}  // namespace yomite::render
