// The work one user action may do. A click, a right-click, a pick, a timer
// tick and the start-up's first game each run the story's handlers to their
// end before the next event; this bounds what one of them may do as a
// whole, so no story can hold the program for minutes. The numbers, what
// happens when one runs out and why: docs/limits.md.
#pragma once

#include <cstdint>
#include <string>

namespace yomite {

// Thrown from between two steps of an action when the program is ending
// (End, a close, a signal): what the action would have done no longer
// matters. The handlers' guard catches it; the end follows at once.
struct EndingNow {};

class ActionBudget {
 public:
  struct Limits {
    int64_t steps;       // lines executed
    int64_t opens;       // scripts opened
    int64_t characters;  // characters read from scripts
    // Pixels decoded, each as often as the decoder passes over it (a
    // baseline picture four times, a progressive one three and once per
    // scan), and pixels of the picture area painted or cleared.
    int64_t pixels;
  };
  // Far above what any action of a real story does (the bundled story's
  // largest does some hundreds of each), and low enough that the slowest
  // mix of them ends within about two seconds of CPU.
  static constexpr Limits kLimits{4'000'000, 100'000, 64'000'000, 1'000'000'000};

  explicit ActionBudget(Limits limits = kLimits) : limits_(limits) {}

  // A new action: nothing is spent.
  void Begin() { spent_ = {}; }

  void CountStep() { ++spent_.steps; }
  void CountOpen() { ++spent_.opens; }
  void CountCharacters(int64_t n) { spent_.characters += n; }
  void CountPixels(int64_t n) { spent_.pixels += n; }
  // Work counted elsewhere, every part at once.
  void Count(const Limits& work) {
    spent_.steps += work.steps;
    spent_.opens += work.opens;
    spent_.characters += work.characters;
    spent_.pixels += work.pixels;
  }

  const Limits& spent() const { return spent_; }
  const Limits& limits() const { return limits_; }

  // True once more than a part's limit is counted: the unit of work just
  // counted is not to be done.
  bool Overdrawn() const { return Over(1, 0) != nullptr; }
  // True once any part is half spent: a fast-forward starts no step after
  // that, so the step it runs always has the other half to finish in.
  bool HalfSpent() const { return Over(2, 1) != nullptr; }
  // What was overdrawn, e.g. "100000 scripts opened"; empty while nothing has.
  std::string WhatRanOut() const;

 private:
  struct Part {
    int64_t spent;
    int64_t limit;
    const char* name;
  };
  // The first part of which spent * divisor > limit - margin, or null:
  // (1, 0) is more than the limit, (2, 1) at least half of it.
  const char* Over(int64_t divisor, int64_t margin, int64_t* limit = nullptr) const;

  Limits limits_;
  Limits spent_{};
};

inline const char* ActionBudget::Over(int64_t divisor, int64_t margin, int64_t* limit) const {
  const Part parts[] = {{spent_.opens, limits_.opens, "scripts opened"},
                        {spent_.steps, limits_.steps, "lines executed"},
                        {spent_.characters, limits_.characters, "characters read"},
                        {spent_.pixels, limits_.pixels, "pixels decoded and painted"}};
  for (const Part& p : parts) {
    if (p.spent * divisor > p.limit - margin) {
      if (limit) *limit = p.limit;
      return p.name;
    }
  }
  return nullptr;
}

inline std::string ActionBudget::WhatRanOut() const {
  int64_t limit = 0;
  const char* part = Over(1, 0, &limit);
  return part ? std::to_string(limit) + " " + part : std::string();
}

}  // namespace yomite
