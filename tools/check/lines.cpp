#include "tools/check/lines.h"

#include <cstdio>

#include "base/printable.h"
#include "base/runtime_error.h"
#include "platform/cp932.h"
#include "script/flags.h"

namespace yomite::check {

using script::Command;

namespace {

std::string Num(long n) { return std::to_string(n); }

bool TakesArguments(Command c) {
  switch (c) {
    case Command::kImg:
    case Command::kOimg:
    case Command::kFimg:
    case Command::kOn:
    case Command::kOff:
    case Command::kBon:
    case Command::kBoff:
    case Command::kIve:
      return true;
    default:
      return false;
  }
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u3000'; }

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// What an author might have meant: fullwidth forms as ASCII, upper case as
// lower case.
Text Fold(TextView line) {
  Text out = FoldCase(line);
  for (char16_t& c : out) {
    if (c >= 0xFF01 && c <= 0xFF5E) c = static_cast<char16_t>(c - 0xFEE0);
  }
  return out;
}

std::string Because(const std::string& detail) { return detail.empty() ? "" : " (" + detail + ")"; }

std::string ErrorTail(int number) {
  return " (run-time error " + std::to_string(number) + ", " + StandardMessage(number) + ")";
}

// The arguments the line's cut gives, for messages about misread lines.
std::string ArgumentSummary(const LineFacts& f) {
  if (f.cut_failed || !TakesArguments(f.command)) return "";
  std::string s;
  if (f.has_flag) {
    s += "the flag is " + Quote(f.flag_text.substr(0, 1)) + " at column " + Num(f.flag_column);
  }
  if (f.has_name) {
    if (!s.empty()) s += ", ";
    s += "the name is " + Quote(f.name);
  }
  return s.empty() ? "" : " (" + s + ")";
}

const char* FlagState(Command c) {
  return c == Command::kOimg || c == Command::kBon ? "on" : "off";
}

// The column of the first byte that is not code page 932 and the number of
// such bytes. The decoder shows each as the geta mark; a real geta mark in
// the file is the pair 81 AC.
std::pair<long, int> InvalidBytes(const std::string& raw, TextView decoded, unsigned char& first) {
  long column = 0;
  int count = 0;
  size_t b = 0;
  for (size_t k = 0; k < decoded.size() && b < raw.size(); ++k) {
    char16_t c = decoded[k];
    bool real_geta = b + 1 < raw.size() && static_cast<unsigned char>(raw[b]) == 0x81 &&
                     static_cast<unsigned char>(raw[b + 1]) == 0xAC;
    if (c == cp932::kReplacement && !real_geta) {
      if (count++ == 0) {
        column = static_cast<long>(k) + 1;
        first = static_cast<unsigned char>(raw[b]);
      }
      b += 1;
      continue;
    }
    auto bytes = cp932::Encode(TextView(&c, 1));
    b += bytes ? bytes->size() : 1;
  }
  return {column, count};
}

// The name climbs above the story folder: more '..' parts than parts
// before them.
bool LeavesFolder(TextView name) {
  long depth = 0;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find(u'\\', start);
    if (end == TextView::npos) end = name.size();
    TextView part = name.substr(start, end - start);
    if (part == u"..") {
      if (--depth < 0) return true;
    } else if (!part.empty() && part != u".") {
      ++depth;
    }
    start = end + 1;
  }
  return false;
}

class LineChecker {
 public:
  LineChecker(const LineFacts& f, const std::string& file, const FlagContext& flags,
              StoryFolder& folder, std::vector<Finding>& out, std::set<std::string>& pictures_used)
      : f_(f),
        file_(file),
        flags_(flags),
        folder_(folder),
        out_(out),
        pictures_used_(pictures_used) {}

  void Run(const std::string& raw) {
    bool misread = Recognition();
    if (f_.command == Command::kProse) {
      NotAKeyword();
      Markers();
    } else if (!misread) {
      Arguments();
    }
    Errors();
    Bytes(raw);
  }

