#include "reportengine/RECanvas.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>

#include <cmath>

#include "reportengine/ReportError.h"

namespace {

Qt::BrushStyle QtBrushStyle(TBrushStyle style) {
  switch (style) {
    case bsSolid: return Qt::SolidPattern;
    case bsClear: return Qt::NoBrush;
    case bsHorizontal: return Qt::HorPattern;
    case bsVertical: return Qt::VerPattern;
    case bsFDiagonal: return Qt::FDiagPattern;
    case bsBDiagonal: return Qt::BDiagPattern;
    case bsCross: return Qt::CrossPattern;
    case bsDiagCross: return Qt::DiagCrossPattern;
  }
  return Qt::NoBrush;
}

Qt::PenStyle QtPenStyle(TPenStyle style) {
  switch (style) {
    case psSolid: return Qt::SolidLine;
    case psDash: return Qt::DashLine;
    case psDot: return Qt::DotLine;
    case psDashDot: return Qt::DashDotLine;
    case psDashDotDot: return Qt::DashDotDotLine;
    case psClear: return Qt::NoPen;
    case psInsideFrame: return Qt::SolidLine;
  }
  return Qt::SolidLine;
}

// The raster operation of a pen mode (the pen is the source, the page the destination).
QPainter::CompositionMode RasterOp(TPenMode mode) {
  switch (mode) {
    case pmBlack: return QPainter::RasterOp_ClearDestination;
    case pmWhite: return QPainter::RasterOp_SetDestination;
    case pmNop: return QPainter::CompositionMode_Destination;
    case pmNot: return QPainter::RasterOp_NotDestination;
    case pmCopy: return QPainter::CompositionMode_SourceOver;
    case pmNotCopy: return QPainter::RasterOp_NotSource;
    case pmMergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
    case pmMerge: return QPainter::RasterOp_SourceOrDestination;
    case pmNotMerge: return QPainter::RasterOp_NotSourceAndNotDestination;
    case pmMask: return QPainter::RasterOp_SourceAndDestination;
    case pmNotMask: return QPainter::RasterOp_NotSourceOrNotDestination;
    case pmXor: return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
  }
  return QPainter::CompositionMode_SourceOver;
}

// A report rectangle (right and bottom exclusive) as the rectangle QPainter outlines with
// a one-pixel pen over the same pixels.
QRect OutlineRect(const QRect& r) {
  const QRect n = r.normalized();
  return QRect(n.left(), n.top(), std::max(0, n.width() - 1), std::max(0, n.height() - 1));
}

// Angle of a point seen from the centre of a box, in 1/16 degree, counter-clockwise from
// three o'clock (y grows downwards on the page).
double Angle16(const QRectF& box, const QPointF& point) {
  const QPointF c = box.center();
  return std::atan2(-(point.y() - c.y()), point.x() - c.x()) * 180.0 / M_PI * 16.0;
}

}  // namespace

void TRECanvas::SetPainter(QPainter* painter) {
  painter_ = painter;
  regions_.clear();
  path_open_ = false;
  path_ = QPainterPath();
}

bool TRECanvas::Active() const { return painter_ && painter_->isActive(); }

void TRECanvas::CheckActive() const {
  if (!Active()) throw EReportError(report_messages::kCanvasNotActive);
}

bool TRECanvas::SupportsRasterOps() const {
  return Active() && painter_->paintEngine() &&
         painter_->paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
}

void TRECanvas::SetFont(const QFont& font, TColor color) {
  font_ = font;
  font_color_ = color;
}

QPen TRECanvas::MakePen() const {
  QPen pen(ColorToQColor(pen_.Color), std::max(1, pen_.Width), QtPenStyle(pen_.Style),
           Qt::FlatCap, Qt::MiterJoin);
  return pen;
}

QBrush TRECanvas::MakeBrush() const {
  if (brush_.Style == bsClear) return QBrush(Qt::NoBrush);
  if (!brush_.Pattern.isNull()) return QBrush(brush_.Pattern);
  return QBrush(ColorToQColor(brush_.Color), QtBrushStyle(brush_.Style));
}

