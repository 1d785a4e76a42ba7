// Headless step throughput: prose lines, command lines and jumps between
// scripts per second, on real files through the same code as yomite-trace.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/cp932.h"
#include "platform/line_reader.h"
#include "tests/support/engine_harness.h"
#include "tests/support/story_builder.h"

namespace fs = std::filesystem;
using namespace yomite;
using namespace yomite::testing;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

double ProseLinesPerSecond(long lines) {
  fs::path dat = FreshFolder("bench-prose");
  std::string bytes;
  for (long i = 0; i < lines; ++i)
    bytes += "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD line of prose\r\n";
  WriteFile(dat / "opn.dat", bytes);
  Engine e(dat);
  e.Start();
  auto start = Clock::now();
  for (long i = 1; i < lines; ++i) e.fom.Lbl_Click();
  return (lines - 1) / Seconds(start);
}

double CommandLinesPerSecond(long lines) {
  fs::path dat = FreshFolder("bench-commands");
  std::string bytes = "first\r\n";
  for (long i = 0; i < lines; ++i) bytes += i % 2 ? ">on>a\r\n" : ">off>b\r\n";
  bytes += "last\r\n";
  WriteFile(dat / "opn.dat", bytes);
  Engine e(dat);
  e.Start();
  auto start = Clock::now();
  e.fom.Lbl_Click();
  return lines / Seconds(start);
}

double JumpsPerSecond(int scripts) {
  fs::path dat = FreshFolder("bench-jumps");
  WriteFile(dat / "opn.dat", "start\r\n>ive>s0\r\n");
  for (int i = 0; i < scripts; ++i) {
    WriteFile(dat / ("s" + std::to_string(i) + ".dat"),
              i + 1 < scripts ? ">ive>s" + std::to_string(i + 1) + "\r\n" : "arrived\r\n");
  }
  Engine e(dat);
  e.Start();
  auto start = Clock::now();
  e.fom.Lbl_Click();
  return scripts / Seconds(start);
}

// Decoding alone, over the longest line a script may hold, all kanji: the
// one piece of a step whose cost grows with a line's length.
double KanjiMegabytesPerSecond() {
  std::string bytes;
  while (bytes.size() + 2 <= platform::kMaxLineBytes) bytes += "\x8A\xBF";
  auto start = Clock::now();
  Text text = cp932::Decode(bytes);
  const double seconds = Seconds(start);
  if (text.size() != bytes.size() / 2) std::abort();
  return bytes.size() / seconds / 1e6;
}

}  // namespace

int main() {
  std::printf("%-34s %14.0f\n", "prose lines per second", ProseLinesPerSecond(2000000));
  std::printf("%-34s %14.0f\n", "command lines per second", CommandLinesPerSecond(2000000));
  std::printf("%-34s %14.0f\n", "jumps between scripts per second", JumpsPerSecond(20000));
  std::printf("%-34s %14.0f\n", "kanji decoded, MB per second", KanjiMegabytesPerSecond());
  return 0;
}
