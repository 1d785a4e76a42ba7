// The screen layout on a 100 by 100 grid: the picture area twice as wide
// as high at the top right, the text across the bottom half, the buttons
// in a column at the top left. Font sizes follow the screen's height.
#include "app/fom.h"
#include "choice/choice_rule.h"

namespace yomite {

namespace {

// The text size in points: the screen height in twips / 50 / 15, fraction
// dropped; the small size is four fifths of it, rounded down.
int16_t TextSize(double screen_height_twips) {
  double t = screen_height_twips / 50.0 / 15.0;
  return t <= 0 ? 0 : static_cast<int16_t>(t);
}

}  // namespace

void Fom::Form_Resize() {
  ui::Window& fom = w_.Fom;

  // The picture area: right edge on the window's, width the window's
  // height, height half of it. Measured in twips, moved in current units.
  double W = fom.WidthTwips();
  double H = fom.HeightTwips();
  if (W <= 0 || H <= 0) return;  // minimized: nothing to lay out
  double units_per_twip_x = fom.ScaleWidth() / W;
  double units_per_twip_y = fom.ScaleHeight() / H;
  w_.Img.Move(fom.ScaleLeft() + (W - H) * units_per_twip_x, fom.ScaleTop(), H * units_per_twip_x,
              H / 2 * units_per_twip_y);
  w_.Img.SetBackColor(ui::kBlack);
  w_.Img.SetBorder(ui::BorderStyle::kNone);

  fom.SetBackColor(ui::kBlack);
  fom.SetScaleWidth(100);
  fom.SetScaleHeight(100);
  fom.SetScaleTop(0);
  fom.SetScaleLeft(0);

  int16_t T = TextSize(fom.ScreenHeightTwips());
  int16_t S = static_cast<int16_t>(T * 4 / 5);
  double sw = fom.ScaleWidth();
  double sh = fom.ScaleHeight();

  w_.Lbl.Move(1, sh / 2 + 2, sw - 1, sh / 2 - 2);
  w_.Lbl.SetBackColor({255, 0, 0});  // not painted: the label is transparent
  w_.Lbl.SetForeColor(ui::kWhite);
  w_.Lbl.SetFontSize(T);
  w_.Lbl.SetBorder(ui::BorderStyle::kNone);

  w_.EndCom.Move(1, 2, 10, 3);
  w_.EndCom.SetCaption(u"End");
  w_.EndCom.SetBackColor({100, 100, 255});

  for (int i = 0; i <= 1; ++i) {
    ui::CommandButton& button = w_.QstCom(i);
    button.Move(1, 3 * (i + 1) + 2, 10, 3);
    button.SetBackColor(ui::kWhite);
    button.SetFontSize(S);
    button.SetVisible(true);
  }
  for (int i = 0; i < choice::kButtons; ++i) w_.QstCom(i).SetCaption(choice::kButtonCaptions[i]);

  w_.ClickMe.Move(sw - 13, sh - 5, 10, 3);
  w_.ClickMe.SetBackColor(ui::kWhite);
  w_.ClickMe.SetForeColor(ui::kBlack);
  w_.ClickMe.SetFontSize(S);
  w_.ClickMe.SetBorder(ui::BorderStyle::kNone);
  w_.ClickMe.SetCaption(u"ClickMe");

  w_.ClickCom.Move(1, sh - 8, 50, 6);
  w_.ClickCom.SetBackColor(ui::kBlack);
  w_.ClickCom.SetForeColor({255, 100, 200});
  w_.ClickCom.SetFontSize(S);
  w_.ClickCom.SetBorder(ui::BorderStyle::kNone);
  w_.ClickCom.SetCaption(
      u"左上のキャラクターボタンを選んで話を進めてください。\r\n"
      u"選ぶたびに一日が過ぎていきます｡ ");
}

}  // namespace yomite
