// The choice menu: the two character buttons at the end of a scene. Each
// pick is a day; the button and how often it was taken before in this game
// name the next scene, and the ninth pick leads to "bad".
#include <limits>

#include "app/fom.h"
#include "choice/choice_rule.h"

namespace yomite {

namespace {

// The counters are 16-bit; a game never comes near the limit, and at the
// limit they stay there instead of overflowing.
int16_t Increment(int16_t n) {
  return n == std::numeric_limits<int16_t>::max() ? n : static_cast<int16_t>(n + 1);
}

}  // namespace

void Fom::QstOpen() {
  s_.QstMode = kTrue;
  w_.TimLbl.SetEnabled(false);
  w_.QstCom(0).SetVisible(true);
  w_.QstCom(1).SetVisible(true);
  w_.ClickCom.SetVisible(true);
}

void Fom::QstCom_Click(int16_t Index) {
  w_.ClickCom.SetVisible(false);
  s_.QstIdx = Index;
  CloseScript();
  OpenScript(choice::SceneName(s_.DayCnt, Index, s_.Visits[Index]));
  s_.Visits[s_.QstIdx] = Increment(s_.Visits[s_.QstIdx]);
  s_.DayCnt = Increment(s_.DayCnt);
}

}  // namespace yomite
