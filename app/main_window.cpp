#include "app/main_window.h"

namespace yomite {

MainWindow::MainWindow(ui::Backend& backend, int screen_width_px, int screen_height_px)
    : Fom(backend, screen_width_px, screen_height_px),
      EndCom(Fom, "EndCom"),
      BgmTim(Fom, "BgmTim", 1, /*enabled=*/true),
      E(Fom, "E", /*auto_size=*/true),
      Img(Fom, "Img", /*auto_size=*/false),
      QstCom(Fom, "QstCom"),
      TimLbl(Fom, "TimLbl", 100, /*enabled=*/false),
      ClickCom(Fom, "ClickCom", /*transparent=*/false),
      Lbl(Fom, "Lbl", /*transparent=*/true),
      ClickMe(Fom, "ClickMe", /*transparent=*/false) {
  EndCom.SetCaption(u"Command1");
  Fom.end_control = &EndCom;
  E.SetVisible(false);
  QstCom(0).SetCaption(u"QstCom");
  ClickCom.SetVisible(false);
  ClickCom.SetCaption(u"ClickCom");
  Lbl.SetCaption(u" ");
  ClickMe.SetCaption(u"ClickMe");
  // Labels, timers and the hidden buffer never take the focus.
  Fom.SetTabOrder({&QstCom(0), &Img, &EndCom});
}

ui::Control& MainWindow::ClickTarget(int i) {
  switch (i) {
    case 0:
      return Lbl;
    case 1:
      return ClickMe;
    case 2:
      return ClickCom;
    case 3:
      return Img;
    case 4:
      return EndCom;
    case 5:
      return QstCom(0);
    default:
      return QstCom(1);
  }
}

}  // namespace yomite
