#include "reportengine/PreviewRenderer.h"

#include <QPainter>

#include <cmath>

#include "reportengine/ReportError.h"

namespace {

constexpr const char* kNoScrollBox = "ScrollBox must be assigned for FilePreview component";
constexpr const char* kNoMonochrome =
    "Monochrome not allowed while shadows are in effect.\rChange ShadowDepth to 0 first";
constexpr const char* kNoShadows = "Shadows not allowed while monochrome in effect.\rChange Monochrome to false first";

// Colours of the rulers, the corner square and the desk.
const QColor kRulerColor(255, 255, 128);
const QColor kSilver(192, 192, 192);

}  // namespace

TPreviewRenderer::TPreviewRenderer(QObject* owner) : TFilePrinter(owner) { SetStreamMode(smMemory); }

TPreviewRenderer::~TPreviewRenderer() {
  if (active_) {
    try {
      Finish();
    } catch (...) {
      // Nothing more can be done for a preview that is going away.
    }
  }
}

void TPreviewRenderer::DeviceNames(QString& device, QString& driver, QString& port) const {
  device = QStringLiteral("Preview");
  driver = QStringLiteral("Preview");
  port = QStringLiteral("Screen");
}

// ---- properties

void TPreviewRenderer::SetZoomFactor(double value) {
  if (value <= -1.9) {
    value = ZoomPageWidthFactor();
  } else if (value < 0) {
    value = ZoomPageFactor();
  }
  zoom_factor_ = std::clamp(value, kMinZoom, kMaxZoom);
  FireZoomChange();
}

void TPreviewRenderer::FireZoomChange() {
  if (OnZoomChange) {
    OnZoomChange(*this);
  } else if (active_) {
    RedrawPage();
  }
}

void TPreviewRenderer::SetMonochrome(bool on) {
  if (on && shadow_depth_ > 0) {
    ReportErrorBox(QString::fromLatin1(kNoMonochrome));
    return;
  }
  monochrome_ = on;
}

void TPreviewRenderer::SetShadowDepth(int pixels) {
  if (pixels > 0 && monochrome_) {
    ReportErrorBox(QString::fromLatin1(kNoShadows));
    return;
  }
  shadow_depth_ = std::max(0, pixels);
}

// ---- lifecycle

void TPreviewRenderer::Execute() { Start(); }

void TPreviewRenderer::Start() {
  if (active_) throw EReportError(report_messages::kAlreadyPrinting);
  throw EReportError(kNoScrollBox);
}

bool TPreviewRenderer::ViewMetrics(TViewMetrics&) const { return false; }

void TPreviewRenderer::Activate(double view_xdpi, double view_ydpi) {
  if (active_) throw EReportError(report_messages::kAlreadyPrinting);
  xdpi_ = fixed_xdpi_ > 0 ? fixed_xdpi_ : view_xdpi;
  ydpi_ = fixed_ydpi_ > 0 ? fixed_ydpi_ : view_ydpi;
  SetStartDateTime(QDateTime::currentDateTime());
  OpenInput();
  active_ = true;
}

void TPreviewRenderer::Deactivate() {
  active_ = false;
  CloseInput();
}

void TPreviewRenderer::StartOffscreen(double xdpi, double ydpi) {
  if (active_) throw EReportError(report_messages::kAlreadyPrinting);
  xdpi_ = xdpi > 0 ? xdpi : 96;
  ydpi_ = ydpi > 0 ? ydpi : 96;
  SetStartDateTime(QDateTime::currentDateTime());
  OpenInput();
  active_ = true;
}

void TPreviewRenderer::Finish() {
  if (!active_) throw EReportError(report_messages::kNotPrinting);
  active_ = false;
  bitmap_ = QImage();
  CloseInput();
}

// ---- zoom arithmetic

double TPreviewRenderer::ZoomPageWidthFactor() {
  TViewMetrics view;
  if (!ViewMetrics(view)) return 100;
  RulerSizes();
  const double w = view.Width - shadow_depth_ - ruler_left_;
  const double h = view.Height;
  const double page_w = FilePageWidth() > 0 ? FilePageWidth() : 8.5;
  const double page_h = FilePageHeight() > 0 ? FilePageHeight() : 11;
  const double p = xdpi_ * page_w;
  const auto fit = [&](double width) {
    double z = 0;
    double m = 0;
    if (margin_method_ == mmFixed) {
      m = std::round(p * margin_percent_ / 100);
      z = (width - (view.BorderX + 2 * m)) / p;
    } else {
      z = (width - view.BorderX) / (p * (1 + margin_percent_ * 0.02));
      m = std::round(p * margin_percent_ / 100 * z);
    }
    return std::pair(z, m);
  };
  auto [z, m] = fit(w);
  if (h - shadow_depth_ - ruler_top_ - view.BorderY < z * ydpi_ * page_h + 2 * m) z = fit(w - view.VBarWidth).first;
  return z * 100;
}

