// The pacing of the text: the timer runs the text on one line per tick
// while it may, then stops and shows the click-to-continue indicator. The
// indicator turns black while a button is held on it or on the text, and a
// right press on the text fast-forwards to the next stopping point.
#include "app/fom.h"
#include "script/format.h"
#include "ui/mouse.h"

namespace yomite {

void Fom::TimLbl_Timer() {
  if (s_.AutoNext == kTrue) {
    Lbl_Click();
  } else {
    w_.TimLbl.SetEnabled(false);
    w_.ClickMe.SetVisible(true);
  }
}

void Fom::ClickMe_Click() { Lbl_Click(); }

void Fom::Lbl_MouseDown(int16_t Button) {
  w_.ClickMe.SetBackColor(ui::kBlack);
  if (Button == ui::kRightButton) FastForward();
}

void Fom::Lbl_MouseUp(int16_t) { w_.ClickMe.SetBackColor(ui::kWhite); }

void Fom::ClickMe_MouseDown(int16_t) { w_.ClickMe.SetBackColor(ui::kBlack); }

void Fom::ClickMe_MouseUp(int16_t) { w_.ClickMe.SetBackColor(ui::kWhite); }

void Fom::FastForward() {
  // A story may cycle through prose lines without ever reaching a stop. The
  // loop starts no step once half the action's budget is spent, so the
  // player stays responsive, and another right click goes on.
  ActionScope action(*this);
  while (!budget_.HalfSpent()) {
    if (s_.CurLine == script::kMarkGame || s_.CurLine == script::kMarkQst ||
        s_.CurLine == script::kMarkHtml || s_.NextLine == script::kMarkEnd ||
        s_.NextLine == script::kMarkBad) {
      return;
    }
    if (s_.QstMode == kTrue) return;
    if (w_.Fom.Ended()) return;
    if (w_.Fom.EndRequested()) throw EndingNow{};
    Lbl_Click();
  }
}

}  // namespace yomite
