// yomite-trace: plays a story with no window and no sound device, driven by
// events one per line, and writes a JSON Lines transcript of the state.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace yomite::trace {

// Runs the tool with its command-line arguments (without the program name).
// Returns the exit status: 0 when the events ran out or the program ended,
// 1 after a run-time error, 2 for a usage error.
int RunTrace(const std::vector<std::string>& args, std::istream& default_events, std::ostream& out,
             std::ostream& err);

}  // namespace yomite::trace
