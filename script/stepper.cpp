// The script step: each call of Lbl_Click executes the line read ahead,
// reads the next one, decides from it whether the text may run on, and
// acts on the line. A command that does not stop the story takes the next
// step as its last action; those steps run here as a loop, in the same
// order, so a chain of any length needs no stack.
#include "app/fom.h"
#include "base/runtime_error.h"
#include "script/flags.h"
#include "script/format.h"

namespace yomite {

using script::Command;

void Fom::Lbl_Click() {
  ActionScope action(*this);
  RunSteps();
}

void Fom::RunSteps() {
  do {
    budget_.CountStep();
    CheckBudget();
  } while (Step() == Next::kStepAgain);
}

void Fom::CheckBudget(int64_t picture_work) {
  if (w_.Fom.EndRequested()) throw EndingNow{};
  ActionBudget after = budget_;
  after.CountPixels(picture_work);
  if (after.Overdrawn()) {
    throw RuntimeError(err::kOutOfStack,
                       "more than " + after.WhatRanOut() + " without showing a line of text");
  }
}

Fom::Next Fom::Step() {
  // 1. Nothing happens while the choice menu is open.
  if (s_.QstMode == kTrue) return Next::kStop;

  // 2. Advance the lookahead. At the end of the file the menu opens and the
  // last line still runs.
  s_.CurLine = s_.NextLine;
  cur_line_no_ = next_line_no_;
  // A line that cannot be read is where the story stops: it is named.
  reading_line_no_ = next_line_no_ + 1;
  const bool at_end = p_.files.Eof(s_.FileNo);
  if (!at_end) {
    s_.NextLine = p_.files.LineInput(s_.FileNo);
    budget_.CountCharacters(static_cast<int64_t>(s_.NextLine.size()));
    ++next_line_no_;
  }
  reading_line_no_ = 0;
  if (at_end) QstOpen();

  // 3. May the text run on after this line?
  if (!script::HasPauseKeyword(s_.NextLine) && s_.LineCnt != 10) {
    w_.ClickMe.SetVisible(false);
    s_.AutoNext = kTrue;
  } else {
    s_.AutoNext = kFalse;
  }

  // 4. The placeholder becomes the heroine's name.
  script::ReplacePlaceholders(s_.CurLine);

  // 5. Act on the line.
  return Dispatch();
}

Fom::Next Fom::Dispatch() {
  const Text& line = s_.CurLine;
  const Command command = script::Recognise(line);
  switch (command) {
    case Command::kImgNone:
      CountPaint();
      w_.Img.Cls();
      return Next::kStepAgain;

    case Command::kImg:
      ShowPicture(script::PictureName(line));
      w_.Lbl.SetCaption(u"");
      s_.LineCnt = 1;
      return Next::kStepAgain;

    case Command::kOimg:
    case Command::kFimg: {
      bool on_test = command == Command::kOimg;
      script::Conditional c = script::CutConditional(line);
      int flag = script::FlagNumber(c.flag);
      if (s_.Flags[flag] == (on_test ? kTrue : kFalse)) {
        // The named picture must exist and decode; what the area shows is
        // picture 3.
        CountPicture(*p_.pictures.LoadPicture(s_.DatPath + c.picture + u".jpg"));
        ShowPicture(u"3");
      }
      w_.Lbl.SetCaption(u"");
      s_.LineCnt = 1;
      return Next::kStepAgain;
    }

    case Command::kPage:
      w_.Lbl.SetCaption(u"");
      s_.LineCnt = 1;
      return Next::kStepAgain;

    case Command::kOn:
      s_.Flags[script::FlagNumber(script::OnFlag(line))] = kTrue;
      return Next::kStepAgain;

    case Command::kOff:
      s_.Flags[script::FlagNumber(script::OffFlag(line))] = kFalse;
      return Next::kStepAgain;

    case Command::kBon:
    case Command::kBoff: {
      script::Branch b = script::CutBranch(line, command);
      int flag = script::FlagNumber(b.flag);
      if (s_.Flags[flag] != (command == Command::kBon ? kTrue : kFalse)) return Next::kStepAgain;
      CloseScript();
      BeginScript(b.target);
      return Next::kStepAgain;
    }

    case Command::kQst:
      w_.Lbl.SetEnabled(false);
      w_.TimLbl.SetEnabled(false);
      QstOpen();
      return Next::kStop;

    case Command::kIve: {
      Text target = script::JumpName(line);
      CloseScript();
      BeginScript(target);
      return Next::kStepAgain;
    }

    case Command::kEnding:
      CloseScript();
      BeginScript(u"end");
      return Next::kStepAgain;

    case Command::kEnd:
      CloseScript();
      BeginNewGame();
      return Next::kStepAgain;

    case Command::kProse:
      break;
  }

  // 6. Prose.
  s_.LineCnt = static_cast<uint8_t>(s_.LineCnt % 11 + 1);
  if (line.empty()) {
    if (s_.LineCnt != 1) w_.Lbl.AppendCaption(u"\r\n");
    return Next::kStepAgain;
  }
  ShowProse();
  return Next::kStop;
}

void Fom::ShowProse() {
  if (!w_.Lbl.Caption().empty() && s_.LineCnt != 1) {
    w_.Lbl.AppendCaption(u"\r\n");
  } else {
    w_.Lbl.SetCaption(u"");
  }
  if (w_.Lbl.Caption().size() + s_.CurLine.size() > kMaxPageCharacters) {
    throw RuntimeError(err::kOutOfMemory, "the page holds more than " +
                                              std::to_string(kMaxPageCharacters) + " characters");
  }
  w_.Lbl.AppendCaption(s_.CurLine);
  w_.TimLbl.SetEnabled(true);
}

void Fom::CloseScript() { p_.files.Close(s_.FileNo); }

}  // namespace yomite
