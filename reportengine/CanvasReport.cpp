#include "reportengine/CanvasReport.h"

#include <QIODevice>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "reportengine/REDevice.h"
#include "reportengine/ReportError.h"

TRECanvas& TCanvasReport::Canvas() { return TREDevice::Instance().Canvas(); }

TPageGeometry TCanvasReport::DeviceGeometry() { return TREDevice::Instance().Geometry(); }

QPaintDevice* TCanvasReport::MetricsDevice() {
  TRECanvas& canvas = Canvas();
  if (canvas.Active()) return canvas.Painter()->device();
  return TREDevice::Instance().MetricsDevice();
}

void TCanvasReport::OrientationChanged() {
  TREDevice& device = TREDevice::Instance();
  if (device.HasDevMode()) device.SetOrientation(Orientation());
}

TRECanvas& TCanvasReport::Synced() {
  TRECanvas& canvas = Canvas();
  canvas.CheckActive();
  canvas.SetBrush(Brush());
  canvas.SetPen(Pen());
  canvas.SetBKMode(TextBKMode());
  canvas.SetBKColor(BKColor());
  return canvas;
}

QRect TCanvasReport::DeviceBox(double x1, double y1, double x2, double y2) const {
  const int l = XI2D(x1);
  const int t = YI2D(y1);
  const int r = XI2D(x2);
  const int b = YI2D(y2);
  return QRect(QPoint(std::min(l, r), std::min(t, b)),
               QSize(std::abs(r - l), std::abs(b - t)));
}

int TCanvasReport::XSize(double inches) const {
  return static_cast<int>(std::lround(inches * XDPI() * ScaleX() * Zoom() / 10000.0));
}

int TCanvasReport::YSize(double inches) const {
  return static_cast<int>(std::lround(inches * YDPI() * ScaleY() * Zoom() / 10000.0));
}

// ---- Text ----------------------------------------------------------------------------------------------

double TCanvasReport::SelectTextFont(double line_y, TRECanvas::TVAlign& align) {
  const TRealizedFont& realized = RealizedFont();
  TRECanvas& canvas = Synced();
  canvas.SetFont(realized.Font, Font().Color);
  canvas.SetFontRotation(Font().Rotation);
  if (Font().Superscript || Font().Align == faTop) {
    align = TRECanvas::vaTop;
    const double leading = realized.Leading * YDPI() * Zoom() / 100.0;
    return YI2D(line_y - AscentInches()) - leading;
  }
  if (Font().Subscript || Font().Align == faBottom) {
    align = TRECanvas::vaBottom;
    return YI2D(line_y + DescentInches()) + 1;
  }
  align = TRECanvas::vaBaseline;
  const int baseline = YI2D(line_y) + 1;
  if (OutputKind() != okPreview || realized.PixelHeight <= 0) return baseline;
  // The line box has no room below the descenders, and the band of the next line is drawn
  // after this text. A printer's pixel below the baseline is invisible; a screen pixel, with
  // the baseline and the band edge each rounded to whole pixels, puts the descenders of g,
  // p, q and y into that band, which covers them. On screen the baseline goes no lower than
  // keeps the font's descent, in whole pixels, above the line bottom the writer measured:
  // the descent of the font at its recorded height, less what the writer's own rounding to
  // its pixels may have taken off it.
  // Inches: more than a font rounded to whole pixels at 96 dpi loses of its descent.
  constexpr double kWriterRounding = 0.0015;
  const double per_inch = YDPI() * Zoom() / 100.0;
  const double drawn_descent = realized.Descent * per_inch;
  const double descent = realized.Descent * Font().Height * per_inch / realized.PixelHeight;
  const int line_bottom = YI2D(line_y + descent - kWriterRounding);
  return std::min(baseline, line_bottom - static_cast<int>(std::ceil(drawn_descent)));
}

void TCanvasReport::OutText(TTextAlign align, const QString& text, double x, double line_y) {
  TRECanvas& canvas = Canvas();
  const QFont saved_font = canvas.Font();
  const TColor saved_color = canvas.FontColor();
  TRECanvas::TVAlign valign;
  const double y = SelectTextFont(line_y, valign);
  const TRECanvas::THAlign halign = align == taLeft     ? TRECanvas::haLeft
                                    : align == taCenter ? TRECanvas::haCenter
                                                        : TRECanvas::haRight;
  canvas.TextOut(XI2D(x), y, text, halign, valign);
  canvas.SetFont(saved_font, saved_color);
  canvas.SetFontRotation(0);
}

