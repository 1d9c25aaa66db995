// TBaseReport, drawing and clipping: brush, pen and background over the TReportDrawState part
// with their change notices, the canvas-style operations and clip regions and paths (each a
// call of its output hook while output is allowed), and raw printer data.
#include <QIODevice>

#include <algorithm>

#include "reportengine/BaseReport.h"

// ---- Brush, pen, background -------------------------------------------------------------------

void TBaseReport::SetTextBKMode(TBKMode mode) {
  if (drawing_.SetTextBKMode(mode)) TextBKChanged();
}

void TBaseReport::SetBKColor(TColor color) {
  if (drawing_.SetBKColor(color)) TextBKChanged();
}

int TBaseReport::PenWidthPixels(int width) const {
  return TReportDrawState::PenWidthPixels(width, geometry_.XDPI, scale_x_, zoom_);
}

void TBaseReport::SetBrush(TColor color, TBrushStyle style, const QImage& pattern) {
  if (drawing_.SetBrush(TBrushRecord{color, style, pattern})) BrushChanged();
}

void TBaseReport::SetPen(TColor color, TPenStyle style, int width, TPenMode mode) {
  if (drawing_.SetPen(TPenRecord{color, style, PenWidthPixels(width), mode})) PenChanged();
}

// ---- Graphics ---------------------------------------------------------------------------------

void TBaseReport::Arc(double x1, double y1, double x2, double y2, double x3, double y3,
                      double x4, double y4) {
  if (!OutOk()) return;
  OutArc(akArc, PX(x1), PY(y1), PX(x2), PY(y2), PX(x3), PY(y3), PX(x4), PY(y4));
}

void TBaseReport::Chord(double x1, double y1, double x2, double y2, double x3, double y3,
                        double x4, double y4) {
  if (!OutOk()) return;
  OutArc(akChord, PX(x1), PY(y1), PX(x2), PY(y2), PX(x3), PY(y3), PX(x4), PY(y4));
}

void TBaseReport::Pie(double x1, double y1, double x2, double y2, double x3, double y3,
                      double x4, double y4) {
  if (!OutOk()) return;
  OutArc(akPie, PX(x1), PY(y1), PX(x2), PY(y2), PX(x3), PY(y3), PX(x4), PY(y4));
}

void TBaseReport::Ellipse(double x1, double y1, double x2, double y2) {
  if (OutOk()) OutEllipse(PX(x1), PY(y1), PX(x2), PY(y2));
}

void TBaseReport::Rectangle(double x1, double y1, double x2, double y2) {
  if (OutOk()) OutRectangle(PX(x1), PY(y1), PX(x2), PY(y2));
}

void TBaseReport::TabRectangle(double x1, double y1, double x2, double y2) {
  if (OutOk()) OutTabRectangle(PX(x1), PY(y1), PX(x2), PY(y2));
}

void TBaseReport::RoundRect(double x1, double y1, double x2, double y2, double x3, double y3) {
  if (OutOk()) OutRoundRect(PX(x1), PY(y1), PX(x2), PY(y2), ToInches(x3), ToInches(y3));
}

void TBaseReport::MoveTo(double x, double y) {
  if (OutOk()) OutMoveTo(PX(x), PY(y));
}

void TBaseReport::LineTo(double x, double y) {
  if (OutOk()) OutLineTo(PX(x), PY(y));
}

void TBaseReport::Polygon(const QPolygon& points) {
  if (OutOk() && !points.isEmpty()) OutPolygon(points);
}

void TBaseReport::Polyline(const QPolygon& points) {
  if (OutOk() && !points.isEmpty()) OutPolyline(points);
}

void TBaseReport::FillRect(const QRect& rect) {
  if (OutOk()) OutFillRect(rect);
}

void TBaseReport::FrameRect(const QRect& rect) {
  if (OutOk()) OutFrameRect(rect);
}

void TBaseReport::DrawFocusRect(const QRect& rect) {
  if (OutOk()) OutDrawFocusRect(rect);
}

void TBaseReport::FloodFill(double x, double y, TColor color, int fill_style) {
  if (OutOk()) OutFloodFill(PX(x), PY(y), color, fill_style);
}

