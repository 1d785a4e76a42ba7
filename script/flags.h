// Story flags: on/off values named by one character of a script line, the
// character's code in code page 932 being the flag's number.
#pragma once

#include "base/story_values.h"
#include "base/text.h"

namespace yomite::script {

// The flag number of a flag argument: the code of its first character.
// Run-time error 5 when the argument is empty, 9 when the number lies
// outside the flag table (every double-byte character).
int FlagNumber(TextView flag_text);

}  // namespace yomite::script
