#include "widgets/MagnifyCursor.h"

#include <QPainter>
#include <QPixmap>

QCursor MagnifyCursor() {
  constexpr int kSize = 32;
  QPixmap picture(kSize, kSize);
  picture.fill(Qt::transparent);
  {
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    // The handle, then the rim over a light lens, each with a white edge so that the
    // pointer shows on dark and light ground alike.
    p.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19, 19), QPointF(28, 28));
    p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19, 19), QPointF(28, 28));
    p.setBrush(QColor(255, 255, 255, 200));
    p.setPen(QPen(Qt::white, 4));
    p.drawEllipse(QPointF(12, 12), 9, 9);
    p.setPen(QPen(Qt::black, 2));
    p.drawEllipse(QPointF(12, 12), 9, 9);
  }
  return QCursor(picture, 12, 12);
}
