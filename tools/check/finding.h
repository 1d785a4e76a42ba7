// What the story checker reports: one finding per problem, placed on the
// line (and character) an author has to look at.
#pragma once

#include <string>
#include <vector>

namespace yomite::check {

enum class Severity { kError, kWarning, kNote };

const char* SeverityName(Severity severity);  // "error", "warning", "note"

// A place in the story folder. line and column are 1-based; 0 means the
// finding is about the whole file (or the whole line).
struct Site {
  std::string file;  // relative to the story folder, UTF-8
  long line = 0;
  long column = 0;
};

bool operator<(const Site& a, const Site& b);
bool operator==(const Site& a, const Site& b);

struct Finding {
  Severity severity = Severity::kError;
  std::string code;  // machine-readable kind, one of the constants below
  Site where;
  std::string message;
  // What to do about it, when the checker can say more than the message:
  // the command that converts a file, the name meant. May be empty.
  std::string hint;
  // For a missing name: the file meant, relative to the story folder, when
  // one near it exists.
  std::string meant;
  // For an error: the player's run-time error number when the line runs
  // (5, 9, 28, 53, 70, 75, 481).
  int error_number = 0;
  // Other places that belong to the finding, such as the other jumps of a
  // cycle.
  std::vector<Site> related;
};

// Finding codes.
namespace code {
// Errors: the line ends the program when it runs.
inline constexpr const char* kNegativeCut = "negative-cut";
inline constexpr const char* kEmptyFlag = "empty-flag";
inline constexpr const char* kBadFlag = "bad-flag";
inline constexpr const char* kMissingScript = "missing-script";
inline constexpr const char* kUnreadableScript = "unreadable-script";
inline constexpr const char* kMissingPicture = "missing-picture";
inline constexpr const char* kUnreadablePicture = "unreadable-picture";
inline constexpr const char* kBadPicture = "bad-picture";
inline constexpr const char* kMissingScene = "missing-scene";
inline constexpr const char* kMissingOpn = "missing-opn";
inline constexpr const char* kJumpCycle = "jump-cycle";
inline constexpr const char* kOverBudget = "over-budget";
// Warnings: the story runs, but not as it reads.
inline constexpr const char* kKeywordInProse = "keyword-in-prose";
inline constexpr const char* kKeywordInArgument = "keyword-in-argument";
inline constexpr const char* kIgnoredText = "ignored-text";
inline constexpr const char* kFlagExtraText = "flag-extra-text";
inline constexpr const char* kBlankInName = "blank-in-name";
inline constexpr const char* kSwInName = "sw-in-name";
inline constexpr const char* kNotAKeyword = "not-a-keyword";
inline constexpr const char* kMarkerNotExact = "marker-not-exact";
inline constexpr const char* kBadEncoding = "bad-encoding";
inline constexpr const char* kLoneLf = "lone-lf";
inline constexpr const char* kDeadLine = "dead-line";
inline constexpr const char* kNeverTaken = "never-taken";
inline constexpr const char* kPossibleJumpCycle = "possible-jump-cycle";
inline constexpr const char* kUnreachedScript = "unreached-script";
inline constexpr const char* kMissingMusic = "missing-music";
inline constexpr const char* kBadMusic = "bad-music";
inline constexpr const char* kPartialPicture = "partial-picture";
inline constexpr const char* kUtf8Script = "utf8-script";
inline constexpr const char* kLineEnds = "line-ends";
inline constexpr const char* kByteOrderMark = "byte-order-mark";
inline constexpr const char* kOutsideFolder = "outside-folder";
// Notes.
inline constexpr const char* kUnusedPicture = "unused-picture";

// Every code above, in the order the manual lists them.
inline constexpr const char* kAll[] = {
    kNegativeCut,       kEmptyFlag,         kBadFlag,       kMissingScript,  kUnreadableScript,
    kMissingPicture,    kUnreadablePicture, kBadPicture,    kMissingScene,   kMissingOpn,
    kJumpCycle,         kOverBudget,        kLineEnds,      kKeywordInProse, kKeywordInArgument,
    kIgnoredText,       kFlagExtraText,     kBlankInName,   kSwInName,       kNotAKeyword,
    kMarkerNotExact,    kBadEncoding,       kLoneLf,        kDeadLine,       kNeverTaken,
    kPossibleJumpCycle, kUnreachedScript,   kMissingMusic,  kBadMusic,       kPartialPicture,
    kUtf8Script,        kByteOrderMark,     kOutsideFolder, kUnusedPicture};
}  // namespace code

}  // namespace yomite::check
