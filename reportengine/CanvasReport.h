// TCanvasReport: a report that performs every operation on a device canvas (a TRECanvas
// over a QPainter). By default the canvas, geometry and font metrics are the printer
// device's; descendants that draw elsewhere (an image) override Canvas(), DeviceGeometry()
// and MetricsDevice().
#pragma once

#include "reportengine/BaseReport.h"
#include "reportengine/RECanvas.h"

class TCanvasReport : public TBaseReport {
 public:
  using TBaseReport::TBaseReport;

 protected:
  // The canvas drawn on. Default: the printer device's canvas.
  virtual TRECanvas& Canvas();

  TPageGeometry DeviceGeometry() override;
  QPaintDevice* MetricsDevice() override;
  void OrientationChanged() override;

  void OutText(TTextAlign align, const QString& text, double x, double line_y) override;
  void OutBlock(const QString& text, double x, double line_y, double width) override;
  void OutArc(TArcKind kind, double x1, double y1, double x2, double y2, double x3, double y3,
              double x4, double y4) override;
  void OutEllipse(double x1, double y1, double x2, double y2) override;
  void OutRectangle(double x1, double y1, double x2, double y2) override;
  void OutTabRectangle(double x1, double y1, double x2, double y2) override;
  void OutRoundRect(double x1, double y1, double x2, double y2, double w, double h) override;
  void OutMoveTo(double x, double y) override;
  void OutLineTo(double x, double y) override;
  void OutPolygon(const QPolygon& points) override;
  void OutPolyline(const QPolygon& points) override;
  void OutFillRect(const QRect& rect) override;
  void OutFrameRect(const QRect& rect) override;
  void OutDrawFocusRect(const QRect& rect) override;
  void OutFloodFill(double x, double y, TColor color, int fill_style) override;
  void OutBrushCopy(const QRect& dest, const QImage& bitmap, const QRect& source,
                    TColor color) override;
  void OutCopyRect(const QRect& dest, const QImage& source, const QRect& source_rect) override;
  void OutDraw(double x, double y, const QImage& graphic) override;
  void OutStretchDraw(const QRect& rect, const QImage& graphic) override;
  void OutTextRect(const QRect& rect, double x, double y, const QString& text) override;
  void OutPrintBitmap(double x, double y, double scale_x, double scale_y,
                      const QImage& bitmap) override;
  void OutPrintBitmapRect(double x1, double y1, double x2, double y2,
                          const QImage& bitmap) override;
  void OutCreateRectRegion(double x1, double y1, double x2, double y2) override;
  void OutCreateRoundRectRegion(double x1, double y1, double x2, double y2, double w,
                                double h) override;
  void OutCreateEllipticRegion(double x1, double y1, double x2, double y2) override;
  void OutCreatePolygonRegion(const QPolygon& points) override;
  void OutSelectClipRegion() override;
  void OutClearClipRegion() override;
  void OutDeleteRegion() override;
  void OutBeginPath() override;
  void OutEndPath() override;
  void OutSelectClipPath() override;
  void OutStrokePath() override;
  void OutStrokeAndFillPath() override;
  // Raw printer data cannot be mixed into a painted job: the bytes are consumed and dropped.
  // Raw bytes have no way to the printer past the drawing path: the job is cancelled and
  // the report fails with kRawDataRefused rather than lose them without a word.
  void OutPrintData(const QByteArray& data) override;
  void OutPrintDataStream(QIODevice& stream, qint64 count) override;
  bool OutSelectBin(const QString& name) override;

  // The box of two page-inch corners in device pixels (right and bottom exclusive).
  QRect DeviceBox(double x1, double y1, double x2, double y2) const;
  // A page-inch size in device pixels, horizontally and vertically.
  int XSize(double inches) const;
  int YSize(double inches) const;

 private:
  // Gives the canvas the report's brush, pen and background.
  TRECanvas& Synced();
  // The realized font and its colour into the canvas; returns the text reference Y (pixels)
  // and its vertical alignment for a line at line_y. In the preview a baseline is raised
  // where a pixel below it would take the descenders past the recorded line bottom.
  double SelectTextFont(double line_y, TRECanvas::TVAlign& align);
};
