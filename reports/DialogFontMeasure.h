// TDialogFontMeasure: how wide text is in the report options dialog's font ("Arial", 11
// pixels high; fontconfig gives a metric-compatible face), as the note-wrapping control of
// the exports measures it. Kerning is off, as in a classic edit control, so a text is as
// wide as the sum of its characters; their advances come from Qt's font metrics once and
// are kept, so measuring a note costs one look-up per character. Needs a QGuiApplication.
#pragma once

#include <QFont>

#include "reports/FontWidthMeasure.h"

class TDialogFontMeasure : public TFontWidthMeasure {
 public:
  // The note-wrapping widths of the exports in pixels: HTML and RTF, and for text the
  // width of kTextWidthSample.
  static constexpr int kHtmlNoteWidth = 384;
  static constexpr int kRtfNoteWidth = 288;
  static constexpr char kTextWidthSample[] = "1234567890123456789012345678901234";

  TDialogFontMeasure() : TFontWidthMeasure(Font()) {}
  // The dialog font.
  static QFont Font();
  // Width of kTextWidthSample.
  int TextNoteWidth() const { return Width(QString::fromLatin1(kTextWidthSample)); }
};