void TCanvasReport::OutBlock(const QString& text, double x, double line_y, double width) {
  TRECanvas& canvas = Canvas();
  const QFont saved_font = canvas.Font();
  const TColor saved_color = canvas.FontColor();
  TRECanvas::TVAlign valign;
  const double y = SelectTextFont(line_y, valign);

  // Trailing spaces take no part: the last letter ends at the right edge.
  QString line = text;
  while (line.endsWith(QLatin1Char(' '))) line.chop(1);
  qsizetype first = 0;
  while (first < line.size() && line.at(first) == QLatin1Char(' ')) ++first;
  int gaps = static_cast<int>(line.mid(first).count(QLatin1Char(' ')));
  if (gaps == 0 && line.size() - first > 1) {
    // One word: its letters are spread instead.
    QString spread = line.left(first);
    for (qsizetype i = first; i < line.size(); ++i) {
      if (i > first) spread += QLatin1Char(' ');
      spread += line.at(i);
    }
    gaps = static_cast<int>(line.size() - first - 1);
    line = spread;
  }
  if (gaps == 0) gaps = 1;

  const double target = width * XDPI() * ScaleX() * Zoom() / 10000.0;
  const double extra = (target - canvas.TextWidth(line)) / gaps;
  const double advance = canvas.TextWidth(QStringLiteral(" ")) + extra;
  const double x0 = XI2D(x);

  // The first word (with any leading spaces) starts at x; each following run of spaces
  // becomes a gap of (spaces x advance), filled with the background when it is opaque.
  qsizetype pos = line.indexOf(QLatin1Char(' '), first);
  if (pos < 0) pos = line.size();
  double cursor = x0 + canvas.TextOut(x0, y, line.left(pos), TRECanvas::haLeft, valign);
  while (pos < line.size()) {
    qsizetype word_start = pos;
    while (word_start < line.size() && line.at(word_start) == QLatin1Char(' ')) ++word_start;
    qsizetype word_end = line.indexOf(QLatin1Char(' '), word_start);
    if (word_end < 0) word_end = line.size();
    const double gap = (word_start - pos) * advance;
    if (TextBKMode() == bkOpaque && gap > 0) {
      const double ascent = canvas.TextAscent();
      const double top = valign == TRECanvas::vaTop      ? y
                         : valign == TRECanvas::vaBottom ? y - ascent - canvas.TextDescent()
                                                         : y - ascent;
      canvas.Painter()->fillRect(
          QRectF(cursor, top, gap, ascent + canvas.TextDescent()), ColorToQColor(BKColor()));
    }
    const QString word = line.mid(word_start, word_end - word_start);
    cursor += gap + canvas.TextOut(cursor + gap, y, word, TRECanvas::haLeft, valign);
    pos = word_end;
  }
  canvas.SetFont(saved_font, saved_color);
  canvas.SetFontRotation(0);
}

// ---- Shapes ----------------------------------------------------------------------------------------------

void TCanvasReport::OutArc(TArcKind kind, double x1, double y1, double x2, double y2,
                           double x3, double y3, double x4, double y4) {
  const TRECanvas::TArcKind shape = kind == akArc     ? TRECanvas::arcArc
                                    : kind == akChord ? TRECanvas::arcChord
                                                      : TRECanvas::arcPie;
  Synced().ArcShape(shape, DeviceBox(x1, y1, x2, y2), QPoint(XI2D(x3), YI2D(y3)),
                    QPoint(XI2D(x4), YI2D(y4)));
}

void TCanvasReport::OutEllipse(double x1, double y1, double x2, double y2) {
  Synced().Ellipse(DeviceBox(x1, y1, x2, y2));
}

void TCanvasReport::OutRectangle(double x1, double y1, double x2, double y2) {
  Synced().Rectangle(DeviceBox(x1, y1, x2, y2));
}

void TCanvasReport::OutTabRectangle(double x1, double y1, double x2, double y2) {
  Synced().Rectangle(DeviceBox(x1, y1, x2, y2).adjusted(0, 0, 1, 1));
}

void TCanvasReport::OutRoundRect(double x1, double y1, double x2, double y2, double w,
                                 double h) {
  Synced().RoundRect(DeviceBox(x1, y1, x2, y2), XSize(w), YSize(h));
}

void TCanvasReport::OutMoveTo(double x, double y) { Synced().MoveTo(XI2D(x), YI2D(y)); }

void TCanvasReport::OutLineTo(double x, double y) { Synced().LineTo(XI2D(x), YI2D(y)); }

void TCanvasReport::OutPolygon(const QPolygon& points) { Synced().Polygon(points); }