 private:
  void Add(Severity severity, const char* code, long column, std::string message, int number = 0) {
    Finding finding;
    finding.severity = severity;
    finding.code = code;
    finding.where = {file_, f_.number, column < 1 ? 1 : column};
    finding.message = std::move(message);
    finding.error_number = number;
    out_.push_back(std::move(finding));
  }

  // A keyword that is not where the author put one decides the line.
  bool Recognition() {
    if (f_.command == Command::kProse || f_.starts_with == f_.command) return false;
    std::string kw = Quote(script::KeywordText(f_.command));
    std::string at = kw + " at column " + Num(f_.keyword_column);
    std::string args =
        TakesArguments(f_.command)
            ? "; its arguments are cut as if the keyword began the line" + ArgumentSummary(f_)
            : "";
    if (f_.starts_with == Command::kProse) {
      std::string effect = TakesArguments(f_.command) ? "" : "; its text is not shown";
      Add(Severity::kWarning, code::kKeywordInProse, f_.keyword_column,
          at + " makes this line " + DescribeCommand(f_.command) + ", not prose" + effect + args);
    } else {
      Add(Severity::kWarning, code::kKeywordInArgument, f_.keyword_column,
          "this " + Quote(script::KeywordText(f_.starts_with)) + " line is " +
              DescribeCommand(f_.command) + ": " + at + " is tried before " +
              Quote(script::KeywordText(f_.starts_with)) + args);
    }
    return true;
  }

  // Upper-case and fullwidth spellings are not keywords and show as prose.
  void NotAKeyword() {
    Text folded = Fold(f_.text);
    static const TextView kMarkers[] = {script::kMarkGame, script::kMarkHtml, script::kMarkBad};
    auto matches = [&](TextView word) {
      return folded.starts_with(word) &&
             (folded.size() == word.size() || !IsAsciiLetter(folded[word.size()])) &&
             !f_.text.starts_with(word);
    };
    // Longest first, so ">IMG>NONE" is named as itself.
    TextView best;
    bool marker = false;
    for (const script::Keyword& k : script::kKeywords) {
      if (k.text.size() > best.size() && matches(k.text)) best = k.text;
    }
    for (TextView m : kMarkers) {
      if (m.size() > best.size() && matches(m)) {
        best = m;
        marker = true;
      }
    }
    if (best.empty()) return;
    std::string written = Quote(TextView(f_.text).substr(0, best.size()));
    if (marker) {
      Add(Severity::kWarning, code::kNotAKeyword, 1,
          written + " is not the marker " + Quote(best) +
              " (markers are lower-case ASCII): fast-forward does not stop here");
    } else {
      Add(Severity::kWarning, code::kNotAKeyword, 1,
          written + " is not the keyword " + Quote(best) +
              " (keywords are lower-case ASCII after '>'): this line shows as prose");
    }
  }

  // Marker texts count only as whole lines.
  void Markers() {
    struct Marker {
      TextView text;
      const char* rule;
    };
    static const Marker kMarkers[] = {
        {script::kMarkGame, "fast-forward stops only after a line that is exactly '>game'"},
        {script::kMarkHtml, "fast-forward stops only after a line that is exactly '>html'"},
        {script::kMarkBad, "fast-forward stops only before a line that is exactly '>bad'"},
    };
    for (const Marker& m : kMarkers) {
      long at = script::InStr(f_.text, m.text);
      if (at == 0 || f_.text == m.text) continue;
      Add(Severity::kWarning, code::kMarkerNotExact, at,
          "this line is not exactly " + Quote(m.text) + ": " + m.rule);
    }
  }

