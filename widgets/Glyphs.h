// TGlyphs: the pictures of the main window's buttons, drawn in code on a 20-pixel grid
// so that they stay sharp at any size.
#pragma once

#include <QIcon>
#include <QPixmap>

class TGlyphs {
 public:
  static QIcon Edit();
  static QIcon New();
  static QIcon Clone();
  static QIcon Delete();
  static QIcon Filter();
  static QIcon Sort();
  static QIcon Done();
  static QIcon Report();
  static QIcon Calendar();
  static QIcon Exit();
  static QIcon Help();
  // The two pictures of the Show DONE / Hide DONE button, 20 by 20 pixels.
  static QPixmap ShowBmp();
  static QPixmap HideBmp();
  // The program's picture (About box, window icon), `size` pixels square.
  static QPixmap Program(int size);
};
