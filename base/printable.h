// Names that come from a story folder or a script are printed where a
// terminal, an editor or a log reads them. A control character there can
// set a terminal's title, move its cursor, or start a forged line of
// output, so every such name is printed through these, never raw.
#pragma once

#include <string>
#include <string_view>

#include "base/text.h"

namespace yomite {

// The bytes as UTF-8 safe to print on one line: C0 controls, DEL and the C1
// controls are written as escapes (\n, \r, \t, \e, \xNN, \u0085); bytes that
// are not UTF-8 are written as \xNN. A backslash stays as it is, as story
// names use it as their separator. Everything else is unchanged.
std::string Printable(std::string_view bytes);
std::string Printable(TextView text);

}  // namespace yomite
