// Pictures: loaded into the hidden box E, then painted stretched over the
// whole picture area. A click on the area shows the About box.
#include "app/fom.h"
#include "app/version.h"

namespace yomite {

void Fom::ShowPicture(const Text& name) {
  Text file = name + u".jpg";
  platform::PicturePtr loaded = p_.pictures.LoadPicture(s_.DatPath + file);
  CountPicture(*loaded);
  w_.E.SetPicture(std::move(loaded), file);
  w_.Img.Cls();
  const platform::PicturePtr& picture = w_.E.Picture();
  w_.Img.PaintPicture(
      picture, w_.E.PictureSource(),
      ui::PixelRect{0, 0, double(w_.Img.ScaleWidth()), double(w_.Img.ScaleHeight())},
      ui::PixelRect{0, 0, double(w_.E.ScaleWidth()), double(w_.E.ScaleHeight())});
}

void Fom::CountPicture(const platform::Picture& picture) {
  // Painting it stretched is a pass over the picture area.
  budget_.CountPixels(picture.DecodeWork());
  CountPaint();
}

void Fom::CountPaint() { budget_.CountPixels(int64_t{w_.Img.ScaleWidth()} * w_.Img.ScaleHeight()); }

void Fom::Img_Click() {
  Text text = u"ミモザ\r\n";
  text += kVersionText;
  text += u"\r\n\r\n";
  text += kCreditLine;
  text += u"\r\n";
  text += kDocumentation;
  w_.Fom.MessageBox(text, u"ミモザ２");
}

}  // namespace yomite
