#include "reportengine/ui/FilePreview.h"

#include <QApplication>
#include <QScrollBar>
#include <QStyle>

#include "reportengine/ReportError.h"
#include "reportengine/WaitCursor.h"

namespace {

constexpr const char* kNoScrollBox = "ScrollBox must be assigned for FilePreview component";

}  // namespace

TFilePreview::TFilePreview(QObject* owner) : TPreviewRenderer(owner) {}

TFilePreview::~TFilePreview() {
  if (Active()) {
    try {
      Finish();
    } catch (...) {
      // Nothing more can be done for a preview that is going away.
    }
  }
  delete image_.data();
  delete desk_.data();
}

void TFilePreview::MeasureScrollBox() {
  QScrollArea* box = scroll_box_;
  const int extent = box->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, box);
  hbar_height_ = extent;
  vbar_width_ = extent;
  border_x_ = 2 * box->frameWidth();
  border_y_ = 2 * box->frameWidth();
}

bool TFilePreview::ViewMetrics(TViewMetrics& metrics) const {
  if (!scroll_box_) return false;
  metrics.Width = scroll_box_->width();
  metrics.Height = scroll_box_->height();
  metrics.HBarHeight = hbar_height_;
  metrics.VBarWidth = vbar_width_;
  metrics.BorderX = border_x_;
  metrics.BorderY = border_y_;
  return true;
}

void TFilePreview::Start() {
  if (Active()) throw EReportError(report_messages::kAlreadyPrinting);
  if (!scroll_box_) throw EReportError(kNoScrollBox);
  FireZoomChange();
  MeasureScrollBox();
  // A fresh image control on a fresh desk; the previous run's go.
  delete image_.data();
  delete desk_.data();
  auto* desk = new QWidget;
  desk->setObjectName(QStringLiteral("PreviewDesk"));
  desk->setAutoFillBackground(false);
  auto* image = new QLabel(desk);
  image->setObjectName(QStringLiteral("PreviewImage"));
  image->setGeometry(0, 0, 100, 100);
  image->setCursor(scroll_box_->cursor());
  desk->resize(100, 100);
  scroll_box_->setWidgetResizable(false);
  delete scroll_box_->takeWidget();
  scroll_box_->setWidget(desk);
  desk_ = desk;
  image_ = image;
  Activate(image->logicalDpiX(), image->logicalDpiY());
  try {
    PrintPage(1);
  } catch (...) {
    Deactivate();
    throw;
  }
}

void TFilePreview::PrintPage(int page) {
  if (!Active()) return;
  const WaitCursor wait;
  QScrollBar* hbar = scroll_box_ ? scroll_box_->horizontalScrollBar() : nullptr;
  QScrollBar* vbar = scroll_box_ ? scroll_box_->verticalScrollBar() : nullptr;
  const int h_pos = hbar ? hbar->value() : 0;
  const int v_pos = vbar ? vbar->value() : 0;
  if (hbar) hbar->setValue(0);
  if (vbar) vbar->setValue(0);
  PaintPage(page);
  ShowBitmap();
  if (hbar) hbar->setValue(h_pos);
  if (vbar) vbar->setValue(v_pos);
}

void TFilePreview::ShowBitmap() {
  if (!image_ || !desk_) return;
  const int m = Margin();
  const QImage& bitmap = Bitmap();
  image_->setPixmap(QPixmap::fromImage(bitmap));
  image_->setGeometry(m, m, bitmap.width(), bitmap.height());
  // The desk's size gives the scroll ranges: the bitmap and its margin on both sides.
  desk_->resize(bitmap.width() + 2 * m, bitmap.height() + 2 * m);
}
