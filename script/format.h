// The script line format: how a line is recognised and cut into its
// arguments. A line is the command of the first keyword, in a fixed order,
// that occurs anywhere in it; arguments are cut at fixed character
// positions counted from the start of the line. The player and the story
// checker both use this, so they cannot disagree.
#pragma once

#include <array>
#include <string_view>

#include "base/text.h"

namespace yomite::script {

enum class Command {
  kImgNone,  // ">img>none"
  kImg,      // ">img"
  kOimg,     // ">oimg"
  kFimg,     // ">fimg"
  kPage,     // ">p"
  kOn,       // ">on"
  kOff,      // ">off"
  kBon,      // ">bon"
  kBoff,     // ">boff"
  kQst,      // ">qst"
  kIve,      // ">ive"
  kEnding,   // ">ending"
  kEnd,      // ">end"
  kProse,
};

struct Keyword {
  Command command;
  TextView text;
};

// The keywords in the order they are tried.
inline constexpr std::array<Keyword, 13> kKeywords{{
    {Command::kImgNone, u">img>none"},
    {Command::kImg, u">img"},
    {Command::kOimg, u">oimg"},
    {Command::kFimg, u">fimg"},
    {Command::kPage, u">p"},
    {Command::kOn, u">on"},
    {Command::kOff, u">off"},
    {Command::kBon, u">bon"},
    {Command::kBoff, u">boff"},
    {Command::kQst, u">qst"},
    {Command::kIve, u">ive"},
    {Command::kEnding, u">ending"},
    {Command::kEnd, u">end"},
}};

// A prose line followed by a line holding one of these waits for a click.
inline constexpr std::array<TextView, 8> kPauseKeywords{u">game", u">p",   u">qst", u">bon",
                                                        u">end",  u">bof", u">img", u">ive"};

// The placeholder in scripts and the fixed name that replaces it.
inline constexpr char16_t kPlaceholder = u'Ｙ';
inline constexpr char16_t kPlaceholderName = u'澪';

// Marker texts of the fast-forward.
inline constexpr TextView kMarkGame = u">game";
inline constexpr TextView kMarkHtml = u">html";
inline constexpr TextView kMarkBad = u">bad";
inline constexpr TextView kMarkQst = u">qst";
inline constexpr TextView kMarkEnd = u">end";

Command Recognise(TextView line);
// Which keyword text decided the line, for messages; empty for prose.
TextView KeywordText(Command command);
bool HasPauseKeyword(TextView line);
// Replaces every placeholder by the fixed name; the length never changes.
void ReplacePlaceholders(Text& line);

// 1-based position of the first occurrence of what in s, 0 when absent.
long InStr(TextView s, TextView what);
// The characters from start (1-based) on, length of them; run-time error 5
// when start is below 1 or length is negative. Past the end it is empty.
Text Mid(TextView s, long start, long length);

// The arguments of each command kind, cut as the player cuts them. Each
// throws run-time error 5 where a cut comes out negative. A flag is the
// text that begins at the flag's position; only its first character
// counts (see flags.h).
Text PictureName(TextView line);  // >img
Text JumpName(TextView line);     // >ive
struct Conditional {
  Text picture;
  Text flag;
};
Conditional CutConditional(TextView line);  // >oimg, >fimg
Text OnFlag(TextView line);
Text OffFlag(TextView line);
struct Branch {
  Text flag;
  Text target;
};
Branch CutBranch(TextView line, Command which);  // >bon, >boff

}  // namespace yomite::script
