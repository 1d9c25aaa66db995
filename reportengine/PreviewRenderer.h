// TPreviewRenderer: draws one page of a report file at a time into an image, at a chosen
// zoom, with an optional drop shadow, rulers and grid. It is a TFilePrinter whose device is
// an off-screen bitmap: each page is painted whole into the bitmap (background, shadow,
// rulers, white paper, grid, then the recorded commands). Nothing of a previous page is
// kept. It needs no window: a view that shows the page (TFilePreview in reportengine/ui)
// derives from it and gives its size through ViewMetrics.
#pragma once

#include <QImage>
#include <QPen>

#include <functional>

#include "reportengine/FilePrinter.h"

class QPainter;

// Whether the grey margin around the page keeps its size or scales with the zoom.
enum TMarginMethod { mmFixed, mmScaled };
enum TRulerType { rtNone, rtHorizCm, rtVertCm, rtBothCm, rtHorizIn, rtVertIn, rtBothIn };

class TPreviewRenderer : public TFilePrinter {
 public:
  using TPreviewEvent = std::function<void(TPreviewRenderer&)>;

  static constexpr double kMinZoom = 10;
  static constexpr double kMaxZoom = 200;
  // The most memory one page image may take; larger pages are drawn at a lower zoom.
  static constexpr double kMaxPageImageBytes = 256.0 * 1024 * 1024;
  static constexpr int kRulerSize = 20;

  // The view's measurements the fitted zooms need, pixels.
  struct TViewMetrics {
    int Width = 0, Height = 0;
    int HBarHeight = 0, VBarWidth = 0;
    // Both sides of the frame together.
    int BorderX = 0, BorderY = 0;
  };

  explicit TPreviewRenderer(QObject* owner = nullptr);
  // An active preview is finished first.
  ~TPreviewRenderer() override;

  TOutputKind OutputKind() const override { return okPreview; }

  // ---- Properties
  int ZoomInc() const { return zoom_inc_; }
  void SetZoomInc(int points) { zoom_inc_ = points; }
  // Percent, 10 to 200. v <= -1.9 selects ZoomPageWidthFactor, -1.9 < v < 0 ZoomPageFactor,
  // 0 <= v < 10 gives 10, v > 200 gives 200. Then OnZoomChange fires; without a handler an
  // active preview redraws its page at once.
  double ZoomFactor() const { return zoom_factor_; }
  void SetZoomFactor(double value);
  bool Monochrome() const { return monochrome_; }
  // Refused with a message while ShadowDepth > 0.
  void SetMonochrome(bool on);
  TMarginMethod MarginMethod() const { return margin_method_; }
  void SetMarginMethod(TMarginMethod method) { margin_method_ = method; }
  // Margin around the page, percent of the page width.
  double MarginPercent() const { return margin_percent_; }
  void SetMarginPercent(double percent) { margin_percent_ = percent; }
  TRulerType RulerType() const { return ruler_type_; }
  void SetRulerType(TRulerType type) { ruler_type_ = type; }
  const QPen& GridPen() const { return grid_pen_; }
  void SetGridPen(const QPen& pen) { grid_pen_ = pen; }
  // Grid spacing in inches; 0 for none.
  double GridHoriz() const { return grid_horiz_; }
  void SetGridHoriz(double inches) { grid_horiz_ = inches; }
  double GridVert() const { return grid_vert_; }
  void SetGridVert(double inches) { grid_vert_ = inches; }
  int ShadowDepth() const { return shadow_depth_; }
  // Refused with a message while Monochrome is set.
  void SetShadowDepth(int pixels);
  // Kept for layouts of several pages; one page is shown.
  int PagesWide() const { return pages_wide_; }
  void SetPagesWide(int pages) { pages_wide_ = pages; }
  int PagesHigh() const { return pages_high_; }
  void SetPagesHigh(int pages) { pages_high_ = pages; }
  int PageInc() const { return page_inc_; }
  void SetPageInc(int pages) { page_inc_ = pages; }
  // Screen resolution used instead of the view's (0: the view's). For tools and tests that
  // need a fixed one.
  void SetScreenResolution(double xdpi, double ydpi) {
    fixed_xdpi_ = xdpi;
    fixed_ydpi_ = ydpi;
  }
  double ScreenXDPI() const { return xdpi_; }
  double ScreenYDPI() const { return ydpi_; }

