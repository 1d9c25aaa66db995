#include "reports/FontWidthMeasure.h"

#include <QFontMetricsF>

TFontWidthMeasure::TFontWidthMeasure(const QFont& font) : font_(font) {
  font_.setKerning(false);
  const QFontMetricsF metrics(font_);
  for (size_t c = 0; c < latin1_.size(); ++c) latin1_[c] = metrics.horizontalAdvance(QChar(static_cast<char16_t>(c)));
}

double TFontWidthMeasure::Advance(char16_t c) const {
  if (c < 256) return latin1_[c];
  const auto it = others_.constFind(c);
  if (it != others_.constEnd()) return *it;
  const double advance = QFontMetricsF(font_).horizontalAdvance(QChar(c));
  others_.insert(c, advance);
  return advance;
}

int TFontWidthMeasure::Width(QStringView text) const {
  double width = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      // Outside the basic plane: measured as the pair, not cached.
      width += QFontMetricsF(font_).horizontalAdvance(text.mid(i, 2).toString());
      ++i;
      continue;
    }
    width += Advance(c.unicode());
  }
  return AdvancesWidth(width);
}

TTextWidthFn TFontWidthMeasure::AsFunction() const {
  return [this](QStringView text) { return Width(text); };
}

TTextMeasure TFontWidthMeasure::AsMeasure() const {
  TTextMeasure measure = AsFunction();
  measure.Advance = [this](char16_t c) { return Advance(c); };
  return measure;
}