void TBaseReport::BrushCopy(const QRect& dest, const QImage& bitmap, const QRect& source,
                            TColor color) {
  if (OutOk() && !bitmap.isNull()) OutBrushCopy(dest, bitmap, source, color);
}

void TBaseReport::CopyRect(const QRect& dest, const QImage& source, const QRect& source_rect) {
  if (OutOk() && !source.isNull()) OutCopyRect(dest, source, source_rect);
}

void TBaseReport::Draw(double x, double y, const QImage& graphic) {
  if (OutOk() && !graphic.isNull()) OutDraw(PX(x), PY(y), graphic);
}

void TBaseReport::StretchDraw(const QRect& rect, const QImage& graphic) {
  if (OutOk() && !graphic.isNull()) OutStretchDraw(rect, graphic);
}

void TBaseReport::TextRect(const QRect& rect, double x, double y, const QString& text) {
  if (OutOk()) OutTextRect(rect, PX(x), PY(y), text);
}

void TBaseReport::PrintBitmap(double x, double y, double scale_x, double scale_y,
                              const QImage& bitmap) {
  if (OutOk() && !bitmap.isNull()) OutPrintBitmap(PX(x), PY(y), scale_x, scale_y, bitmap);
}

void TBaseReport::PrintBitmapRect(double x1, double y1, double x2, double y2,
                                  const QImage& bitmap) {
  if (OutOk() && !bitmap.isNull()) OutPrintBitmapRect(PX(x1), PY(y1), PX(x2), PY(y2), bitmap);
}

// ---- Clipping and paths -----------------------------------------------------------------------

bool TBaseReport::PushRegion() {
  CheckPrinting();
  drawing_.PushRegion();
  return OutputAllowed();
}

void TBaseReport::CreateRectRegion(double x1, double y1, double x2, double y2) {
  if (PushRegion()) OutCreateRectRegion(PX(x1), PY(y1), PX(x2), PY(y2));
}

void TBaseReport::CreateRoundRectRegion(double x1, double y1, double x2, double y2, double x3,
                                        double y3) {
  if (PushRegion()) {
    OutCreateRoundRectRegion(PX(x1), PY(y1), PX(x2), PY(y2), ToInches(x3), ToInches(y3));
  }
}

void TBaseReport::CreateEllipticRegion(double x1, double y1, double x2, double y2) {
  if (PushRegion()) OutCreateEllipticRegion(PX(x1), PY(y1), PX(x2), PY(y2));
}

void TBaseReport::CreatePolygonRegion(const QPolygon& points) {
  if (PushRegion()) OutCreatePolygonRegion(points);
}

void TBaseReport::SelectClipRegion() {
  CheckPrinting();
  if (drawing_.RegionCount() > 0 && OutputAllowed()) OutSelectClipRegion();
}

void TBaseReport::ClearClipRegion() {
  if (OutOk()) OutClearClipRegion();
}

void TBaseReport::DeleteRegion() {
  CheckPrinting();
  if (drawing_.PopRegion() && OutputAllowed()) OutDeleteRegion();
}

void TBaseReport::BeginPath() {
  if (OutOk()) OutBeginPath();
}

void TBaseReport::EndPath() {
  if (OutOk()) OutEndPath();
}

void TBaseReport::SelectClipPath() {
  if (OutOk()) OutSelectClipPath();
}

void TBaseReport::StrokePath() {
  if (OutOk()) OutStrokePath();
}

void TBaseReport::StrokeAndFillPath() {
  if (OutOk()) OutStrokeAndFillPath();
}

// ---- Pass-through ------------------------------------------------------------------------

void TBaseReport::PrintData(const QByteArray& data) {
  if (OutOk()) OutPrintData(data.left(255));
}

void TBaseReport::PrintDataStream(QIODevice& stream, qint64 count) {
  CheckPrinting();
  const qint64 available = std::max<qint64>(0, stream.bytesAvailable());
  if (count <= 0 || count > available) count = available;
  if (count > 0 && OutputAllowed()) OutPrintDataStream(stream, count);
}

bool TBaseReport::SelectBin(const QString& name) { return OutSelectBin(name); }
