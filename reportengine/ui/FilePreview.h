// TFilePreview: the report preview on a window, one page of a report file at a time inside
// a scroll box. The page is drawn by the window-free TPreviewRenderer it derives from and
// shown by an image control in the scroll box, on a grey margin; the scroll box's size
// gives the fitted zooms and its resolution the screen resolution.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QScrollArea>

#include "reportengine/PreviewRenderer.h"

class TFilePreview : public TPreviewRenderer {
 public:
  explicit TFilePreview(QObject* owner = nullptr);
  ~TFilePreview() override;

  // Where the page is shown; required by Start; cleared when the control goes away.
  QScrollArea* ScrollBox() const { return scroll_box_; }
  void SetScrollBox(QScrollArea* box) { scroll_box_ = box; }

  // Refused while active; needs ScrollBox ("ScrollBox must be assigned for FilePreview
  // component"). Fires OnZoomChange, measures the scroll box, creates the image control,
  // opens the input, becomes active and draws page 1.
  void Start() override;
  // Draws that page and shows it, keeping the scroll position; only while active.
  void PrintPage(int page) override;

  QLabel* Image() const { return image_; }
  // The widget inside the scroll box that carries the image on the grey margin.
  QWidget* Desk() const { return desk_; }

 protected:
  bool ViewMetrics(TViewMetrics& metrics) const override;

 private:
  void MeasureScrollBox();
  void ShowBitmap();

  QPointer<QScrollArea> scroll_box_;
  // Scroll box measurements taken at Start.
  int hbar_height_ = 0, vbar_width_ = 0, border_x_ = 0, border_y_ = 0;
  QPointer<QWidget> desk_;
  QPointer<QLabel> image_;
};
