#include "tools/check/finding.h"

#include <tuple>

namespace yomite::check {

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::kError:
      return "error";
    case Severity::kWarning:
      return "warning";
    case Severity::kNote:
      return "note";
  }
  return "error";
}

bool operator<(const Site& a, const Site& b) {
  return std::tie(a.file, a.line, a.column) < std::tie(b.file, b.line, b.column);
}

bool operator==(const Site& a, const Site& b) {
  return std::tie(a.file, a.line, a.column) == std::tie(b.file, b.line, b.column);
}

}  // namespace yomite::check
