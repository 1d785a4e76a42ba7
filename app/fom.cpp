#include "app/fom.h"

namespace yomite {

Fom::Fom(MainWindow& w, Platform platform) : w_(w), p_(std::move(platform)), bgm_(p_.media) {
  w_.Fom.on_load = [this] { Form_Load(); };
  w_.Fom.on_resize = [this] { Form_Resize(); };
  w_.Fom.on_activate = [this] { Form_Activate(); };
  w_.Fom.on_unload = [this] {
    int16_t cancel = 0;
    Form_Unload(cancel);
  };
  w_.EndCom.on_click = [this] { EndCom_Click(); };
  w_.BgmTim.on_tick = [this] { bgm_.BgmTim_Timer(); };
  w_.Img.on_click = [this] { Img_Click(); };
  w_.QstCom.on_click = [this](int index) { QstCom_Click(static_cast<int16_t>(index)); };
  w_.TimLbl.on_tick = [this] { TimLbl_Timer(); };
  w_.Lbl.on_click = [this] { Lbl_Click(); };
  w_.Lbl.on_mouse_down = [this](int button) { Lbl_MouseDown(static_cast<int16_t>(button)); };
  w_.Lbl.on_mouse_up = [this](int button) { Lbl_MouseUp(static_cast<int16_t>(button)); };
  w_.ClickMe.on_click = [this] { ClickMe_Click(); };
  w_.ClickMe.on_mouse_down = [this](int button) {
    ClickMe_MouseDown(static_cast<int16_t>(button));
  };
  w_.ClickMe.on_mouse_up = [this](int button) { ClickMe_MouseUp(static_cast<int16_t>(button)); };
  // A picture that takes long to decode is watched as it is decoded.
  p_.pictures.watch = [this](int64_t work) -> std::exception_ptr {
    try {
      CheckBudget(work);
    } catch (...) {
      return std::current_exception();
    }
    return nullptr;
  };
  // So is one long script line as it is read and decoded.
  p_.files.SetBetweenBlocks([this] {
    if (w_.Fom.EndRequested()) throw EndingNow{};
  });
}

Fom::~Fom() {
  p_.pictures.watch = nullptr;
  p_.files.SetBetweenBlocks(nullptr);
}

void Fom::Form_Load() {
  s_.DatPath = p_.dat_path;
  bgm_.OpenBgm(s_.DatPath + u"bgm.mid");
  bgm_.PlayBgm();
  // The layout places both choice buttons, so the second must exist first.
  w_.QstCom.Load(1);
}

void Fom::Form_Activate() {
  ActionScope action(*this);
  if (start_) {
    StartPoint start = std::move(*start_);
    start_.reset();
    BeginAt(start);
  } else {
    BeginNewGame();
  }
  Lbl_Click();
}

void Fom::BeginAt(const StartPoint& start) {
  w_.TimLbl.SetEnabled(false);
  s_.DayCnt = start.day;
  s_.Visits = start.visits;
  for (int flag : start.flags) s_.Flags[flag] = kTrue;
  BeginScript(start.script);
}

void Fom::BeginNewGame() {
  w_.TimLbl.SetEnabled(false);
  s_.DayCnt = 0;
  s_.Visits[0] = 0;
  s_.Visits[1] = 0;
  BeginScript(u"opn");
}

void Fom::Form_Unload(int16_t& Cancel) {
  (void)Cancel;  // closing always ends the program
  bgm_.CloseBgm();
  if (s_.FileNo != 0) p_.files.Close(s_.FileNo);
  w_.Fom.End();
}

void Fom::EndCom_Click() {
  int16_t cancel = 0;
  Form_Unload(cancel);
}

ScriptLocation Fom::Location() const {
  return {script_file_, reading_line_no_ ? reading_line_no_ : cur_line_no_};
}

}  // namespace yomite