double TPreviewRenderer::ZoomPageFactor() {
  TViewMetrics view;
  if (!ViewMetrics(view)) return 100;
  RulerSizes();
  const double a = view.Width - shadow_depth_ - ruler_left_ - 4;
  const double b = view.Height - shadow_depth_ - ruler_top_ - 4;
  const double page_w = FilePageWidth() > 0 ? FilePageWidth() : 8.5;
  const double page_h = FilePageHeight() > 0 ? FilePageHeight() : 11;
  const double e = xdpi_ * page_w;
  double zx = 0, zy = 0;
  if (margin_method_ == mmFixed) {
    const double m = std::round(e * margin_percent_ / 100);
    zx = (a - 2 * m) / e;
    zy = (b - 2 * m) / (ydpi_ * page_h);
  } else {
    zx = a / (e * (1 + margin_percent_ * 0.02));
    zy = b / (ydpi_ * page_h + e * margin_percent_ * 0.02);
  }
  return std::min(zx, zy) * 100;
}

// ---- pages

void TPreviewRenderer::PageChanging() {
  if (OnPageChange) OnPageChange(*this);
}

void TPreviewRenderer::PrintPage(int page) {
  if (active_) PaintPage(page);
}

void TPreviewRenderer::NextPage() {
  if (!active_ || NextLink() <= 0 || FilePage() >= PageCount()) return;
  PrintPage(FilePage() + page_inc_);
}

void TPreviewRenderer::PrevPage() {
  if (!active_ || PreviousLink() <= 0 || FilePage() <= 1) return;
  PrintPage(FilePage() - page_inc_);
}

void TPreviewRenderer::RedrawPage() {
  if (active_) PrintPage(FilePage());
}

void TPreviewRenderer::RulerSizes() {
  const bool vert = ruler_type_ == rtVertCm || ruler_type_ == rtBothCm || ruler_type_ == rtVertIn ||
                    ruler_type_ == rtBothIn;
  const bool horiz = ruler_type_ == rtHorizCm || ruler_type_ == rtBothCm || ruler_type_ == rtHorizIn ||
                     ruler_type_ == rtBothIn;
  ruler_left_ = vert ? kRulerSize : 0;
  ruler_top_ = horiz ? kRulerSize : 0;
}

int TPreviewRenderer::MarginPixels() const {
  const double m = xdpi_ * FilePageWidth() * margin_percent_ / 100;
  return static_cast<int>(std::lround(margin_method_ == mmFixed ? m : m * zoom_factor_ / 100));
}

double TPreviewRenderer::PageImageBytes(double zoom) const {
  const double w = xdpi_ * FilePageWidth() * zoom / 100 + shadow_depth_ + ruler_left_ + 1;
  const double h = ydpi_ * FilePageHeight() * zoom / 100 + shadow_depth_ + ruler_top_ + 1;
  return w * h * 4;
}

void TPreviewRenderer::FitZoomToImageBudget() {
  // A report file may name pages up to 100 inches a side: at a high zoom that is an image
  // of gigabytes. Beyond the budget the page is drawn at the largest zoom that fits (the
  // image's area goes with the square of the zoom), and the page change is announced again
  // so that a caption showing the zoom shows the one drawn.
  if (PageImageBytes(zoom_factor_) <= kMaxPageImageBytes) return;
  double zoom = zoom_factor_ * std::sqrt(kMaxPageImageBytes / PageImageBytes(zoom_factor_));
  while (zoom > 1 && PageImageBytes(zoom) > kMaxPageImageBytes) zoom -= 1;
  zoom_factor_ = std::floor(std::max(zoom, 1.0));
  PageChanging();
}

