#pragma once

#include <QColor>
#include <QWidget>

// A horizontal progress bar in a sunken frame, filled from the left in the
// fore colour over the back colour, with the percentage done centred on it
// (the text changes colour where the bar runs under it, so it stays legible).
class TGauge : public QWidget {
  Q_OBJECT

 public:
  explicit TGauge(QWidget* parent = nullptr);

  int MinValue() const { return minValue_; }
  int MaxValue() const { return maxValue_; }
  // Sets the range; a maximum below the minimum is raised to it. The progress
  // is pulled into the new range.
  void SetRange(int minValue, int maxValue);

  int Progress() const { return progress_; }
  // Values outside the range are held at its nearer end.
  void SetProgress(int value);

  // Whole percent of the range covered by the progress, 0 to 100
  // (0 for an empty range).
  int PercentDone() const;

  // The text shown, such as "42%".
  QString Text() const;

  bool ShowText() const { return showText_; }
  void SetShowText(bool show);

  // Defaults: the palette's highlight and base (window) colours.
  QColor ForeColor() const { return foreColor_; }
  void SetForeColor(const QColor& color);
  QColor BackColor() const { return backColor_; }
  void SetBackColor(const QColor& color);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int minValue_ = 0;
  int maxValue_ = 100;
  int progress_ = 0;
  bool showText_ = true;
  QColor foreColor_;
  QColor backColor_;
};
