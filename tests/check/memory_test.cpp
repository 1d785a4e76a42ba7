// The checker reads a script one line at a time: its memory follows the
// longest line, not the number of lines. Measured in a child process, whose
// peak resident size the kernel reports once it has ended.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/check/check_support.h"
#include "tests/support/story_builder.h"

using namespace yomite::check;
using namespace yomite::check::testing;

namespace {

// The peak resident size, in MB, of a child that checks the folder; -1 when
// the child did not end normally.
// max_files, when given, bounds the descriptors the child may hold.
long CheckingPeakMb(const std::filesystem::path& dat, int* errors, rlim_t max_files = 0) {
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
    Report r = CheckFolder(dat);
    int n = r.errors;
    ssize_t written = ::write(pipe_fds[1], &n, sizeof n);
    ::_exit(written == sizeof n ? 0 : 1);
  }
  ::close(pipe_fds[1]);
  int n = -1;
  ssize_t got = ::read(pipe_fds[0], &n, sizeof n);
  ::close(pipe_fds[0]);
  int status = 0;
  struct rusage usage {};
  if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0 || got != sizeof n) {
    return -1;
  }
  *errors = n;
  return usage.ru_maxrss / 1024;  // kilobytes on Linux
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