QImage TPreviewRenderer::PaintPage(int page) {
  if (!active_) return QImage();
  if (monochrome_) shadow_depth_ = 0;
  RulerSizes();
  // The seek reads the page's size from its header before the bitmap is made.
  if (!GotoPage(page)) return QImage();
  FitZoomToImageBudget();
  margin_ = MarginPixels();
  const int s = shadow_depth_;
  const int page_w = static_cast<int>(std::lround(xdpi_ * FilePageWidth() * zoom_factor_ / 100));
  const int page_h = static_cast<int>(std::lround(ydpi_ * FilePageHeight() * zoom_factor_ / 100));
  const int width = std::max(1, page_w + s + ruler_left_);
  const int height = std::max(1, page_h + s + ruler_top_);
  QImage bitmap(width, height, QImage::Format_RGB32);
  bitmap.setDotsPerMeterX(static_cast<int>(std::lround(xdpi_ / 0.0254)));
  bitmap.setDotsPerMeterY(static_cast<int>(std::lround(ydpi_ / 0.0254)));
  const QColor face = ColorToQColor(clBtnFace);
  bitmap.fill(face);
  {
    QPainter p(&bitmap);
    const int left = ruler_left_, top = ruler_top_;
    if (s > 0) {
      p.fillRect(left + page_w, top + s, s, page_h, Qt::black);
      p.fillRect(left + s, top + page_h, page_w, s, Qt::black);
      p.fillRect(left + page_w, top, s, s, face);
      p.fillRect(left, top + page_h, s, s, face);
    }
    DrawRulers(p, page_w, page_h);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(left, top, page_w - 1, page_h - 1);
    DrawGrid(p, page_w, page_h);
    p.setBrush(Qt::NoBrush);
    PlayOpenPage(FilePage(), p, xdpi_, ydpi_, zoom_factor_, QPoint(left, top));
  }
  if (monochrome_) {
    bitmap = bitmap.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither).convertToFormat(QImage::Format_RGB32);
  }
  bitmap_ = bitmap;
  return bitmap_;
}

void TPreviewRenderer::DrawRulers(QPainter& p, int page_w, int page_h) {
  if (ruler_left_ == 0 && ruler_top_ == 0) return;
  const int left = ruler_left_, top = ruler_top_;
  const bool inches = ruler_type_ >= rtHorizIn;
  // Ticks per unit and the tick lengths: every 1/8 inch or every millimetre.
  const int per_label = inches ? 8 : 10;
  const double unit = inches ? 1.0 : 1.0 / 2.54;
  const auto length = [inches, per_label](int i) {
    if (i % per_label == 0) return 18;
    if (inches) return i % 4 == 0 ? 15 : i % 2 == 0 ? 10 : 5;
    return i % 5 == 0 ? 15 : 5;
  };
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(7 * ydpi_ / 72))));
  p.setFont(font);
  const QFontMetrics metrics(font);
  if (left > 0 && top > 0) p.fillRect(0, 0, left, top, kSilver);
  if (top > 0) {
    p.setPen(Qt::black);
    p.setBrush(kRulerColor);
    p.drawRect(left, 0, page_w - 1, top - 1);
    const double spacing = page_w / FilePageWidth() * unit / per_label;
    for (int i = 0;; ++i) {
      const int x = left + static_cast<int>(std::lround(i * spacing));
      if (x > left + page_w - 1 || spacing <= 0) break;
      p.drawLine(x, top - length(i), x, top - 1);
      if (i % per_label == 0 && i > 0) {
        const QString label = QString::number(i / per_label).left(3);
        const int w = metrics.horizontalAdvance(label);
        p.drawText(QRect(x - 1 - w, 0, w, metrics.height()), Qt::AlignRight | Qt::AlignTop, label);
      }
    }
  }
  if (left > 0) {
    p.setPen(Qt::black);
    p.setBrush(kRulerColor);
    p.drawRect(0, top, left - 1, page_h - 1);
    const double spacing = page_h / FilePageHeight() * unit / per_label;
    for (int i = 0;; ++i) {
      const int y = top + static_cast<int>(std::lround(i * spacing));
      if (y > top + page_h - 1 || spacing <= 0) break;
      p.drawLine(left - length(i), y, left - 1, y);
      if (i % per_label == 0 && i > 0) {
        const QString label = QString::number(i / per_label).left(3);
        p.drawText(QRect(2, y - 1 - metrics.height(), left - 2, metrics.height()), Qt::AlignLeft | Qt::AlignBottom,
                   label);
      }
    }
  }
  p.setBrush(Qt::NoBrush);
}

void TPreviewRenderer::DrawGrid(QPainter& p, int page_w, int page_h) {
  const QPen saved = p.pen();
  p.setPen(grid_pen_);
  const int left = ruler_left_, top = ruler_top_;
  if (grid_horiz_ > 0) {
    const double step = ydpi_ * grid_horiz_ * zoom_factor_ / 100;
    for (double y = top + step; step >= 1 && y < top + page_h - 1; y += step) {
      const int yy = static_cast<int>(std::lround(y));
      p.drawLine(left + 1, yy, left + page_w - 2, yy);
    }
  }
  if (grid_vert_ > 0) {
    const double step = xdpi_ * grid_vert_ * zoom_factor_ / 100;
    for (double x = left + step; step >= 1 && x < left + page_w - 1; x += step) {
      const int xx = static_cast<int>(std::lround(x));
      p.drawLine(xx, top + 1, xx, top + page_h - 2);
    }
  }
  p.setPen(saved);
}
