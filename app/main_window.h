// The main window Fom and its ten controls, as the window is created.
// The layout places and colours them before the window is first seen.
#pragma once

#include "ui/command_button.h"
#include "ui/label.h"
#include "ui/picture_box.h"
#include "ui/timer.h"
#include "ui/window.h"

namespace yomite {

struct MainWindow {
  MainWindow(ui::Backend& backend, int screen_width_px, int screen_height_px);

  ui::Window Fom;
  // In the order the window holds them; among the labels a later one lies
  // above an earlier one.
  ui::CommandButton EndCom;
  ui::Timer BgmTim;
  ui::PictureBox E;
  ui::PictureBox Img;
  ui::ButtonArray QstCom;
  ui::Timer TimLbl;
  ui::Label ClickCom;
  ui::Label Lbl;
  ui::Label ClickMe;

  // The controls a user can click, numbered for tools that drive the window
  // (the trace's names, the fuzzer's bytes): Lbl, ClickMe, ClickCom, Img,
  // EndCom, QstCom(0), QstCom(1).
  static constexpr int kClickTargets = 7;
  ui::Control& ClickTarget(int i);
};

}  // namespace yomite
