#include "platform/mci/command_parser.h"

#include <algorithm>
#include <vector>

#include "platform/mci/mci_errors.h"

namespace yomite::platform::mci {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// Splits on blanks; "..." is one word without its quotes.
uint32_t SplitWords(TextView text, std::vector<Text>& words) {
  size_t i = 0;
  while (i < text.size()) {
    if (IsBlank(text[i])) {
      ++i;
      continue;
    }
    Text word;
    if (text[i] == u'"') {
      size_t close = text.find(u'"', i + 1);
      if (close == TextView::npos) return kErrNoClosingQuote;
      word = Text(text.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      while (i < text.size() && !IsBlank(text[i])) word += text[i++];
    }
    words.push_back(std::move(word));
  }
  return kOk;
}

std::optional<Verb> VerbOf(TextView word) {
  static const struct {
    const char16_t* name;
    Verb verb;
  } kVerbs[] = {{u"open", Verb::kOpen}, {u"close", Verb::kClose},  {u"play", Verb::kPlay},
                {u"stop", Verb::kStop}, {u"pause", Verb::kPause},  {u"resume", Verb::kResume},
                {u"seek", Verb::kSeek}, {u"status", Verb::kStatus}};
  for (const auto& v : kVerbs) {
    if (EqualsIgnoringCase(word, v.name)) return v.verb;
  }
  return std::nullopt;
}

// Verbs of the interface that this player has no use for: known, so they
// fail as unsupported rather than as gibberish.
bool IsOtherKnownVerb(TextView word) {
  static const char16_t* const kOthers[] = {
      u"break",    u"capability", u"configure", u"copy",    u"cue",     u"cut",   u"delete",
      u"escape",   u"freeze",     u"info",      u"list",    u"load",    u"paste", u"put",
      u"realize",  u"record",     u"reserve",   u"restore", u"save",    u"set",   u"setaudio",
      u"setvideo", u"signal",     u"spin",      u"step",    u"sysinfo", u"undo",  u"unfreeze",
      u"update",   u"where",      u"window",    u"sound",   u"eject"};
  for (const char16_t* other : kOthers) {
    if (EqualsIgnoringCase(word, other)) return true;
  }
  return false;
}

uint32_t ParseNumber(const Text& word, uint32_t& out) {
  if (word.empty()) return kErrBadInteger;
  uint64_t value = 0;
  for (char16_t c : word) {
    if (c < u'0' || c > u'9') return kErrBadInteger;
    value = value * 10 + (c - u'0');
    if (value > UINT32_MAX) return kErrBadInteger;
  }
  out = static_cast<uint32_t>(value);
  return kOk;
}

class Reader {
 public:
  explicit Reader(const std::vector<Text>& words) : words_(words) {}
  bool AtEnd() const { return next_ >= words_.size(); }
  const Text& Take() { return words_[next_++]; }

 private:
  const std::vector<Text>& words_;
  size_t next_ = 2;  // after the verb and the device
};

// Flags every verb takes.
bool TakeCommonFlag(const Text& word, Command& c, uint32_t& error) {
  bool* flag = nullptr;
  if (EqualsIgnoringCase(word, u"notify")) flag = &c.notify;
  if (EqualsIgnoringCase(word, u"wait")) flag = &c.wait;
  if (flag == nullptr) return false;
  if (*flag) error = kErrDuplicateFlags;
  *flag = true;
  return true;
}

uint32_t TakeValue(Reader& r, Text& out) {
  if (r.AtEnd()) return kErrMissingParameter;
  out = r.Take();
  return kOk;
}

uint32_t ParseOpen(Reader& r, Command& c) {
  while (!r.AtEnd()) {
    const Text& word = r.Take();
    uint32_t error = kOk;
    if (TakeCommonFlag(word, c, error)) {
    } else if (EqualsIgnoringCase(word, u"alias")) {
      if (c.alias) return kErrDuplicateFlags;
      Text value;
      if (uint32_t e = TakeValue(r, value)) return e;
      c.alias = value;
    } else if (EqualsIgnoringCase(word, u"type")) {
      if (c.type) return kErrDuplicateFlags;
      Text value;
      if (uint32_t e = TakeValue(r, value)) return e;
      c.type = value;
    } else if (EqualsIgnoringCase(word, u"shareable")) {
      c.shareable = true;
    } else {
      return kErrUnrecognizedKeyword;
    }
    if (error) return error;
  }
  return kOk;
}

uint32_t ParsePosition(Reader& r, std::optional<uint32_t>& slot) {
  if (slot) return kErrDuplicateFlags;
  if (r.AtEnd()) return kErrMissingParameter;
  uint32_t value = 0;
  if (uint32_t e = ParseNumber(r.Take(), value)) return e;
  slot = value;
  return kOk;
}

uint32_t ParsePlay(Reader& r, Command& c) {
  while (!r.AtEnd()) {
    const Text& word = r.Take();
    uint32_t error = kOk;
    if (TakeCommonFlag(word, c, error)) {
    } else if (EqualsIgnoringCase(word, u"from")) {
      error = ParsePosition(r, c.from);
    } else if (EqualsIgnoringCase(word, u"to")) {
      error = ParsePosition(r, c.to);
    } else {
      return kErrUnrecognizedKeyword;
    }
    if (error) return error;
  }
  return kOk;
}

uint32_t ParseSeek(Reader& r, Command& c) {
  while (!r.AtEnd()) {
    const Text& word = r.Take();
    uint32_t error = kOk;
    if (TakeCommonFlag(word, c, error)) {
    } else if (EqualsIgnoringCase(word, u"to")) {
      if (c.seek != SeekTarget::kNone) return kErrFlagsNotCompatible;
      if (r.AtEnd()) return kErrMissingParameter;
      const Text& target = r.Take();
      if (EqualsIgnoringCase(target, u"start")) {
        c.seek = SeekTarget::kStart;
      } else if (EqualsIgnoringCase(target, u"end")) {
        c.seek = SeekTarget::kEnd;
      } else {
        if (uint32_t e = ParseNumber(target, c.seek_position)) return e;
        c.seek = SeekTarget::kPosition;
      }
    } else {
      return kErrUnrecognizedKeyword;
    }
    if (error) return error;
  }
  return c.seek == SeekTarget::kNone ? kErrMissingParameter : kOk;
}

uint32_t ParseStatus(Reader& r, Command& c) {
  while (!r.AtEnd()) {
    const Text& word = r.Take();
    uint32_t error = kOk;
    StatusItem item = StatusItem::kNone;
    if (TakeCommonFlag(word, c, error)) {
    } else if (EqualsIgnoringCase(word, u"mode")) {
      item = StatusItem::kMode;
    } else if (EqualsIgnoringCase(word, u"position")) {
      item = StatusItem::kPosition;
    } else if (EqualsIgnoringCase(word, u"length")) {
      item = StatusItem::kLength;
    } else if (EqualsIgnoringCase(word, u"ready")) {
      item = StatusItem::kReady;
    } else {
      return kErrUnrecognizedKeyword;
    }
    if (error) return error;
    if (item != StatusItem::kNone) {
      if (c.item != StatusItem::kNone) return kErrFlagsNotCompatible;
      c.item = item;
    }
  }
  return c.item == StatusItem::kNone ? kErrMissingParameter : kOk;
}

uint32_t ParseFlagsOnly(Reader& r, Command& c) {
  while (!r.AtEnd()) {
    uint32_t error = kOk;
    if (!TakeCommonFlag(r.Take(), c, error)) return kErrUnrecognizedKeyword;
    if (error) return error;
  }
  return kOk;
}

}  // namespace

ParseResult ParseCommand(TextView text) {
  ParseResult result;
  std::vector<Text> words;
  if (uint32_t e = SplitWords(text, words)) {
    result.error = e;
    return result;
  }
  if (words.empty()) {
    result.error = kErrMissingCommandString;
    return result;
  }
  std::optional<Verb> verb = VerbOf(words[0]);
  if (!verb) {
    result.error = IsOtherKnownVerb(words[0]) ? kErrUnsupportedFunction : kErrUnrecognizedCommand;
    return result;
  }
  Command& c = result.command;
  c.verb = *verb;
  if (words.size() < 2) {
    result.error = c.verb == Verb::kOpen ? kErrFilenameRequired : kErrMissingDeviceName;
    return result;
  }
  c.device = words[1];
  result.has_device = true;
  Reader r(words);
  switch (c.verb) {
    case Verb::kOpen:
      result.error = ParseOpen(r, c);
      break;
    case Verb::kPlay:
      result.error = ParsePlay(r, c);
      break;
    case Verb::kSeek:
      result.error = ParseSeek(r, c);
      break;
    case Verb::kStatus:
      result.error = ParseStatus(r, c);
      break;
    case Verb::kClose:
    case Verb::kStop:
    case Verb::kPause:
    case Verb::kResume:
      result.error = ParseFlagsOnly(r, c);
      break;
  }
  return result;
}

uint32_t WriteReply(TextView text, char16_t* reply, uint32_t reply_length) {
  if (reply == nullptr || reply_length == 0) return kErrParamOverflow;
  size_t n = std::min<size_t>(text.size(), reply_length - 1);
  text.copy(reply, n);
  reply[n] = u'\0';
  return kOk;
}

}  // namespace yomite::platform::mci
