#include "tools/check/watch.h"

#include <dirent.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <ostream>
#include <set>
#include <vector>

#include "base/printable.h"
#include "tools/check/checker.h"

namespace yomite::check {

namespace {

constexpr uint32_t kChanges = IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                              IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
// Changes that come this close together are one edit (an editor writes a
// file, renames it, sets its mode): one check after the last.
constexpr int kQuietMs = 150;
constexpr int kStopPollMs = 100;

// Watches dir and the folders below it, up to kMaxWatchedFolders; adding a
// folder watched already changes nothing, so this runs again after every
// change to take in new folders.
void WatchTree(int fd, const std::string& dir) {
  std::vector<std::string> folders{dir};
  size_t watched = 0;
  while (!folders.empty() && watched < kMaxWatchedFolders) {
    std::string folder = std::move(folders.back());
    folders.pop_back();
    if (::inotify_add_watch(fd, folder.c_str(), kChanges | IN_ONLYDIR) < 0) continue;
    ++watched;
    std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), ::closedir);
    while (const dirent* entry = listing ? ::readdir(listing.get()) : nullptr) {
      std::string_view name = entry->d_name;
      if (entry->d_type == DT_DIR && name != "." && name != "..") {
        folders.push_back(folder + "/" + std::string(name));
      }
    }
  }
}

// Drains the events waiting; false when there were none.
bool Drain(int fd) {
  alignas(inotify_event) char buffer[16 * 1024];
  bool any = false;
  while (::read(fd, buffer, sizeof buffer) > 0) any = true;
  return any;
}

std::vector<std::string> Lines(const Report& report, const std::string& folder) {
  std::vector<std::string> lines;
  for (const Finding& f : report.findings) lines.push_back(FormatFinding(f, folder));
  return lines;
}

void Summary(const Report& report, std::ostream& out) {
  Report counts;
  counts.scripts = report.scripts;
  counts.errors = report.errors;
  counts.warnings = report.warnings;
  counts.notes = report.notes;
  PrintFindings(counts, out);
}

}  // namespace

int WatchStory(const std::string& dir, const std::string& folder, std::ostream& out,
               std::ostream& err, const std::function<bool()>& stop) {
  int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) {
    err << "yomite-check: cannot watch '" << Printable(dir) << "'\n";
    return 2;
  }
  std::unique_ptr<int, void (*)(int*)> closer(&fd, [](int* f) { ::close(*f); });
  WatchTree(fd, dir);

  Report report = CheckStory(dir, false);
  PrintFindings(report, out, folder);
  out.flush();
  std::vector<std::string> before = Lines(report, folder);
  while (!stop()) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, kStopPollMs) <= 0 || !Drain(fd)) continue;
    // Wait until the edit is over.
    while (!stop()) {
      pollfd q{fd, POLLIN, 0};
      if (::poll(&q, 1, kQuietMs) <= 0 || !Drain(fd)) break;
    }
    WatchTree(fd, dir);
    report = CheckStory(dir, false);
    std::vector<std::string> now = Lines(report, folder);
    std::multiset<std::string> old_set(before.begin(), before.end());
    std::multiset<std::string> new_set(now.begin(), now.end());
    bool changed = false;
    for (const std::string& line : before) {
      auto it = new_set.find(line);
      if (it != new_set.end()) {
        new_set.erase(it);
        continue;
      }
      out << "fixed: " << line << '\n';
      changed = true;
    }
    for (const std::string& line : now) {
      auto it = old_set.find(line);
      if (it != old_set.end()) {
        old_set.erase(it);
        continue;
      }
      out << line << '\n';
      changed = true;
    }
    if (changed) Summary(report, out);
    out.flush();
    if (!out) return 3;
    before = std::move(now);
  }
  return 0;
}

}  // namespace yomite::check
