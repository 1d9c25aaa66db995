// Helpers of the page model tests: a report that records its output calls, a canvas report
// that paints into an image, and printer lists that tests substitute for the system's.
#pragma once

#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

#include "reportengine/BaseReport.h"
#include "reportengine/CanvasReport.h"
#include "reportengine/REDevice.h"

// A report whose output hooks append one line per call to `log` (positions in page inches
// to 4 decimals), with a page geometry the test chooses.
class RecordingReport : public TBaseReport {
 public:
  std::vector<std::string> log;
  TPageGeometry geometry;  // 300 by 300, 8.5 by 11, no offsets unless changed
  bool refuse_start = false;
  // Brush colour when the last tab rectangle was drawn; pen width of each line drawn.
  TColor rect_brush = 0;
  std::vector<int> line_pen_widths;
  // State change notices received.
  int font_changes = 0;
  int brush_changes = 0;
  int pen_changes = 0;
  int metrics_changes = 0;

  using TBaseReport::SetDeviceOrigin;
  using TBaseReport::SetLineMetrics;
  using TBaseReport::SetZoom;

  static std::string Num(double v) { return QString::number(v, 'f', 4).toStdString(); }

 protected:
  bool CanStart() override { return !refuse_start; }
  void DeviceBeginDoc() override { log.push_back("begin"); }
  void DeviceStartPage() override { log.push_back("startpage " + std::to_string(CurrentPage())); }
  void DeviceEndPage() override { log.push_back("endpage " + std::to_string(CurrentPage())); }
  void DeviceEndDoc() override { log.push_back(Aborted() ? "enddoc aborted" : "enddoc"); }
  TPageGeometry DeviceGeometry() override { return geometry; }
  void FontChanged() override { ++font_changes; }
  void BrushChanged() override { ++brush_changes; }
  void PenChanged() override { ++pen_changes; }
  void LineMetricsChanged() override { ++metrics_changes; }
  void OutText(TTextAlign align, const QString& text, double x, double y) override {
    const char* kind = align == taLeft ? "left" : align == taCenter ? "center" : "right";
    log.push_back(std::string("text ") + kind + " " + text.toStdString() + " " + Num(x) + " " +
                  Num(y));
  }
  void OutBlock(const QString& text, double x, double y, double width) override {
    log.push_back("block " + text.toStdString() + " " + Num(x) + " " + Num(y) + " " +
                  Num(width));
  }
  void OutTabRectangle(double x1, double y1, double x2, double y2) override {
    rect_brush = Brush().Color;
    log.push_back("tabrect " + Num(x1) + " " + Num(y1) + " " + Num(x2) + " " + Num(y2));
  }
  void OutMoveTo(double x, double y) override { log.push_back("move " + Num(x) + " " + Num(y)); }
  void OutLineTo(double x, double y) override {
    line_pen_widths.push_back(Pen().Width);
    log.push_back("line " + Num(x) + " " + Num(y));
  }
  void OutRectangle(double x1, double y1, double x2, double y2) override {
    log.push_back("rect " + Num(x1) + " " + Num(y1) + " " + Num(x2) + " " + Num(y2));
  }
  void OutCreateRectRegion(double, double, double, double) override { log.push_back("region"); }
  void OutDeleteRegion() override { log.push_back("deleteregion"); }
  void OutSelectClipRegion() override { log.push_back("selectclip"); }
};

// A canvas report painting into a white image of the whole page at `dpi` pixels per inch.
class ImageReport : public TCanvasReport {
 public:
  explicit ImageReport(int dpi = 100) : dpi_(dpi) {
    image = QImage(static_cast<int>(8.5 * dpi), 11 * dpi, QImage::Format_RGB32);
    image.setDotsPerMeterX(static_cast<int>(dpi / 0.0254 + 0.5));
    image.setDotsPerMeterY(static_cast<int>(dpi / 0.0254 + 0.5));
    image.fill(Qt::white);
  }
  QImage image;

  // Columns [first, last] holding a pixel darker than `threshold` in rows [top, bottom].
  bool DarkColumns(int top, int bottom, int& first, int& last, int threshold = 128) const {
    first = -1;
    last = -1;
    for (int x = 0; x < image.width(); ++x) {
      for (int y = std::max(0, top); y <= std::min(bottom, image.height() - 1); ++y) {
        if (qGray(image.pixel(x, y)) < threshold) {
          if (first < 0) first = x;
          last = x;
          break;
        }
      }
    }
    return first >= 0;
  }

 protected:
  TRECanvas& Canvas() override { return canvas_; }
  TPageGeometry DeviceGeometry() override {
    TPageGeometry g;
    g.XDPI = g.YDPI = dpi_;
    return g;
  }
  QPaintDevice* MetricsDevice() override { return &image; }
  void DeviceBeginDoc() override {
    painter_.begin(&image);
    canvas_.SetPainter(&painter_);
  }
  void DeviceEndDoc() override {
    canvas_.SetPainter(nullptr);
    painter_.end();
  }

 private:
  int dpi_;
  QPainter painter_;
  TRECanvas canvas_;
};

// While alive, the printer device lists the given printers (none by default).
class FakePrinters {
 public:
  explicit FakePrinters(std::vector<TREDeviceItem> items = {}, QString default_device = {},
                        QStringList bins = {}) {
    TPrinterSource source;
    source.List = [items] { return items; };
    source.DefaultDevice = [default_device] { return default_device; };
    source.Bins = [bins](const QString&) { return bins; };
    source.MaxCopies = [](const QString&) { return 0; };
    TREDevice::Instance().SetPrinterSource(source);
  }
  ~FakePrinters() { TREDevice::Instance().SetPrinterSource(TREDevice::SystemPrinterSource()); }
  FakePrinters(const FakePrinters&) = delete;
  FakePrinters& operator=(const FakePrinters&) = delete;
};
