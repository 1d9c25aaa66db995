#include "widgets/Glyphs.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace {

constexpr int kSize = 20;

// Draws on a 20-unit canvas scaled to `size` pixels.
QPixmap Draw(int size, const std::function<void(QPainter&)>& paint) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 20.0, size / 20.0);
  paint(p);
  p.end();
  return pixmap;
}

QIcon Icon(const std::function<void(QPainter&)>& paint) {
  QIcon icon;
  icon.addPixmap(Draw(kSize, paint));
  icon.addPixmap(Draw(kSize * 2, paint));
  return icon;
}

const QColor kInk(40, 40, 40);

// A sheet of paper with a folded top-right corner.
void Sheet(QPainter& p, const QRectF& r) {
  QPainterPath path;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - 4, r.top());
  path.lineTo(r.right(), r.top() + 4);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.setPen(QPen(kInk, 1));
  p.setBrush(Qt::white);
  p.drawPath(path);
  QPainterPath fold;
  fold.moveTo(r.right() - 4, r.top());
  fold.lineTo(r.right() - 4, r.top() + 4);
  fold.lineTo(r.right(), r.top() + 4);
  p.setBrush(QColor(215, 215, 215));
  p.drawPath(fold);
}

void TextLines(QPainter& p, const QRectF& r, int lines) {
  p.setPen(QPen(QColor(120, 140, 170), 1));
  for (int i = 0; i < lines; ++i) {
    const double y = r.top() + 4.5 + i * 2.5;
    p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2.5, y));
  }
}

}  // namespace

QIcon TGlyphs::Edit() {
  return Icon([](QPainter& p) {
    Sheet(p, QRectF(2.5, 2.5, 11, 15));
    TextLines(p, QRectF(2.5, 2.5, 11, 15), 4);
    // A pencil lying across the sheet.
    p.save();
    p.translate(13, 9);
    p.rotate(45);
    p.setPen(QPen(kInk, 0.8));
    p.setBrush(QColor(250, 200, 40));
    p.drawRect(QRectF(-2, -7, 4, 11));
    p.setBrush(QColor(235, 120, 130));
    p.drawRect(QRectF(-2, -9, 4, 2));
    QPainterPath tip;
    tip.moveTo(-2, 4);
    tip.lineTo(2, 4);
    tip.lineTo(0, 8);
    tip.closeSubpath();
    p.setBrush(QColor(240, 215, 170));
    p.drawPath(tip);
    p.restore();
  });
}

QIcon TGlyphs::New() {
  return Icon([](QPainter& p) {
    Sheet(p, QRectF(3.5, 3.5, 12, 15));
    // A spark at the top-left: something new.
    p.setPen(QPen(QColor(200, 140, 0), 1.2));
    const QPointF c(5, 5);
    for (int i = 0; i < 4; ++i) {
      p.save();
      p.translate(c);
      p.rotate(45.0 * i);
      p.drawLine(QPointF(-3.5, 0), QPointF(3.5, 0));
      p.restore();
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 210, 0));
    p.drawEllipse(c, 1.8, 1.8);
  });
}

QIcon TGlyphs::Clone() {
  return Icon([](QPainter& p) {
    Sheet(p, QRectF(2.5, 1.5, 10, 12));
    TextLines(p, QRectF(2.5, 1.5, 10, 12), 3);
    Sheet(p, QRectF(7.5, 6.5, 10, 12));
    TextLines(p, QRectF(7.5, 6.5, 10, 12), 3);
  });
}

QIcon TGlyphs::Delete() {
  return Icon([](QPainter& p) {
    p.setPen(QPen(QColor(120, 0, 0), 4.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 5), QPointF(15, 15));
    p.drawLine(QPointF(15, 5), QPointF(5, 15));
    p.setPen(QPen(QColor(220, 30, 30), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 5), QPointF(15, 15));
    p.drawLine(QPointF(15, 5), QPointF(5, 15));
  });
}

QIcon TGlyphs::Filter() {
  return Icon([](QPainter& p) {
    QPainterPath funnel;
    funnel.moveTo(2.5, 3.5);
    funnel.lineTo(17.5, 3.5);
    funnel.lineTo(11.5, 10.5);
    funnel.lineTo(11.5, 16.5);
    funnel.lineTo(8.5, 18);
    funnel.lineTo(8.5, 10.5);
    funnel.closeSubpath();
    QLinearGradient fill(2, 0, 18, 0);
    fill.setColorAt(0, QColor(90, 150, 220));
    fill.setColorAt(1, QColor(30, 80, 160));
    p.setPen(QPen(QColor(20, 40, 90), 1));
    p.setBrush(fill);
    p.drawPath(funnel);
  });
}

QIcon TGlyphs::Sort() {
  return Icon([](QPainter& p) {
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(8);
    p.setFont(font);
    p.setPen(QColor(20, 40, 120));
    p.drawText(QRectF(1, 0, 9, 10), Qt::AlignCenter, QStringLiteral("A"));
    p.drawText(QRectF(1, 10, 9, 10), Qt::AlignCenter, QStringLiteral("Z"));
    p.setPen(QPen(kInk, 1.4));
    p.drawLine(QPointF(14, 3), QPointF(14, 16));
    QPainterPath head;
    head.moveTo(10.5, 13);
    head.lineTo(17.5, 13);
    head.lineTo(14, 18);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPath(head);
  });
}