void TCanvasReport::OutPolyline(const QPolygon& points) { Synced().Polyline(points); }

void TCanvasReport::OutFillRect(const QRect& rect) { Synced().FillRect(rect); }

void TCanvasReport::OutFrameRect(const QRect& rect) { Synced().FrameRect(rect); }

void TCanvasReport::OutDrawFocusRect(const QRect& rect) { Synced().DrawFocusRect(rect); }

void TCanvasReport::OutFloodFill(double x, double y, TColor color, int fill_style) {
  Synced().FloodFill(XI2D(x), YI2D(y), color, fill_style);
}

void TCanvasReport::OutBrushCopy(const QRect& dest, const QImage& bitmap, const QRect& source,
                                 TColor color) {
  Synced().BrushCopy(dest, bitmap, source, color);
}

void TCanvasReport::OutCopyRect(const QRect& dest, const QImage& source,
                                const QRect& source_rect) {
  Synced().CopyRect(dest, source, source_rect);
}

void TCanvasReport::OutDraw(double x, double y, const QImage& graphic) {
  Synced().DrawImage(QRect(XI2D(x), YI2D(y), graphic.width(), graphic.height()), graphic);
}

void TCanvasReport::OutStretchDraw(const QRect& rect, const QImage& graphic) {
  Synced().DrawImage(rect, graphic);
}

void TCanvasReport::OutTextRect(const QRect& rect, double x, double y, const QString& text) {
  TRECanvas& canvas = Synced();
  const QFont saved_font = canvas.Font();
  const TColor saved_color = canvas.FontColor();
  canvas.SetFont(RealizedFont().Font, Font().Color);
  canvas.TextRect(rect, XI2D(x), YI2D(y), text);
  canvas.SetFont(saved_font, saved_color);
}

void TCanvasReport::OutPrintBitmap(double x, double y, double scale_x, double scale_y,
                                   const QImage& bitmap) {
  const int w = static_cast<int>(std::lround(bitmap.width() * scale_x));
  const int h = static_cast<int>(std::lround(bitmap.height() * scale_y));
  Synced().DrawImage(QRect(XI2D(x), YI2D(y), w, h), bitmap, BitmapMode());
}

void TCanvasReport::OutPrintBitmapRect(double x1, double y1, double x2, double y2,
                                       const QImage& bitmap) {
  Synced().DrawImage(DeviceBox(x1, y1, x2, y2), bitmap, BitmapMode());
}

// ---- Regions and paths --------------------------------------------------------------------------------------

void TCanvasReport::OutCreateRectRegion(double x1, double y1, double x2, double y2) {
  QPainterPath path;
  path.addRect(DeviceBox(x1, y1, x2, y2));
  Canvas().PushRegion(path);
}

void TCanvasReport::OutCreateRoundRectRegion(double x1, double y1, double x2, double y2,
                                             double w, double h) {
  QPainterPath path;
  path.addRoundedRect(DeviceBox(x1, y1, x2, y2), XSize(w) / 2.0, YSize(h) / 2.0);
  Canvas().PushRegion(path);
}

void TCanvasReport::OutCreateEllipticRegion(double x1, double y1, double x2, double y2) {
  QPainterPath path;
  path.addEllipse(DeviceBox(x1, y1, x2, y2));
  Canvas().PushRegion(path);
}

void TCanvasReport::OutCreatePolygonRegion(const QPolygon& points) {
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  path.addPolygon(points);
  path.closeSubpath();
  Canvas().PushRegion(path);
}

void TCanvasReport::OutSelectClipRegion() { Synced().SelectClipRegion(); }
void TCanvasReport::OutClearClipRegion() { Synced().ClearClipRegion(); }
void TCanvasReport::OutDeleteRegion() { Canvas().DeleteRegion(); }
void TCanvasReport::OutBeginPath() { Synced().BeginPath(); }
void TCanvasReport::OutEndPath() { Synced().EndPath(); }
void TCanvasReport::OutSelectClipPath() { Synced().SelectClipPath(); }
void TCanvasReport::OutStrokePath() { Synced().StrokePath(); }
void TCanvasReport::OutStrokeAndFillPath() { Synced().StrokeAndFillPath(); }

void TCanvasReport::OutPrintData(const QByteArray&) {
  SetAborted(true);
  throw EReportError(report_messages::kRawDataRefused);
}

void TCanvasReport::OutPrintDataStream(QIODevice& stream, qint64 count) {
  stream.skip(count);
  OutPrintData(QByteArray());
}

bool TCanvasReport::OutSelectBin(const QString& name) {
  return TREDevice::Instance().SelectBin(name, false);
}
