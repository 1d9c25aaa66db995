#include "widgets/Gauge.h"

#include <QPainter>
#include <algorithm>

TGauge::TGauge(QWidget* parent) : QWidget(parent) {
  foreColor_ = palette().color(QPalette::Highlight);
  backColor_ = palette().color(QPalette::Base);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TGauge::SetRange(int minValue, int maxValue) {
  minValue_ = minValue;
  maxValue_ = std::max(minValue, maxValue);
  progress_ = std::clamp(progress_, minValue_, maxValue_);
  update();
}

void TGauge::SetProgress(int value) {
  value = std::clamp(value, minValue_, maxValue_);
  if (value == progress_) return;
  progress_ = value;
  update();
}

int TGauge::PercentDone() const {
  const qint64 span = static_cast<qint64>(maxValue_) - minValue_;
  if (span <= 0) return 0;
  // 64-bit so that wide ranges cannot overflow the product.
  return static_cast<int>((static_cast<qint64>(progress_) - minValue_) * 100 / span);
}

QString TGauge::Text() const { return QString::number(PercentDone()) + QLatin1Char('%'); }

void TGauge::SetShowText(bool show) {
  showText_ = show;
  update();
}

void TGauge::SetForeColor(const QColor& color) {
  foreColor_ = color;
  update();
}

void TGauge::SetBackColor(const QColor& color) {
  backColor_ = color;
  update();
}

QSize TGauge::sizeHint() const { return {200, fontMetrics().height() + 8}; }

void TGauge::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QRect inner = rect();
  // Sunken frame: shadow on the top and left, light on the bottom and right.
  const QPalette& pal = palette();
  painter.setPen(pal.color(QPalette::Dark));
  painter.drawLine(inner.topLeft(), inner.topRight());
  painter.drawLine(inner.topLeft(), inner.bottomLeft());
  painter.setPen(pal.color(QPalette::Light));
  painter.drawLine(inner.bottomLeft(), inner.bottomRight());
  painter.drawLine(inner.topRight(), inner.bottomRight());
  inner.adjust(1, 1, -1, -1);
  if (inner.isEmpty()) return;

  painter.fillRect(inner, backColor_);
  const qint64 span = static_cast<qint64>(maxValue_) - minValue_;
  const int filled =
      span <= 0 ? 0 : static_cast<int>((static_cast<qint64>(progress_) - minValue_) * inner.width() / span);
  QRect bar = inner;
  bar.setWidth(filled);
  if (filled > 0) painter.fillRect(bar, foreColor_);
  if (!showText_) return;

  const QString text = Text();
  painter.setFont(font());
  QRect rest = inner;
  rest.setLeft(inner.left() + filled);
  painter.setClipRect(rest);
  painter.setPen(foreColor_);
  painter.drawText(inner, Qt::AlignCenter, text);
  if (filled > 0) {
    painter.setClipRect(bar);
    painter.setPen(backColor_);
    painter.drawText(inner, Qt::AlignCenter, text);
  }
}