  // Traps in the arguments of a line that is the command it reads as.
  void Arguments() {
    const Command c = f_.command;
    TextView kw = script::KeywordText(c);
    if (!TakesArguments(c)) {
      if (f_.text != kw) {
        std::string why = "text after " + Quote(kw) + " is ignored";
        if (c == Command::kEnd) {
          why += "; fast-forward stops before a line only when it is exactly '>end'";
        }
        if (c == Command::kImgNone) why += "; this line clears the picture area and shows none";
        Add(Severity::kWarning, code::kIgnoredText, static_cast<long>(kw.size()) + 1, why);
      }
      return;
    }
    if (f_.cut_failed) return;
    if (f_.has_name && !f_.name.empty()) {
      bool picture = c == Command::kImg || c == Command::kOimg || c == Command::kFimg;
      std::string file = ToUtf8(f_.name) + (picture ? ".jpg" : ".dat");
      if (IsBlank(f_.name.front())) {
        Add(Severity::kWarning, code::kBlankInName, f_.name_column,
            "the name " + Quote(f_.name) +
                " begins with a blank, which is part of the file name: the player opens " +
                Quote(FromUtf8(file)));
      } else if (IsBlank(f_.name.back())) {
        Add(Severity::kWarning, code::kBlankInName,
            f_.name_column + static_cast<long>(f_.name.size()) - 1,
            "the name " + Quote(f_.name) +
                " ends with a blank, which is part of the file name: the player opens " +
                Quote(FromUtf8(file)));
      }
    }
    if (f_.has_name && LeavesFolder(f_.name)) {
      Add(Severity::kWarning, code::kOutsideFolder, f_.name_column,
          "the name " + Quote(f_.name) +
              " leads out of the story folder through '..': the player follows it, so the "
              "story needs a file that is not in its folder");
      out_.back().hint = "keep the story's files in its folder and name them from there";
    }
    if (c == Command::kOimg || c == Command::kFimg) {
      long p = script::InStr(f_.text, u">sw");
      if (TextView(f_.text).find(u">sw", static_cast<size_t>(p) + 2) != TextView::npos) {
        // The rest of the line after the flag is the name's own '>sw'.
        Add(Severity::kWarning, code::kSwInName, p,
            "the picture name is cut at the first '>sw' (column " + Num(p) + "): the picture is " +
                Quote(f_.name) + " and the flag " + Quote(f_.flag_text.substr(0, 1)));
        return;
      }
    }
    if (f_.has_flag && f_.flag_text.size() > 1) {
      Add(Severity::kWarning, code::kFlagExtraText, f_.flag_column + 1,
          "only the first character of a flag counts: " + Quote(f_.flag_text.substr(1)) +
              " after the flag " + Quote(f_.flag_text.substr(0, 1)) + " is ignored");
    }
  }

  void Error(const char* code, long column, const std::string& message, int number) {
    Add(Severity::kError, code, column, message + ErrorTail(number), number);
  }

  std::string NameNote(TextView name) const {
    std::string note;
    if (name.empty()) note += " (the name is empty)";
    if (f_.placeholder && name.find(script::kPlaceholderName) != TextView::npos) {
      note += " (the placeholder 'Ｙ' in the name is replaced by '澪')";
    }
    return note;
  }

