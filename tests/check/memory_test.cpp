// The checker reads a script one line at a time: its memory follows the
// longest line, not the number of lines. Measured in a child process, whose
// peak resident size the kernel reports once it has ended.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "tests/check/check_support.h"
#include "tests/support/story_builder.h"

using namespace yomite::check;
using namespace yomite::check::testing;

namespace {

// The peak resident size, in kB, of a child that checks the folder (as the
// tool does for its findings: without the graph); -1 when the child did not
// end normally. Its errors and warnings are counted in counts.
// max_files, when given, bounds the descriptors the child may hold.
struct Counts {
  int errors = -1;
  int warnings = -1;
};
long CheckingPeakKb(const std::filesystem::path& dat, Counts* counts, rlim_t max_files = 0) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return -1;
  pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_fds[0]);
    if (max_files > 0) {
      struct rlimit limit {
        max_files, max_files
      };
      if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::_exit(2);
    }
    Report r = CheckStory(dat.string(), false);
    Counts n{r.errors, r.warnings};
    ssize_t written = ::write(pipe_fds[1], &n, sizeof n);
    ::_exit(written == sizeof n ? 0 : 1);
  }
  ::close(pipe_fds[1]);
  Counts n;
  ssize_t got = ::read(pipe_fds[0], &n, sizeof n);
  ::close(pipe_fds[0]);
  int status = 0;
  struct rusage usage {};
  if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0 || got != sizeof n) {
    return -1;
  }
  *counts = n;
  return usage.ru_maxrss;  // kilobytes on Linux
}

long CheckingPeakMb(const std::filesystem::path& dat, int* errors, rlim_t max_files = 0) {
  Counts counts;
  long peak = CheckingPeakKb(dat, &counts, max_files);
  *errors = counts.errors;
  return peak < 0 ? -1 : peak / 1024;
}

TEST(Memory, StaysFlatHoweverManyLinesAScriptHas) {
  // 4 million lines: blank ones, text, and flags set on and off between
  // lines of text, each in a script that ends with an error on its last line
  // (the blank lines run in one action, and overdraw it first).
  const std::string blank = "\r\n";
  const std::string text = yomite::testing::ScriptBytes("本文") + "\r\n";
  const std::string toggle = ">on>a\r\n" + text + ">off>a\r\n" + text;
  struct {
    const char* what;
    std::string lines;
    int errors;
  } cases[] = {
      {"blank", std::string(), 2},
      {"text", std::string(), 1},
      {"toggles", std::string(), 1},
  };
  for (int i = 0; i < 4'000'000; ++i) cases[0].lines += blank;
  for (int i = 0; i < 1'000'000; ++i) cases[1].lines += text;
  for (int i = 0; i < 250'000; ++i) cases[2].lines += toggle;
  int n = 0;
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    Built built = BuildCheckedStory("# music: none\n--- file opn.dat\nはじめ\n",
                                    "memory-" + std::to_string(n++));
    c.lines += ">ive>nowhere\r\n";
    yomite::testing::WriteFile(built.dat / "opn.dat", c.lines);
    int errors = 0;
    long peak = CheckingPeakMb(built.dat, &errors);
    ASSERT_GE(peak, 0) << "the checking child failed";
    EXPECT_EQ(errors, c.errors) << "the jump to a missing script on the last line";
    // The scripts are 8 to 9 MB; holding them line by line took about 190
    // times that.
    EXPECT_LT(peak, 150) << "MB at the peak";
    std::string().swap(c.lines);
  }
}

