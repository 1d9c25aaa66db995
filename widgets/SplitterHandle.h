#pragma once

#include <QSplitterHandle>

// The bar of a TSplitter: a raised button-face strip with a short grip of
// dimples in its middle, the way classic desktop programs draw a sizing bar.
class TSplitterHandle : public QSplitterHandle {
  Q_OBJECT

 public:
  TSplitterHandle(Qt::Orientation orientation, QSplitter* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};
