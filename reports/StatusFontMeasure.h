// TStatusFontMeasure: how wide text is in the report status window's font ("System", 13
// pixels high; fontconfig gives a face), as the task report measures its notes for
// wrapping, and the screen resolution the report is laid out for. Needs a QGuiApplication,
// no window: the status window and the report written without one (jlistreport) measure
// alike.
#pragma once

#include <QFont>

#include "reports/FontWidthMeasure.h"

class TStatusFontMeasure : public TFontWidthMeasure {
 public:
  TStatusFontMeasure() : TFontWidthMeasure(Font()) {}
  // The status window's font.
  static QFont Font();
  // Logical dots per inch of the primary screen, rounded; 96 without a screen.
  static int ScreenPixelsPerInch();
};
