#include "widgets/PopupHelpWindow.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

TPopupHelpWindow::TPopupHelpWindow(QWidget* parent) : QFrame(parent, Qt::Popup) {
  setAttribute(Qt::WA_DeleteOnClose);
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  setAutoFillBackground(true);
  setMouseTracking(true);
  SetColor(palette().color(QPalette::ToolTipBase));
}

void TPopupHelpWindow::SetColor(const QColor& color) {
  QPalette pal = palette();
  pal.setColor(QPalette::Window, color);
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);
}

void TPopupHelpWindow::SetContent(const QString& text, const QString& linkText, int maxWidth) {
  text_ = text;
  linkText_ = linkText;
  const QFontMetrics fm(font());
  const int frame = frameWidth();
  const int wrapWidth = std::max(40, maxWidth - 2 * (kMargin + frame));
  textRect_ = fm.boundingRect(QRect(0, 0, wrapWidth, 100000), Qt::TextWordWrap | Qt::AlignLeft, text_);
  int width = textRect_.width();
  int height = textRect_.height();
  linkRect_ = QRect();
  if (!linkText_.isEmpty()) {
    QFont linkFont = font();
    linkFont.setUnderline(true);
    const QRect link = QFontMetrics(linkFont).boundingRect(QRect(0, 0, wrapWidth, 1000),
                                                           Qt::TextWordWrap | Qt::AlignLeft, linkText_);
    const int gap = fm.height() / 2;
    linkRect_ = QRect(0, height + gap, link.width(), link.height());
    width = std::max(width, link.width());
    height += gap + link.height();
  }
  const QPoint offset(kMargin + frame, kMargin + frame);
  textRect_.moveTopLeft(offset);
  if (!linkRect_.isNull()) linkRect_.translate(offset);
  size_ = QSize(width + 2 * (kMargin + frame), height + 2 * (kMargin + frame));
  resize(size_);
  update();
}

QSize TPopupHelpWindow::sizeHint() const { return size_; }

void TPopupHelpWindow::ShowAt(const QPoint& globalPos) {
  QPoint pos = globalPos;
  if (const QScreen* screen = QGuiApplication::screenAt(globalPos)) {
    const QRect area = screen->availableGeometry();
    pos.setX(std::clamp(pos.x(), area.left(), std::max(area.left(), area.right() + 1 - size_.width())));
    pos.setY(std::clamp(pos.y(), area.top(), std::max(area.top(), area.bottom() + 1 - size_.height())));
  }
  move(pos);
  show();
  setFocus(Qt::PopupFocusReason);
}

void TPopupHelpWindow::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(textRect_, Qt::TextWordWrap | Qt::AlignLeft, text_);
  if (!linkText_.isEmpty()) {
    QFont linkFont = font();
    linkFont.setUnderline(true);
    painter.setFont(linkFont);
    painter.setPen(QColor(0, 0, 255));
    painter.drawText(linkRect_, Qt::TextWordWrap | Qt::AlignLeft, linkText_);
  }
}

void TPopupHelpWindow::keyPressEvent(QKeyEvent* event) {
  event->accept();
  if (event->key() == Qt::Key_F1 && !linkText_.isEmpty()) emit linkActivated();
  close();
}

void TPopupHelpWindow::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (!linkText_.isEmpty() && linkRect_.contains(event->position().toPoint())) emit linkActivated();
  close();
}

void TPopupHelpWindow::mouseMoveEvent(QMouseEvent* event) {
  const bool overLink = !linkText_.isEmpty() && linkRect_.contains(event->position().toPoint());
  setCursor(overLink ? Qt::PointingHandCursor : Qt::ArrowCursor);
}