QIcon TGlyphs::Done() {
  return Icon([](QPainter& p) {
    QPainterPath tick;
    tick.moveTo(3, 10.5);
    tick.lineTo(8, 15.5);
    tick.lineTo(17, 4.5);
    p.setPen(QPen(QColor(0, 90, 0), 4.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
    p.setPen(QPen(QColor(40, 170, 40), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
  });
}

QIcon TGlyphs::Report() {
  return Icon([](QPainter& p) {
    // Paper going in at the top, a printer body, the printed sheet in front.
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 1.5, 9, 6));
    QLinearGradient body(0, 7, 0, 15);
    body.setColorAt(0, QColor(200, 200, 200));
    body.setColorAt(1, QColor(130, 130, 130));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(1.5, 7.5, 17, 7), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 200, 40));
    p.drawEllipse(QPointF(15.5, 9.8), 0.9, 0.9);
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 12.5, 11, 6));
    p.setPen(QPen(QColor(120, 140, 170), 1));
    p.drawLine(QPointF(6.5, 15), QPointF(13.5, 15));
    p.drawLine(QPointF(6.5, 17), QPointF(11.5, 17));
  });
}

QIcon TGlyphs::Calendar() {
  return Icon([](QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 3.5, 15, 14));
    p.setBrush(QColor(200, 30, 30));
    p.drawRect(QRectF(2.5, 3.5, 15, 4));
    p.setPen(QPen(kInk, 1.4));
    p.drawLine(QPointF(6, 1.5), QPointF(6, 5));
    p.drawLine(QPointF(14, 1.5), QPointF(14, 5));
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 3; ++row) {
      for (int col = 0; col < 4; ++col) {
        p.setBrush(row == 1 && col == 2 ? QColor(200, 30, 30) : QColor(110, 110, 110));
        p.drawRect(QRectF(4.2 + col * 3.2, 9.2 + row * 2.8, 2, 1.8));
      }
    }
  });
}

QIcon TGlyphs::Exit() {
  return Icon([](QPainter& p) {
    // An open door with an arrow leaving through it.
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(235, 235, 235));
    p.drawRect(QRectF(2.5, 2.5, 10, 15));
    QPainterPath door;
    door.moveTo(2.5, 2.5);
    door.lineTo(8.5, 4.5);
    door.lineTo(8.5, 19);
    door.lineTo(2.5, 17.5);
    door.closeSubpath();
    p.setBrush(QColor(160, 100, 40));
    p.drawPath(door);
    p.setPen(QPen(QColor(20, 110, 20), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10.5, 10), QPointF(17, 10));
    QPainterPath head;
    head.moveTo(15, 6.5);
    head.lineTo(19, 10);
    head.lineTo(15, 13.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(20, 110, 20), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(head);
  });
}

QIcon TGlyphs::Help() {
  return Icon([](QPainter& p) {
    QRadialGradient ball(QPointF(8, 7), 10);
    ball.setColorAt(0, QColor(120, 170, 245));
    ball.setColorAt(1, QColor(20, 70, 170));
    p.setPen(QPen(QColor(10, 40, 110), 1));
    p.setBrush(ball);
    p.drawEllipse(QRectF(1.5, 1.5, 17, 17));
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(14);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(1.5, 1.5, 17, 17), Qt::AlignCenter, QStringLiteral("?"));
  });
}

QPixmap TGlyphs::ShowBmp() {
  return Draw(kSize, [](QPainter& p) {
    // An open eye: done tasks will show.
    QPainterPath eye;
    eye.moveTo(1.5, 10);
    eye.quadTo(10, 1.5, 18.5, 10);
    eye.quadTo(10, 18.5, 1.5, 10);
    p.setPen(QPen(kInk, 1.1));
    p.setBrush(Qt::white);
    p.drawPath(eye);
    p.setBrush(QColor(40, 110, 200));
    p.drawEllipse(QPointF(10, 10), 3.6, 3.6);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(10, 10), 1.6, 1.6);
  });
}

QPixmap TGlyphs::HideBmp() {
  return Draw(kSize, [](QPainter& p) {
    // A closed eye under a stroke: done tasks will be hidden.
    QPainterPath lid;
    lid.moveTo(1.5, 9);
    lid.quadTo(10, 16, 18.5, 9);
    p.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(lid);
    for (double x : {5.0, 10.0, 15.0}) p.drawLine(QPointF(x, 12.6), QPointF(x + (x - 10) * 0.15, 15.5));
    p.setPen(QPen(QColor(200, 30, 30), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3, 17), QPointF(17, 3));
  });
}

QPixmap TGlyphs::Program(int size) {
  return Draw(size, [](QPainter& p) {
    // A note pad with ticked lines.
    QLinearGradient paper(0, 2, 0, 19);
    paper.setColorAt(0, QColor(255, 255, 235));
    paper.setColorAt(1, QColor(250, 240, 180));
    p.setPen(QPen(kInk, 0.8));
    p.setBrush(paper);
    p.drawRoundedRect(QRectF(3, 2.5, 14.5, 16.5), 1, 1);
    p.setBrush(QColor(200, 40, 40));
    p.drawRect(QRectF(3, 2.5, 14.5, 3));
    for (int i = 0; i < 4; ++i) {
      const double y = 8.5 + i * 2.7;
      p.setPen(QPen(QColor(30, 140, 30), 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      if (i < 2) {
        QPainterPath tick;
        tick.moveTo(4.8, y);
        tick.lineTo(5.8, y + 1);
        tick.lineTo(7.4, y - 1);
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
      } else {
        p.setPen(QPen(kInk, 0.7));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.8, y - 1, 2, 2));
      }
      p.setPen(QPen(QColor(90, 110, 150), 0.8));
      p.drawLine(QPointF(8.8, y), QPointF(15.8, y));
    }
  });
}
