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

  // Every output hook performs its operation on Canvas(). Raw printer data cannot be mixed
  // into a painted job and has no way to the printer past the drawing path: OutPrintData and
  // OutPrintDataStream consume the bytes, cancel the job and fail the report with
  // kRawDataRefused rather than lose them without a word.
  REPORT_OUTPUT_HOOK_OVERRIDES

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