bool TRECanvas::Prepare(bool with_pen, bool with_brush) {
  CheckActive();
  QPen pen = with_pen ? MakePen() : QPen(Qt::NoPen);
  QBrush brush = with_brush ? MakeBrush() : QBrush(Qt::NoBrush);
  QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
  if (SupportsRasterOps()) {
    mode = RasterOp(pen_.Mode);
  } else {
    // Without raster operations the modes that give a fixed result are kept (on white
    // paper: black, white, the inverse colour); the mixing modes draw as plain copies.
    switch (pen_.Mode) {
      case pmNop: return false;
      case pmBlack:
      case pmNot:
        pen.setColor(Qt::black);
        if (brush.style() != Qt::NoBrush) brush.setColor(Qt::black);
        break;
      case pmWhite:
        pen.setColor(Qt::white);
        if (brush.style() != Qt::NoBrush) brush.setColor(Qt::white);
        break;
      case pmNotCopy: {
        const QColor c = pen.color();
        pen.setColor(QColor(255 - c.red(), 255 - c.green(), 255 - c.blue()));
        break;
      }
      default: break;
    }
  }
  painter_->setCompositionMode(mode);
  painter_->setPen(pen);
  painter_->setBrush(brush);
  painter_->setBackgroundMode(bk_mode_ == bkOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
  painter_->setBackground(QBrush(ColorToQColor(bk_color_)));
  return true;
}

// ---- Text ---------------------------------------------------------------------------------------------

double TRECanvas::TextWidth(const QString& text) const {
  return painter_ ? QFontMetricsF(font_, painter_->device()).horizontalAdvance(text)
                  : QFontMetricsF(font_).horizontalAdvance(text);
}

double TRECanvas::TextAscent() const {
  return painter_ ? QFontMetricsF(font_, painter_->device()).ascent()
                  : QFontMetricsF(font_).ascent();
}

double TRECanvas::TextDescent() const {
  return painter_ ? QFontMetricsF(font_, painter_->device()).descent()
                  : QFontMetricsF(font_).descent();
}

double TRECanvas::TextOut(double x, double y, const QString& text, THAlign h, TVAlign v) {
  CheckActive();
  const QFontMetricsF metrics(font_, painter_->device());
  const double width = metrics.horizontalAdvance(text);
  const double dx = h == haLeft ? 0.0 : h == haCenter ? -width / 2 : -width;
  const double dy = v == vaBaseline ? 0.0 : v == vaTop ? metrics.ascent() : -metrics.descent();
  if (path_open_) {
    QTransform t;
    t.translate(x, y);
    t.rotate(-rotation_);
    QPainterPath text_path;
    text_path.addText(QPointF(dx, dy), font_, text);
    path_.addPath(t.map(text_path));
    return width;
  }
  painter_->save();
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_->translate(x, y);
  if (rotation_ != 0) painter_->rotate(-rotation_);
  if (bk_mode_ == bkOpaque) {
    painter_->fillRect(QRectF(dx, dy - metrics.ascent(), width, metrics.height()),
                       ColorToQColor(bk_color_));
  }
  painter_->setFont(font_);
  painter_->setPen(ColorToQColor(font_color_));
  painter_->drawText(QPointF(dx, dy), text);
  painter_->restore();
  return width;
}

void TRECanvas::TextRect(const QRect& rect, int x, int y, const QString& text) {
  CheckActive();
  const QRect clip = rect.normalized();
  painter_->save();
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_->setClipRect(clip, Qt::IntersectClip);
  if (brush_.Style != bsClear) painter_->fillRect(clip, MakeBrush());
  const QFontMetricsF metrics(font_, painter_->device());
  painter_->setFont(font_);
  painter_->setPen(ColorToQColor(font_color_));
  painter_->drawText(QPointF(x, y + metrics.ascent()), text);
  painter_->restore();
}

// ---- Shapes --------------------------------------------------------------------------------------------

void TRECanvas::MoveTo(int x, int y) {
  pen_pos_ = QPoint(x, y);
  if (path_open_) path_.moveTo(pen_pos_);
}

void TRECanvas::LineTo(int x, int y) {
  const QPoint to(x, y);
  if (path_open_) {
    path_.lineTo(to);
  } else if (Prepare(true, false)) {
    painter_->drawLine(pen_pos_, to);
  }
  pen_pos_ = to;
}

void TRECanvas::Rectangle(const QRect& rect) {
  if (path_open_) {
    path_.addRect(rect.normalized());
    return;
  }
  if (!Prepare(true, true)) return;
  painter_->drawRect(OutlineRect(rect));
}

void TRECanvas::Ellipse(const QRect& rect) {
  if (path_open_) {
    path_.addEllipse(rect.normalized());
    return;
  }
  if (!Prepare(true, true)) return;
  painter_->drawEllipse(OutlineRect(rect));
}

void TRECanvas::RoundRect(const QRect& rect, int corner_width, int corner_height) {
  const double rx = std::abs(corner_width) / 2.0;
  const double ry = std::abs(corner_height) / 2.0;
  if (path_open_) {
    path_.addRoundedRect(rect.normalized(), rx, ry);
    return;
  }
  if (!Prepare(true, true)) return;
  painter_->drawRoundedRect(OutlineRect(rect), rx, ry, Qt::AbsoluteSize);
}

void TRECanvas::ArcShape(TArcKind kind, const QRect& box, const QPoint& start,
                         const QPoint& end) {
  const QRect outline = OutlineRect(box);
  const double a = Angle16(outline, start);
  double span = Angle16(outline, end) - a;
  // Counter-clockwise from the start point to the end point; equal points: a full turn.
  while (span <= 0) span += 360.0 * 16.0;
  const int a16 = static_cast<int>(std::lround(a));
  const int s16 = static_cast<int>(std::lround(span));
  if (path_open_) {
    path_.arcMoveTo(outline, a / 16.0);
    path_.arcTo(outline, a / 16.0, span / 16.0);
    return;
  }
  if (!Prepare(true, kind != arcArc)) return;
  switch (kind) {
    case arcArc: painter_->drawArc(outline, a16, s16); break;
    case arcChord: painter_->drawChord(outline, a16, s16); break;
    case arcPie: painter_->drawPie(outline, a16, s16); break;
  }
}

void TRECanvas::Polygon(const QPolygon& points) {
  if (path_open_) {
    path_.addPolygon(points);
    path_.closeSubpath();
    return;
  }
  if (!Prepare(true, true)) return;
  painter_->drawPolygon(points, Qt::OddEvenFill);
}

void TRECanvas::Polyline(const QPolygon& points) {
  if (path_open_) {
    if (points.isEmpty()) return;
    path_.moveTo(points.first());
    for (qsizetype i = 1; i < points.size(); ++i) path_.lineTo(points.at(i));
    return;
  }
  if (!Prepare(true, false)) return;
  painter_->drawPolyline(points);
}

void TRECanvas::FillRect(const QRect& rect) {
  CheckActive();
  const QRect n = rect.normalized();
  painter_->save();
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_->fillRect(n, MakeBrush());
  painter_->restore();
}

void TRECanvas::FrameRect(const QRect& rect) {
  CheckActive();
  const QRect n = rect.normalized();
  if (n.isEmpty()) return;
  const QColor color = ColorToQColor(brush_.Color);
  painter_->save();
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_->fillRect(QRect(n.left(), n.top(), n.width(), 1), color);
  painter_->fillRect(QRect(n.left(), n.bottom(), n.width(), 1), color);
  painter_->fillRect(QRect(n.left(), n.top(), 1, n.height()), color);
  painter_->fillRect(QRect(n.right(), n.top(), 1, n.height()), color);
  painter_->restore();
}

void TRECanvas::DrawFocusRect(const QRect& rect) {
  CheckActive();
  painter_->save();
  QPen pen(Qt::black, 1, Qt::DotLine);
  if (SupportsRasterOps()) {
    pen.setColor(Qt::white);
    painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  }
  painter_->setPen(pen);
  painter_->setBrush(Qt::NoBrush);
  painter_->drawRect(OutlineRect(rect));
  painter_->restore();
}

void TRECanvas::FloodFill(int x, int y, TColor color, int fill_style) {
  CheckActive();
  if (painter_->device()->devType() != QInternal::Image || brush_.Style == bsClear) return;
  QImage& image = *static_cast<QImage*>(painter_->device());
  const QTransform transform = painter_->deviceTransform();
  const QPoint start = transform.map(QPoint(x, y));
  if (!image.rect().contains(start)) return;
  const QRgb border = ColorToQColor(color).rgb() & 0xFFFFFF;
  const QRgb fill = ColorToQColor(brush_.Color).rgb();
  const auto inside = [&](int px, int py) {
    const QRgb c = image.pixel(px, py) & 0xFFFFFF;
    return fill_style == 0 ? c != border : c == border;
  };
  if (!inside(start.x(), start.y()) || (image.pixel(start) == fill)) return;
  // Scanline fill over a stack of seeds, straight into the image (the raster engine draws
  // into the same pixels, without a cache of its own).
  std::vector<QPoint> seeds{start};
  while (!seeds.empty()) {
    const QPoint p = seeds.back();
    seeds.pop_back();
    if (!inside(p.x(), p.y()) || image.pixel(p) == fill) continue;
    int left = p.x();
    while (left > 0 && inside(left - 1, p.y()) && image.pixel(left - 1, p.y()) != fill) --left;
    int right = p.x();
    while (right + 1 < image.width() && inside(right + 1, p.y()) &&
           image.pixel(right + 1, p.y()) != fill) {
      ++right;
    }
    for (int px = left; px <= right; ++px) {
      image.setPixel(px, p.y(), fill);
      for (const int ny : {p.y() - 1, p.y() + 1}) {
        if (ny >= 0 && ny < image.height() && inside(px, ny) && image.pixel(px, ny) != fill) {
          seeds.emplace_back(px, ny);
        }
      }
    }
  }
}

void TRECanvas::BrushCopy(const QRect& dest, const QImage& bitmap, const QRect& source,
                          TColor color) {
  CheckActive();
  QImage part = bitmap.copy(source.normalized()).convertToFormat(QImage::Format_ARGB32);
  const QRgb from = ColorToQColor(color).rgb() & 0xFFFFFF;
  const QRgb to = ColorToQColor(brush_.Color).rgb();
  for (int py = 0; py < part.height(); ++py) {
    auto* line = reinterpret_cast<QRgb*>(part.scanLine(py));
    for (int px = 0; px < part.width(); ++px) {
      if ((line[px] & 0xFFFFFF) == from) line[px] = to;
    }
  }
  DrawImage(dest, part);
}

void TRECanvas::CopyRect(const QRect& dest, const QImage& image, const QRect& source) {
  CheckActive();
  painter_->save();
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_->drawImage(dest.normalized(), image, source.normalized());
  painter_->restore();
}

void TRECanvas::DrawImage(const QRect& dest, const QImage& image, bool combine) {
  CheckActive();
  painter_->save();
  painter_->setCompositionMode(combine && SupportsRasterOps()
                                   ? QPainter::RasterOp_SourceAndDestination
                                   : QPainter::CompositionMode_SourceOver);
  painter_->drawImage(dest.normalized(), image);
  painter_->restore();
}

// ---- Regions and paths -----------------------------------------------------------------------------------

void TRECanvas::PushRegion(const QPainterPath& region) { regions_.push_back(region); }

void TRECanvas::SelectClipRegion() {
  CheckActive();
  if (!regions_.empty()) painter_->setClipPath(regions_.back());
}

void TRECanvas::ClearClipRegion() {
  CheckActive();
  painter_->setClipping(false);
}

void TRECanvas::DeleteRegion() {
  if (!regions_.empty()) regions_.pop_back();
}

void TRECanvas::BeginPath() {
  path_ = QPainterPath();
  path_open_ = true;
}

void TRECanvas::EndPath() { path_open_ = false; }

void TRECanvas::SelectClipPath() {
  CheckActive();
  path_open_ = false;
  painter_->setClipPath(path_);
  path_ = QPainterPath();
}

void TRECanvas::StrokePath() {
  path_open_ = false;
  if (Prepare(true, false)) painter_->drawPath(path_);
  path_ = QPainterPath();
}

void TRECanvas::StrokeAndFillPath() {
  path_open_ = false;
  if (Prepare(true, true)) painter_->drawPath(path_);
  path_ = QPainterPath();
}
