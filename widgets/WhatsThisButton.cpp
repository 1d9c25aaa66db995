#include "widgets/WhatsThisButton.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "widgets/WhatsThisPopup.h"

TWhatsThisButton::TWhatsThisButton(QWidget* parent) : QToolButton(parent) {
  setIcon(Glyph(16));
  setIconSize(QSize(16, 16));
  setToolButtonStyle(Qt::ToolButtonIconOnly);
  setFocusPolicy(Qt::TabFocus);
  setAccessibleName(QStringLiteral("What's this?"));
  connect(this, &QToolButton::clicked, this, [] { TWhatsThisPopup::EnterWhatsThisMode(); });
}

QIcon TWhatsThisButton::Glyph(int size) {
  // Drawn on a 16-unit grid and scaled: a pointer arrow on the left, a
  // question mark on the right.
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 16.0, size / 16.0);

  QPainterPath arrow;
  arrow.moveTo(1, 1);
  arrow.lineTo(1, 12);
  arrow.lineTo(3.6, 9.6);
  arrow.lineTo(5.4, 13.6);
  arrow.lineTo(7, 12.9);
  arrow.lineTo(5.2, 9);
  arrow.lineTo(8.5, 9);
  arrow.closeSubpath();
  painter.setPen(QPen(Qt::black, 0.9));
  painter.setBrush(Qt::white);
  painter.drawPath(arrow);

  QFont font(QStringLiteral("Arial"));
  font.setBold(true);
  font.setPixelSize(11);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(QRectF(8.5, 2, 7.5, 12), Qt::AlignCenter, QStringLiteral("?"));
  painter.end();
  return QIcon(pixmap);
}