  void Errors() {
    const Command c = f_.command;
    if (f_.command == Command::kProse || f_.command == Command::kImgNone ||
        f_.command == Command::kPage || f_.command == Command::kQst ||
        f_.command == Command::kEnd) {
      return;
    }
    if (f_.cut_failed) {
      Error(code::kNegativeCut, f_.keyword_column, CutProblem(), err::kInvalidCall);
      return;
    }
    if (f_.has_flag && f_.flag_error == err::kInvalidCall) {
      Error(code::kEmptyFlag, f_.flag_column,
            "the flag of " + Quote(script::KeywordText(c)) +
                " is empty: nothing stands at column " + Num(f_.flag_column),
            err::kInvalidCall);
      return;
    }
    if (f_.has_flag && f_.flag_error != 0) {
      char16_t flag = f_.flag_text[0];
      char16_t read = static_cast<size_t>(f_.flag_column) <= f_.as_read.size()
                          ? f_.as_read[static_cast<size_t>(f_.flag_column) - 1]
                          : flag;
      std::string what =
          "the flag " + Quote(TextView(&flag, 1)) + " at column " + Num(f_.flag_column);
      if (read == script::kPlaceholder && flag == script::kPlaceholderName) {
        what = "the flag 'Ｙ' at column " + Num(f_.flag_column) +
               " becomes '澪' (the placeholder is replaced before the line is cut), which";
      }
      Error(code::kBadFlag, f_.flag_column,
            what +
                " is a double-byte character; a flag must be a single-byte character "
                "(ASCII or halfwidth katakana)",
            f_.flag_error);
      return;
    }
    if (NeverPasses()) return;
    switch (c) {
      case Command::kImg:
        Picture(f_.name, f_.name_column, "");
        break;
      case Command::kOimg:
      case Command::kFimg: {
        std::string when = " whenever flag " + Quote(f_.flag_text.substr(0, 1)) + " is " +
                           FlagState(c) + " (a flag's value is not known before the story runs)";
        if (!Picture(f_.name, f_.name_column, when)) {
          Picture(u"3", f_.keyword_column, when, true);
        } else if (const OpenResult& three = folder_.LoadPicture(u"3"); !three.native.empty()) {
          pictures_used_.insert(three.native);  // shown once the named picture is fixed
        }
        break;
      }
      case Command::kBon:
      case Command::kBoff:
        Script(f_.name, f_.name_column,
               " whenever the branch is taken (flag " + Quote(f_.flag_text.substr(0, 1)) + " " +
                   FlagState(c) + ")");
        break;
      case Command::kIve:
        Script(f_.name, f_.name_column, "");
        break;
      case Command::kEnding:
        Script(u"end", f_.keyword_column, "");
        break;
      default:
        break;
    }
  }

  // A flag test that can never pass: its picture or script is never loaded.
  bool NeverPasses() {
    const Command c = f_.command;
    bool on_test = c == Command::kOimg || c == Command::kBon;
    if (!on_test && c != Command::kFimg && c != Command::kBoff) return false;
    std::string flag = Quote(f_.flag_text.substr(0, 1));
    std::string why;
    if (on_test && flags_.set_on && !flags_.set_on->count(f_.flag_number)) {
      why = "no line of the story sets flag " + flag + " on";
    } else if (flags_.before == (on_test ? 0 : 1)) {
      why = "flag " + flag + " is always " + (on_test ? "off" : "on") + " here";
    } else {
      return false;
    }
    bool branch = c == Command::kBon || c == Command::kBoff;
    Add(Severity::kWarning, code::kNeverTaken, f_.flag_column,
        std::string(branch ? "this branch is never taken" : "this line never shows its picture") +
            ": " + why);
    return true;
  }

  std::string CutProblem() const {
    const Command c = f_.command;
    std::string kw = Quote(script::KeywordText(c));
    long len = static_cast<long>(f_.text.size());
    std::string size = "a line of " + Num(len) + " characters";
    switch (c) {
      case Command::kImg:
      case Command::kIve:
        return "the line is too short for " + kw + ": its name is cut from column 6 of " + size +
               ", a cut of negative length";
      case Command::kOn:
      case Command::kOff:
        return "the line is too short for " + kw + ": its flag is cut from column " +
               Num(c == Command::kOn ? 5 : 6) + " of " + size + ", a cut of negative length";
      case Command::kOimg:
      case Command::kFimg: {
        long p = script::InStr(f_.text, u">sw");
        if (p == 0) return kw + " has no '>sw' after its picture name: the name cannot be cut";
        if (p < 7) {
          return "'>sw' at column " + Num(p) + " stands before the picture name's place (column 7)";
        }
        return "nothing follows '>sw' at column " + Num(p) + ": the flag cannot be cut";
      }
      case Command::kBon:
      case Command::kBoff: {
        long p = script::InStr(f_.text, u">next>");
        long flag_at = c == Command::kBon ? 6 : 7;
        if (p == 0) return kw + " has no '>next>' after its flag: the flag cannot be cut";
        return "'>next>' at column " + Num(p) + " stands before the flag's place (column " +
               Num(flag_at) + ")";
      }
      default:
        return "a cut of negative length";
    }
  }

