#include "tests/check/check_support.h"

#include <regex>
#include <set>
#include <sstream>

#include "tests/support/story_builder.h"
#include "tools/trace/trace_runner.h"

namespace yomite::check::testing {

namespace fs = std::filesystem;

std::string MidiBytes() {
  std::string b("MThd\0\0\0\6\0\0\0\1\1\xE0", 14);
  b += std::string("MTrk\0\0\0\4\0\xFF\x2F\0", 12);
  return b;
}

Built BuildCheckedStory(const std::string& description, const std::string& folder_name) {
  Built built;
  built.dat = yomite::testing::FreshFolder(folder_name) / "dat";
  built.events = yomite::testing::BuildStory(description, built.dat).events;
  bool own_music = description.find("--- file bgm.mid") != std::string::npos ||
                   description.find("# music: none") != std::string::npos;
  if (!own_music) yomite::testing::WriteFile(built.dat / "bgm.mid", MidiBytes());
  // Once a layout has shown the choice buttons, a pick can be made wherever
  // the story waits: every scene the description does not write or name as
  // missing is written, one line of text.
  if (description.find("# scenes: none") == std::string::npos) {
    std::set<std::string> skip;
    std::istringstream lines(description);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("--- file ", 0) == 0) skip.insert(line.substr(9, line.find(".dat") - 9));
      if (line.rfind("# missing:", 0) != 0) continue;
      // A scene missing from some day on: the later scenes of that button
      // could only be reached through it.
      std::istringstream names(line.substr(10));
      for (std::string name; names >> name;) {
        skip.insert(name);
        if (name.size() != 3 || name[1] != '_') continue;
        for (char day = name[2]; day <= '7'; ++day) skip.insert(name.substr(0, 2) + day);
      }
    }
    std::vector<std::string> scenes{"bad"};
    for (const char* button : {"0_", "1_"}) {
      for (int visits = 0; visits < 8; ++visits) scenes.push_back(button + std::to_string(visits));
    }
    for (const std::string& scene : scenes) {
      if (skip.count(scene)) continue;
      yomite::testing::WriteFile(built.dat / (scene + ".dat"),
                                 yomite::testing::ScriptBytes("場面") + "\r\n");
    }
  }
  return built;
}

Report CheckFolder(const fs::path& dat) { return CheckStory(dat.string()); }

Played Play(const fs::path& dat, const std::string& events) {
  Played played;
  std::istringstream in(events);
  std::ostringstream out, err;
  played.status = yomite::trace::RunTrace({dat.string()}, in, out, err);
  played.err = err.str();
  std::string transcript = out.str();
  size_t last_start = transcript.rfind('\n', transcript.size() >= 2 ? transcript.size() - 2 : 0);
  std::string last = transcript.substr(last_start == std::string::npos ? 0 : last_start + 1);
  static const std::regex kError(
      R"re("error":\{"number":(\d+),"message":"((?:[^"\\]|\\.)*)","file":(null|"((?:[^"\\]|\\.)*)"),"line":(null|\d+)\})re");
  std::smatch m;
  if (std::regex_search(last, m, kError)) {
    PlayedError e;
    e.number = std::stoi(m[1]);
    e.message = m[2];
    e.file = m[4];
    e.line = m[5] == "null" ? 0 : std::stol(m[5]);
    played.error = e;
  }
  return played;
}

int ExpectedErrorNumber(const std::string& code) {
  if (code == code::kNegativeCut || code == code::kEmptyFlag) return 5;
  if (code == code::kBadFlag) return 9;
  if (code == code::kMissingScript || code == code::kMissingPicture ||
      code == code::kMissingScene || code == code::kMissingOpn) {
    return 53;
  }
  if (code == code::kBadPicture) return 481;
  if (code == code::kJumpCycle || code == code::kOverBudget) return 28;
  return -1;
}

}  // namespace yomite::check::testing
