#include "reports/DialogFontMeasure.h"

QFont TDialogFontMeasure::Font() {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(11);
  font.setKerning(false);
  return font;
}
