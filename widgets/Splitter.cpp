#include "widgets/Splitter.h"

#include <QChildEvent>
#include <QResizeEvent>
#include <QShowEvent>

#include "widgets/SplitterHandle.h"

TSplitter::TSplitter(QWidget* parent) : TSplitter(Qt::Vertical, parent) {}

TSplitter::TSplitter(Qt::Orientation orientation, QWidget* parent) : QSplitter(orientation, parent) {
  setHandleWidth(kBarWidth);
  setChildrenCollapsible(false);
  setOpaqueResize(true);
}

QSplitterHandle* TSplitter::createHandle() { return new TSplitterHandle(orientation(), this); }

void TSplitter::ApplyStretch() {
  // Only the last pane stretches when the splitter is resized.
  for (int i = 0; i < count(); ++i) {
    const int stretch = i == count() - 1 ? 1 : 0;
    const QSizePolicy policy = widget(i)->sizePolicy();
    const int current = orientation() == Qt::Vertical ? policy.verticalStretch() : policy.horizontalStretch();
    if (current != stretch) setStretchFactor(i, stretch);
  }
}

void TSplitter::childEvent(QChildEvent* event) {
  QSplitter::childEvent(event);
  // A pane is in the splitter's list once it has been polished.
  if (event->type() == QEvent::ChildPolished || event->type() == QEvent::ChildRemoved) ApplyStretch();
}

int TSplitter::BarPosition() const {
  if (wantedPosition_ >= 0) return wantedPosition_;
  const QList<int> paneSizes = sizes();
  return paneSizes.isEmpty() ? 0 : paneSizes.front();
}

void TSplitter::SetBarPosition(int position) {
  wantedPosition_ = position < 0 ? 0 : position;
  ApplyWantedPosition();
}

void TSplitter::ApplyWantedPosition() {
  if (wantedPosition_ < 0 || count() < 2 || !isVisible()) return;
  const int extent = orientation() == Qt::Vertical ? height() : width();
  if (extent <= handleWidth()) return;
  const int position = wantedPosition_;
  wantedPosition_ = -1;
  moveSplitter(position, 1);
}

void TSplitter::resizeEvent(QResizeEvent* event) {
  ApplyStretch();
  QSplitter::resizeEvent(event);
  ApplyWantedPosition();
}

void TSplitter::showEvent(QShowEvent* event) {
  QSplitter::showEvent(event);
  ApplyWantedPosition();
}
