// TFontWidthMeasure: how wide text is in one font, as a word-wrapping text control of that
// font measures it (kerning off, so a text is as wide as the sum of its characters). The
// advances come from Qt's font metrics once and are kept, so measuring a note costs one
// look-up per character. Needs a QGuiApplication.
#pragma once

#include <QFont>
#include <QHash>
#include <QStringView>

#include <array>

#include "core/NoteLines.h"

class TFontWidthMeasure {
 public:
  explicit TFontWidthMeasure(const QFont& font);

  const QFont& Font() const { return font_; }
  // Width of `text` on one line, in whole pixels (rounded up).
  int Width(QStringView text) const;
  // The advance of one character of the basic plane, in fractions of a pixel.
  double Advance(char16_t c) const;
  // The width function for NoteLines; it refers to this object.
  TTextWidthFn AsFunction() const;
  // The width function with the advances it adds up; it refers to this object.
  TTextMeasure AsMeasure() const;

 private:

  QFont font_;
  std::array<double, 256> latin1_{};
  mutable QHash<char16_t, double> others_;
};
