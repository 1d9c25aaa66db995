// TRECanvas: a drawing canvas in device pixels over a QPainter, with the drawing state of
// a report canvas: brush, pen (with pen modes), text colour and background, a current
// position for MoveTo/LineTo, a stack of clip regions and a path being recorded.
// Rectangles follow the report convention: right and bottom edges are exclusive.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QString>

#include <vector>

#include "reportengine/ReportTypes.h"

class QPainter;

class TRECanvas {
 public:
  enum THAlign { haLeft, haCenter, haRight };
  enum TVAlign { vaBaseline, vaTop, vaBottom };
  enum TArcKind { arcArc, arcChord, arcPie };

  TRECanvas() = default;
  explicit TRECanvas(QPainter* painter) { SetPainter(painter); }

  // Binds the canvas to a painter (null: no context). Brush, pen and font are kept and
  // applied to the new painter; regions and the path belong to the old context.
  void SetPainter(QPainter* painter);
  QPainter* Painter() const { return painter_; }
  // True when the painter is active.
  bool Active() const;
  // Raises "Error!  Canvas not yet active." unless active.
  void CheckActive() const;
  // Whether the device combines pixels by raster operations (a raster image does; a PDF
  // or printer device does not).
  bool SupportsRasterOps() const;

  // ---- State -----------------------------------------------------------------------------------------
  const TBrushRecord& Brush() const { return brush_; }
  void SetBrush(const TBrushRecord& brush) { brush_ = brush; }
  const TPenRecord& Pen() const { return pen_; }
  void SetPen(const TPenRecord& pen) { pen_ = pen; }
  const QFont& Font() const { return font_; }
  TColor FontColor() const { return font_color_; }
  void SetFont(const QFont& font, TColor color);
  void SetFontColor(TColor color) { font_color_ = color; }
  // Degrees counter-clockwise.
  void SetFontRotation(int degrees) { rotation_ = degrees; }
  TBKMode BKMode() const { return bk_mode_; }
  void SetBKMode(TBKMode mode) { bk_mode_ = mode; }
  TColor BKColor() const { return bk_color_; }
  void SetBKColor(TColor color) { bk_color_ = color; }
  QPoint PenPos() const { return pen_pos_; }

  // ---- Text --------------------------------------------------------------------------------------------
  // Draws text with its reference point at (x, y): left end, centre or right end, and the
  // baseline, the text top or the text bottom. Returns the advance width in pixels.
  double TextOut(double x, double y, const QString& text, THAlign h, TVAlign v);
  // Advance width of the text in the canvas font, pixels.
  double TextWidth(const QString& text) const;
  // Ascent, descent of the canvas font, pixels.
  double TextAscent() const;
  double TextDescent() const;
  // Text clipped to rect with its top-left at (x, y); the rect is filled with the brush
  // first unless the brush is clear.
  void TextRect(const QRect& rect, int x, int y, const QString& text);

  // ---- Shapes (pixels) ----------------------------------------------------------------------------------
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Rectangle(const QRect& rect);
  void Ellipse(const QRect& rect);
  void RoundRect(const QRect& rect, int corner_width, int corner_height);
  void ArcShape(TArcKind kind, const QRect& box, const QPoint& start, const QPoint& end);
  void Polygon(const QPolygon& points);
  void Polyline(const QPolygon& points);
  // Fills with the brush, no outline.
  void FillRect(const QRect& rect);
  // Frames with the brush colour, one pixel wide.
  void FrameRect(const QRect& rect);
  // A dotted rectangle, inverted where the device allows.
  void DrawFocusRect(const QRect& rect);
  // fill_style 0: the area bounded by `color`; 1: the area of that colour. Raster images
  // only; other devices ignore it.
  void FloodFill(int x, int y, TColor color, int fill_style);
  // Copies the source part of the bitmap into dest, pixels of `color` becoming the brush.
  void BrushCopy(const QRect& dest, const QImage& bitmap, const QRect& source, TColor color);
  void CopyRect(const QRect& dest, const QImage& image, const QRect& source);
  // The image scaled into dest; `combine` ANDs it with the page where the device allows.
  void DrawImage(const QRect& dest, const QImage& image, bool combine = false);

  // ---- Clip regions and paths -------------------------------------------------------------------------
  void PushRegion(const QPainterPath& region);
  void SelectClipRegion();
  void ClearClipRegion();
  void DeleteRegion();
  int RegionCount() const { return static_cast<int>(regions_.size()); }
  // Between BeginPath and EndPath shapes and lines add to the path instead of drawing.
  void BeginPath();
  void EndPath();
  void SelectClipPath();
  void StrokePath();
  void StrokeAndFillPath();

 private:
  // Sets pen, brush and composition mode on the painter for a shape; false when the pen
  // mode draws nothing.
  bool Prepare(bool with_pen, bool with_brush);
  QPen MakePen() const;
  QBrush MakeBrush() const;

  QPainter* painter_ = nullptr;
  TBrushRecord brush_;
  TPenRecord pen_;
  QFont font_;
  TColor font_color_ = clBlack;
  int rotation_ = 0;
  TBKMode bk_mode_ = bkTransparent;
  TColor bk_color_ = clWhite;
  QPoint pen_pos_;
  std::vector<QPainterPath> regions_;
  bool path_open_ = false;
  QPainterPath path_;
};