  // Checks a picture the line loads; true when it is at fault. three is the
  // picture 3 that a conditional picture line shows after its own.
  bool Picture(const Text& name, long column, const std::string& when, bool three = false) {
    const OpenResult& r = folder_.LoadPicture(name);
    if (!r.native.empty()) pictures_used_.insert(r.native);
    if (r.error == 0) return false;
    std::string file = Quote(name + u".jpg");
    std::string problem =
        three ? Quote(script::KeywordText(f_.command)) + " shows the picture " + file + ", which"
              : "the picture " + file;
    const char* code = code::kMissingPicture;
    if (r.error == err::kFileNotFound) {
      problem += " does not exist";
    } else if (r.error == err::kInvalidPicture) {
      code = code::kBadPicture;
      problem += " cannot be decoded" + Because(r.detail);
    } else {
      code = code::kUnreadablePicture;
      problem += " cannot be read" + Because(r.detail);
    }
    problem += NameNote(name);
    if (!when.empty()) problem += ": the line ends the program" + when;
    bool conditional = f_.command == Command::kOimg || f_.command == Command::kFimg;
    if (conditional && !three && folder_.LoadPicture(u"3").error != 0) {
      problem += "; '3.jpg', shown right after it, is missing or broken too";
    }
    Error(code, column, problem, r.error);
    if (r.error == err::kFileNotFound) Suggest(name, u".jpg");
    return true;
  }

  // For a name that is not there: the nearest one that is.
  void Suggest(const Text& name, TextView extension) {
    NearName near = folder_.Nearest(name, extension);
    if (near.file.empty()) return;
    Finding& f = out_.back();
    f.meant = near.file;
    f.hint = near.same_stem ? Quote(FromUtf8(near.file)) + " exists, but the player opens only " +
                                  Quote(name + Text(extension)) + ": rename the file"
                            : "did you mean " + Quote(near.name) + "? " +
                                  Quote(FromUtf8(near.file)) + " exists";
  }

  void Script(const Text& name, long column, const std::string& when) {
    const OpenResult& r = folder_.OpenScript(name);
    if (r.error == 0) return;
    std::string file = Quote(name + u".dat");
    std::string problem =
        Quote(script::KeywordText(f_.command)) + " opens the script " + file +
        (r.error == err::kFileNotFound ? ", which does not exist"
                                       : ", which cannot be opened" + Because(r.detail));
    problem += NameNote(name);
    if (!when.empty()) problem += ": the line ends the program" + when;
    Error(r.error == err::kFileNotFound ? code::kMissingScript : code::kUnreadableScript, column,
          problem, r.error);
    if (r.error == err::kFileNotFound) Suggest(name, u".dat");
  }

  void Bytes(const std::string& raw) {
    unsigned char first = 0;
    auto [column, count] = InvalidBytes(raw, f_.as_read, first);
    if (count > 0) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "%02X", first);
      Add(Severity::kWarning, code::kBadEncoding, column,
          std::string(count == 1 ? "a byte that is" : std::to_string(count) + " bytes that are") +
              " not Shift-JIS (the first is 0x" + hex +
              " at this column): the player shows each as '〓'");
    }
    size_t lf = f_.as_read.find(u'\n');
    if (lf != Text::npos) {
      Add(Severity::kWarning, code::kLoneLf, static_cast<long>(lf) + 1,
          "a line feed without a carriage return does not end a line: the player reads the text "
          "on both sides of it as one line");
    }
  }