// A folder tree far deeper than the descriptors a process may hold is
// walked whole, one folder open at a time, in memory that does not grow
// with the square of its depth; a path longer than the system allows (no
// program can open a file there) is left out rather than failing the walk.
TEST(Memory, WalksATreeDeeperThanTheDescriptorLimit) {
  Built built = BuildCheckedStory(
      "# music: none\n--- file opn.dat\nはじめ\n>ending\n"
      "--- file end.dat\n終\n>end\n",
      "memory-deep");
  std::filesystem::path deep = built.dat;
  for (int i = 0; i < 1000; ++i) deep /= "d";  // about 2,000 bytes of path
  std::filesystem::create_directories(deep);
  yomite::testing::WriteFile(deep / "lost.dat", ">ive>nowhere\r\n");
  // Far below, beyond what a path may hold: made one folder at a time.
  int fd = ::open(deep.c_str(), O_RDONLY | O_DIRECTORY);
  for (int i = 0; i < 1500 && fd >= 0; ++i) {
    ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
    int below = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = below;
  }
  ASSERT_GE(fd, 0);
  ::close(fd);
  int errors = -1;
  long peak = CheckingPeakMb(built.dat, &errors, 64);
  ASSERT_GE(peak, 0) << "the checking child failed";
  EXPECT_EQ(errors, 1) << "the missing script in the deepest script found";
  // Growing with the square of the depth, this tree took some 300 MB.
#ifdef __SANITIZE_ADDRESS__
  constexpr long kSanitizerMb = 120;  // AddressSanitizer's shadow and quarantine
#else
  constexpr long kSanitizerMb = 0;
#endif
  EXPECT_LT(peak, 100 + kSanitizerMb) << "MB at the peak";
}

}  // namespace

namespace {

// A folder of scripts costs the checker what it keeps for each script,
// and no more: its peak grows by some hundreds of bytes a script. Measured
// as the growth from a folder of 500 scripts to one of 10,500, so that
// what every run takes (the program, its first allocations) is left out.
TEST(Memory, GrowsLittleWithTheNumberOfScripts) {
  const std::string text = yomite::testing::ScriptBytes("本文です。") + "\r\n";
  auto name = [](int i) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "s%07d", i);
    return std::string(buffer);
  };
  struct {
    const char* what;
    // Each script's bytes, and the warnings the folder then has.
    std::function<std::string(int i, int n)> script;
    std::function<int(int n)> warnings;
    long max_bytes_a_script;  // about two thirds of what it took before
  } cases[] = {
      // Empty scripts that nothing reaches: a warning each, kept until the
      // end to be sorted. 1,970 bytes a script before (870 now).
      {"empty, unreached", [](int, int) { return std::string(); }, [](int n) { return n; }, 1400},
      // Real-looking ones, each played by the one before: a flag, two
      // lines of text and a jump. 4,490 bytes a script before (2,070 now).
      {"small, a chain of jumps",
       [&](int i, int n) {
         return ">off>a\r\n" + text + text + ">ive>" + (i + 1 < n ? name(i + 1) : "end") + "\r\n";
       },
       [](int) { return 0; }, 3000},
  };
  int made = 0;
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    long peak_kb[2];
    const int counts[2] = {500, 10500};
    for (int k = 0; k < 2; ++k) {
      const int n = counts[k];
      Built built = BuildCheckedStory("# music: none\n# scenes: none\n--- file opn.dat\n",
                                      "memory-many-" + std::to_string(made++));
      yomite::testing::WriteFile(built.dat / "opn.dat", text + ">ive>" + name(0) + "\r\n");
      yomite::testing::WriteFile(built.dat / "end.dat", text + ">end\r\n");
      for (int i = 0; i < n; ++i) {
        yomite::testing::WriteFile(built.dat / (name(i) + ".dat"), c.script(i, n));
      }
      if (c.warnings(n) == n) {
        yomite::testing::WriteFile(built.dat / "opn.dat", text + ">ending\r\n");
      }
      Counts found;
      peak_kb[k] = CheckingPeakKb(built.dat, &found);
      ASSERT_GE(peak_kb[k], 0) << "the checking child failed";
      // The scenes that the picks of a window restored mid-scene would
      // open are missing (one error for all); so is the music.
      EXPECT_EQ(found.errors, 1) << n << " scripts";
      EXPECT_EQ(found.warnings, c.warnings(n) + 1) << n << " scripts";
      std::filesystem::remove_all(built.dat);
    }
    const long bytes_a_script = (peak_kb[1] - peak_kb[0]) * 1024 / (counts[1] - counts[0]);
    std::printf("[ measured ] %s: %ld bytes a script (peaks %ld and %ld kB)\n", c.what,
                bytes_a_script, peak_kb[0], peak_kb[1]);
#ifndef __SANITIZE_ADDRESS__
    // AddressSanitizer pads and holds back every allocation.
    EXPECT_LT(bytes_a_script, c.max_bytes_a_script);
#endif
  }
}

}  // namespace
