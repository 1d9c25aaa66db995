#include "widgets/SplitterHandle.h"

#include <QPainter>

TSplitterHandle::TSplitterHandle(Qt::Orientation orientation, QSplitter* parent)
    : QSplitterHandle(orientation, parent) {}

void TSplitterHandle::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& pal = palette();
  const QRect r = rect();
  painter.fillRect(r, pal.color(QPalette::Button));
  const QColor light = pal.color(QPalette::Light);
  const QColor dark = pal.color(QPalette::Dark);

  // The bar's own bevel along its long sides. A vertical splitter stacks its
  // panes, so its bar runs horizontally.
  const bool across = orientation() == Qt::Vertical;
  painter.setPen(light);
  if (across)
    painter.drawLine(r.left(), r.top(), r.right(), r.top());
  else
    painter.drawLine(r.left(), r.top(), r.left(), r.bottom());
  painter.setPen(dark);
  if (across)
    painter.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
  else
    painter.drawLine(r.right(), r.top(), r.right(), r.bottom());

  // Grip: a row of small raised dimples, centred.
  constexpr int kDots = 9;
  constexpr int kPitch = 4;
  const int length = kDots * kPitch;
  const int along = across ? r.width() : r.height();
  const int thick = across ? r.height() : r.width();
  if (along < length + 8 || thick < 5) return;
  const int start = (along - length) / 2;
  const int middle = (thick - 2) / 2;
  for (int i = 0; i < kDots; ++i) {
    const int a = start + i * kPitch;
    const QPoint p = across ? QPoint(a, middle) : QPoint(middle, a);
    painter.setPen(light);
    painter.drawPoint(p);
    painter.setPen(dark);
    painter.drawPoint(p + QPoint(1, 1));
  }
}
