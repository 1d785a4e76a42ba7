#include "script/flags.h"

#include "base/runtime_error.h"
#include "platform/cp932.h"

namespace yomite::script {

namespace {
std::string Describe(char16_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
  return ToUtf8(TextView(&c, 1)) + " (" + buf + ")";
}
}  // namespace

int FlagNumber(TextView flag_text) {
  if (flag_text.empty()) throw RuntimeError(err::kInvalidCall, "empty flag");
  char16_t c = flag_text[0];
  auto code = cp932::CharCode(c);
  if (!code || *code < 0 || *code >= kFlagCount) {
    throw RuntimeError(err::kSubscript, "flag character " + Describe(c) +
                                            (code ? " has number " + std::to_string(*code) : ""));
  }
  return *code;
}

}  // namespace yomite::script
