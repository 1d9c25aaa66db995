// TBaseReport, text: measuring, printing at a position, at the cursor or at a tab stop, and the
// line and column breaks the cursor takes after text.
#include <QFontMetricsF>
#include <QPaintDevice>

#include <algorithm>

#include "reportengine/BaseReport.h"

double TBaseReport::TextWidthInches(const QString& text) {
  const TRealizedFont& font = RealizedFont();
  const QFontMetricsF metrics(font.Font, MeasuringDevice());
  const double pixels = std::max(1.0, metrics.horizontalAdvance(text));
  return pixels / (geometry_.XDPI * zoom_ / 100.0);
}

double TBaseReport::TextWidth(const QString& text) {
  CheckPrinting();
  return ToUnits(TextWidthInches(text));
}

void TBaseReport::PrintAligned(TTextAlign align, const QString& text, double x) {
  CheckPrinting();
  const double width = TextWidthInches(text);
  out_text_width_ = width;
  if (OutputAllowed()) {
    OutText(align, text, x + cursor_.OriginX(), cursor_.Y() + cursor_.OriginY());
  }
  const double start = align == taLeft ? x : align == taCenter ? x - width / 2 : x - width;
  cursor_.Advance(start, width, Font().Rotation);
}

void TBaseReport::PrintLeft(const QString& text, double x) {
  PrintAligned(taLeft, text, ToInches(x));
}

void TBaseReport::PrintCenter(const QString& text, double x) {
  PrintAligned(taCenter, text, ToInches(x));
}

void TBaseReport::PrintRight(const QString& text, double x) {
  PrintAligned(taRight, text, ToInches(x));
}

void TBaseReport::PrintBlockInches(const QString& text, double x, double width) {
  CheckPrinting();
  if (OutputAllowed()) {
    OutBlock(text, x + cursor_.OriginX(), cursor_.Y() + cursor_.OriginY(), width);
  }
  cursor_.Advance(x, width, Font().Rotation);
}

void TBaseReport::PrintBlock(const QString& text, double x, double width) {
  PrintBlockInches(text, ToInches(x), ToInches(width));
}

void TBaseReport::PrintPiece(const QString& text) {
  if (!tabs_.Active()) {
    PrintAligned(taLeft, text, cursor_.X());
    return;
  }
  const TTabStop& stop = tabs_.TakeActive();
  const double x = stop.Pos + cursor_.ColumnOffset();
  switch (tabs_.JustifyFor(stop)) {
    case pjCenter: PrintAligned(taCenter, text, x + stop.Width / 2); break;
    case pjRight: PrintAligned(taRight, text, x + stop.Width - stop.Margin); break;
    case pjBlock:
      PrintBlockInches(text, x + stop.Margin, stop.Width - 2 * stop.Margin);
      break;
    case pjLeft:
    case pjNone: PrintAligned(taLeft, text, x + stop.Margin); break;
  }
}

void TBaseReport::Print(const QString& text) {
  CheckPrinting();
  const QStringList pieces = text.split(QLatin1Char('\t'));
  for (qsizetype i = 0; i < pieces.size(); ++i) {
    if (i > 0) Tab();
    if (pieces.at(i).isEmpty()) continue;
    PrintPiece(pieces.at(i));
  }
}

void TBaseReport::Println(const QString& text) {
  Print(text);
  NewLine();
}

void TBaseReport::CR() { cursor_.CarriageReturn(); }

void TBaseReport::LF() {
  UpdateLineHeight();
  cursor_.LineFeed();
}

void TBaseReport::NewLine() {
  CheckPrinting();
  if (cursor_.ColumnNum() < cursor_.Columns() && LinesLeft() <= 1) {
    cursor_.SetColumnNum(cursor_.ColumnNum() + 1);
    cursor_.SetLineNum(1);
    UpdateLineHeight();
    CR();
    cursor_.FirstLine();
    FireEvent(OnNewColumn);
  } else {
    CR();
    LF();
  }
  tabs_.ResetIndex();
  // The new line reaches past the section's bottom edge.
  if (cursor_.PastSectionBottom()) FireEvent(OnEndOfSection);
}
