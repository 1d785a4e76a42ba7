// Opening a script: the only place a script file is opened. It closes the
// choice menu, starts a fresh page and lookahead, arms the text timer and
// takes the script's first step before it returns.
#include "app/fom.h"
#include "base/runtime_error.h"

namespace yomite {

void Fom::OpenScript(const Text& name) {
  ActionScope action(*this);
  BeginScript(name);
  Lbl_Click();
}

void Fom::BeginScript(const Text& name) {
  budget_.CountOpen();
  CheckBudget();
  w_.QstCom(0).SetVisible(false);
  w_.QstCom(1).SetVisible(false);
  s_.QstMode = kFalse;
  s_.FileNo = static_cast<int16_t>(p_.files.FreeFile());
  Text file = name + u".dat";
  p_.files.OpenForInput(s_.DatPath + file, s_.FileNo);
  script_file_ = file;
  next_line_no_ = 0;
  cur_line_no_ = 0;
  reading_line_no_ = 0;
  w_.Lbl.SetCaption(u"");
  s_.LineCnt = 0;
  w_.TimLbl.SetEnabled(true);
  s_.NextLine.clear();
  w_.ClickCom.SetVisible(false);
  w_.ClickMe.SetBorder(ui::BorderStyle::kNone);
  w_.ClickMe.SetBackColor(ui::kWhite);
}

}  // namespace yomite
