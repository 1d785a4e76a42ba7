// One script line as the player takes it: which command it is, where its
// keyword stands and what its arguments are, found with the player's own
// recognising and cutting, and the findings about it.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "base/text.h"
#include "script/format.h"
#include "tools/check/finding.h"
#include "tools/check/story.h"

namespace yomite::check {

struct LineFacts {
  long number = 0;           // 1-based
  Text as_read;              // the line as the player reads it
  Text text;                 // as executed: placeholders replaced
  bool placeholder = false;  // the line as read held the placeholder
  script::Command command = script::Command::kProse;
  long keyword_column = 0;  // where the deciding keyword stands; 0 for prose
  // The keyword the line begins with (the longest one), kProse when none:
  // what the author meant the line to be.
  script::Command starts_with = script::Command::kProse;

  bool cut_failed = false;  // a cut of negative length (run-time error 5)
  bool has_name = false;    // picture or script name
  Text name;
  long name_column = 0;
  bool has_flag = false;
  Text flag_text;  // the text from the flag's position on (as far as it is cut)
  long flag_column = 0;
  int flag_number = -1;  // the flag's number when it is a valid flag
  int flag_error = 0;    // 5 (empty) or 9 (out of range) otherwise

  bool ShowsText() const { return command == script::Command::kProse && !text.empty(); }
  bool FlagOk() const { return has_flag && flag_error == 0; }
};

LineFacts Examine(TextView line_as_read, long number);

// What the story knows about a line's flag when the line runs.
struct FlagContext {
  int before = -1;                        // 1 on, 0 off, -1 not known
  const std::set<int>* set_on = nullptr;  // the flags some line of the story sets on
};

// The findings about one line that runs: its run-time errors (a bad cut,
// flag, script or picture) and the format's traps it falls into. Names the
// pictures it loads in pictures_used (native paths).
void CheckLine(const LineFacts& facts, const std::string& raw, const std::string& file,
               const FlagContext& flags, StoryFolder& folder, std::vector<Finding>& out,
               std::set<std::string>& pictures_used);

// For messages: 'text' in UTF-8, control characters written as escapes.
std::string Quote(TextView text);

// For messages: the keyword and what it does, e.g. "'>p' (page break)".
std::string DescribeCommand(script::Command command);

}  // namespace yomite::check