  const LineFacts& f_;
  const std::string& file_;
  const FlagContext& flags_;
  StoryFolder& folder_;
  std::vector<Finding>& out_;
  std::set<std::string>& pictures_used_;
};

}  // namespace

std::string Quote(TextView text) { return "'" + Printable(text) + "'"; }

std::string DescribeCommand(Command command) {
  switch (command) {
    case Command::kImgNone:
      return "a picture clear";
    case Command::kImg:
      return "a picture line";
    case Command::kOimg:
      return "a picture line for a flag that is on";
    case Command::kFimg:
      return "a picture line for a flag that is off";
    case Command::kPage:
      return "a page break";
    case Command::kOn:
      return "a flag-on line";
    case Command::kOff:
      return "a flag-off line";
    case Command::kBon:
      return "a branch for a flag that is on";
    case Command::kBoff:
      return "a branch for a flag that is off";
    case Command::kQst:
      return "the choice menu";
    case Command::kIve:
      return "a jump";
    case Command::kEnding:
      return "the jump to the ending";
    case Command::kEnd:
      return "a new game";
    case Command::kProse:
      return "prose";
  }
  return "prose";
}

LineFacts Examine(TextView line_as_read, long number) {
  LineFacts f;
  f.number = number;
  f.as_read = Text(line_as_read);
  f.text = f.as_read;
  f.placeholder = f.as_read.find(script::kPlaceholder) != Text::npos;
  script::ReplacePlaceholders(f.text);
  f.command = script::Recognise(f.text);
  if (f.command != Command::kProse) {
    f.keyword_column = script::InStr(f.text, script::KeywordText(f.command));
  }
  size_t longest = 0;
  for (const script::Keyword& k : script::kKeywords) {
    if (f.text.starts_with(k.text) && k.text.size() > longest) {
      longest = k.text.size();
      f.starts_with = k.command;
    }
  }
  try {
    switch (f.command) {
      case Command::kImg:
      case Command::kIve:
        f.name =
            f.command == Command::kImg ? script::PictureName(f.text) : script::JumpName(f.text);
        f.has_name = true;
        f.name_column = 6;
        break;
      case Command::kOimg:
      case Command::kFimg: {
        script::Conditional c = script::CutConditional(f.text);
        f.name = c.picture;
        f.has_name = true;
        f.name_column = 7;
        f.flag_text = c.flag;
        f.has_flag = true;
        f.flag_column = script::InStr(f.text, u">sw") + 4;
        break;
      }
      case Command::kOn:
      case Command::kOff:
        f.flag_text = f.command == Command::kOn ? script::OnFlag(f.text) : script::OffFlag(f.text);
        f.has_flag = true;
        f.flag_column = f.command == Command::kOn ? 5 : 6;
        break;
      case Command::kBon:
      case Command::kBoff: {
        script::Branch b = script::CutBranch(f.text, f.command);
        f.flag_text = b.flag;
        f.has_flag = true;
        f.flag_column = f.command == Command::kBon ? 6 : 7;
        f.name = b.target;
        f.has_name = true;
        f.name_column = script::InStr(f.text, u">next>") + 6;
        break;
      }
      default:
        break;
    }
  } catch (const RuntimeError&) {
    f.cut_failed = true;
  }
  if (f.has_flag) {
    try {
      f.flag_number = script::FlagNumber(f.flag_text);
    } catch (const RuntimeError& e) {
      f.flag_error = e.number();
    }
  }
  return f;
}

void CheckLine(const LineFacts& facts, const std::string& raw, const std::string& file,
               const FlagContext& flags, StoryFolder& folder, std::vector<Finding>& out,
               std::set<std::string>& pictures_used) {
  LineChecker(facts, file, flags, folder, out, pictures_used).Run(raw);
}

}  // namespace yomite::check
