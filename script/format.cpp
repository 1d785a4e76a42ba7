#include "script/format.h"

#include "base/runtime_error.h"

namespace yomite::script {

Command Recognise(TextView line) {
  // Every keyword starts with '>': a line without one is prose at once.
  if (line.find(u'>') == TextView::npos) return Command::kProse;
  for (const Keyword& k : kKeywords) {
    if (line.find(k.text) != TextView::npos) return k.command;
  }
  return Command::kProse;
}

TextView KeywordText(Command command) {
  for (const Keyword& k : kKeywords) {
    if (k.command == command) return k.text;
  }
  return {};
}

bool HasPauseKeyword(TextView line) {
  if (line.find(u'>') == TextView::npos) return false;
  for (TextView k : kPauseKeywords) {
    if (line.find(k) != TextView::npos) return true;
  }
  return false;
}

void ReplacePlaceholders(Text& line) {
  for (size_t i = line.find(kPlaceholder); i != Text::npos; i = line.find(kPlaceholder, i + 1)) {
    line[i] = kPlaceholderName;
  }
}

long InStr(TextView s, TextView what) {
  size_t at = s.find(what);
  return at == TextView::npos ? 0 : static_cast<long>(at) + 1;
}

Text Mid(TextView s, long start, long length) {
  if (start < 1)
    throw RuntimeError(err::kInvalidCall, "cut starts at position " + std::to_string(start));
  if (length < 0) throw RuntimeError(err::kInvalidCall, "cut of length " + std::to_string(length));
  size_t from = static_cast<size_t>(start - 1);
  if (from >= s.size()) return {};
  return Text(s.substr(from, static_cast<size_t>(length)));
}

namespace {
long Len(TextView s) { return static_cast<long>(s.size()); }
}  // namespace

Text PictureName(TextView line) { return Mid(line, 6, Len(line) - 5); }

Text JumpName(TextView line) { return Mid(line, 6, Len(line) - 5); }

Conditional CutConditional(TextView line) {
  long p = InStr(line, u">sw");
  Conditional c;
  c.picture = Mid(line, 7, p - 7);
  c.flag = Mid(line, p + 4, Len(line) - (p + 3));
  return c;
}

Text OnFlag(TextView line) { return Mid(line, 5, Len(line) - 4); }

Text OffFlag(TextView line) { return Mid(line, 6, Len(line) - 5); }

Branch CutBranch(TextView line, Command which) {
  long flag_at = which == Command::kBon ? 6 : 7;
  long p = InStr(line, u">next>");
  Branch b;
  b.flag = Mid(line, flag_at, p - flag_at);
  b.target = Mid(line, p + 6, Len(line) - (p + 5));
  return b;
}

}  // namespace yomite::script