  TPreviewEvent OnZoomChange;
  TPreviewEvent OnPageChange;

  // ---- Lifecycle
  // A preview needs a view to start: without one raises "ScrollBox must be assigned for
  // FilePreview component" (TFilePreview starts on its scroll box).
  void Start() override;
  // Same as Start.
  void Execute() override;
  // Opens the input for PaintPage without a view; `xdpi` and `ydpi` are the resolution at
  // 100 %. Refused while active.
  void StartOffscreen(double xdpi, double ydpi);
  // Requires an active preview; frees the bitmap and closes the input (the stream stays the
  // caller's in mode smUser).
  void Finish() override;
  bool Active() const { return active_; }

  // ---- Pages
  // Draws that page (the seek stops at the last page); only while active. A view shows it.
  virtual void PrintPage(int page);
  // Current page + PageInc when the current page has a next link.
  void NextPage();
  // Current page - PageInc when the current page has a previous link.
  void PrevPage();
  void RedrawPage();
  void ZoomIn() { SetZoomFactor(zoom_factor_ + zoom_inc_); }
  void ZoomOut() { SetZoomFactor(zoom_factor_ - zoom_inc_); }
  // The zoom (percent) that fits the page width, or the whole page, into the view (100
  // without one).
  double ZoomPageWidthFactor();
  double ZoomPageFactor();
  // Paints page `page` into a new bitmap at the current zoom and returns it. Only while
  // active.
  QImage PaintPage(int page);
  // Bytes of the page image of the current page at `zoom`, rulers and shadow included.
  double PageImageBytes(double zoom) const;

  // ---- State for the view
  const QImage& Bitmap() const { return bitmap_; }
  // Left ruler width and top ruler height of the last page drawn.
  int RulerLeft() const { return ruler_left_; }
  int RulerTop() const { return ruler_top_; }
  // The grey margin of the last page drawn, pixels.
  int Margin() const { return margin_; }

 protected:
  void PageChanging() override;
  void DeviceNames(QString& device, QString& driver, QString& port) const override;
  // The view's measurements; false without a view.
  virtual bool ViewMetrics(TViewMetrics& metrics) const;
  // Becomes active at the view's resolution (the fixed one where set): start time, input
  // opened. Refused while active.
  void Activate(double view_xdpi, double view_ydpi);
  // Inactive again, input closed (after a failed first page).
  void Deactivate();
  void FireZoomChange();

 private:
  void RulerSizes();
  int MarginPixels() const;
  // Lowers the zoom of the current page until its image is within kMaxPageImageBytes.
  void FitZoomToImageBudget();
  void DrawRulers(QPainter& p, int page_w, int page_h);
  void DrawGrid(QPainter& p, int page_w, int page_h);

  int zoom_inc_ = 10;
  double zoom_factor_ = 100;
  bool monochrome_ = false;
  TMarginMethod margin_method_ = mmFixed;
  double margin_percent_ = 0;
  TRulerType ruler_type_ = rtNone;
  QPen grid_pen_{Qt::black, 1, Qt::SolidLine};
  double grid_horiz_ = 0, grid_vert_ = 0;
  int shadow_depth_ = 0;
  int pages_wide_ = 1, pages_high_ = 1, page_inc_ = 1;
  double fixed_xdpi_ = 0, fixed_ydpi_ = 0;

  bool active_ = false;
  double xdpi_ = 96, ydpi_ = 96;
  int ruler_left_ = 0, ruler_top_ = 0;
  int margin_ = 0;
  QImage bitmap_;
};
