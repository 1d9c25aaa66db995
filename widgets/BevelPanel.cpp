#include "widgets/BevelPanel.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

TBevelPanel::TBevelPanel(QWidget* parent) : QWidget(parent) {
  color_ = palette().color(QPalette::Button);
  fontColor_ = palette().color(QPalette::ButtonText);
}

void TBevelPanel::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  update();
}

void TBevelPanel::SetAlignment(Qt::Alignment alignment) {
  alignment_ = alignment;
  update();
}

void TBevelPanel::SetColor(const QColor& color) {
  colorSet_ = true;
  if (color == color_) return;
  color_ = color;
  update();
}

void TBevelPanel::SetFontColor(const QColor& color) {
  fontColorSet_ = true;
  if (color == fontColor_) return;
  fontColor_ = color;
  update();
}

void TBevelPanel::SetBevelOuter(TBevelCut cut) {
  bevelOuter_ = cut;
  update();
}

void TBevelPanel::SetBevelInner(TBevelCut cut) {
  bevelInner_ = cut;
  update();
}

void TBevelPanel::SetBevelWidth(int width) {
  bevelWidth_ = width < 1 ? 1 : width;
  update();
}

void TBevelPanel::SetHighlighted(bool highlighted) {
  highlighted_ = highlighted;
  const QPalette& pal = palette();
  SetColor(pal.color(highlighted ? QPalette::Highlight : QPalette::Button));
  SetFontColor(pal.color(highlighted ? QPalette::HighlightedText : QPalette::ButtonText));
}

int TBevelPanel::BorderSize() const {
  int size = 0;
  if (bevelOuter_ != TBevelCut::bvNone) size += bevelWidth_;
  if (bevelInner_ != TBevelCut::bvNone) size += bevelWidth_;
  return size;
}

void TBevelPanel::DrawBevel(QPainter& painter, QRect& rect, TBevelCut cut) const {
  if (cut == TBevelCut::bvNone) return;
  const QPalette& pal = palette();
  const QColor light = pal.color(QPalette::Light);
  const QColor dark = pal.color(QPalette::Dark);
  const QColor& topLeft = cut == TBevelCut::bvRaised ? light : dark;
  const QColor& bottomRight = cut == TBevelCut::bvRaised ? dark : light;
  for (int i = 0; i < bevelWidth_ && rect.width() > 1 && rect.height() > 1; ++i) {
    painter.setPen(topLeft);
    painter.drawLine(rect.left(), rect.top(), rect.right() - 1, rect.top());
    painter.drawLine(rect.left(), rect.top(), rect.left(), rect.bottom() - 1);
    painter.setPen(bottomRight);
    painter.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    painter.drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
    rect.adjust(1, 1, -1, -1);
  }
}

void TBevelPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QRect rect = this->rect();
  painter.fillRect(rect, color_);
  DrawBevel(painter, rect, bevelOuter_);
  DrawBevel(painter, rect, bevelInner_);
  if (caption_.isEmpty() || rect.isEmpty()) return;
  // A little air between a side-aligned caption and the bevel.
  QRect textRect = rect;
  if (alignment_ & (Qt::AlignLeft | Qt::AlignRight)) textRect.adjust(1, 0, -1, 0);
  painter.setClipRect(rect);
  painter.setPen(isEnabled() ? fontColor_ : palette().color(QPalette::Disabled, QPalette::ButtonText));
  painter.setFont(font());
  painter.drawText(textRect, static_cast<int>(alignment_) | Qt::TextSingleLine, caption_);
}

void TBevelPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    pressed_ = true;
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

void TBevelPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && pressed_) {
    pressed_ = false;
    event->accept();
    if (rect().contains(event->position().toPoint())) emit clicked();
    return;
  }
  QWidget::mouseReleaseEvent(event);
}

void TBevelPanel::changeEvent(QEvent* event) {
  // Colours nobody chose follow the palette, so a theme change restyles them.
  if (event->type() == QEvent::PaletteChange) {
    if (!colorSet_) color_ = palette().color(QPalette::Button);
    if (!fontColorSet_) fontColor_ = palette().color(QPalette::ButtonText);
  }
  QWidget::changeEvent(event);
}
