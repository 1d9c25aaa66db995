#include <QImage>
#include <gtest/gtest.h>

#include "widgets/Gauge.h"

namespace {

TEST(GaugeTest, ProgressIsHeldWithinTheRangeAndShownAsWholePercent) {
  TGauge gauge;
  EXPECT_EQ(gauge.MinValue(), 0);
  EXPECT_EQ(gauge.MaxValue(), 100);
  gauge.SetProgress(150);
  EXPECT_EQ(gauge.Progress(), 100);
  EXPECT_EQ(gauge.Text(), QStringLiteral("100%"));
  gauge.SetProgress(-5);
  EXPECT_EQ(gauge.Progress(), 0);
  EXPECT_EQ(gauge.Text(), QStringLiteral("0%"));

  gauge.SetRange(0, 200);
  gauge.SetProgress(50);
  EXPECT_EQ(gauge.PercentDone(), 25);
  gauge.SetRange(100, 300);  // the progress is pulled into the new range
  EXPECT_EQ(gauge.Progress(), 100);
  EXPECT_EQ(gauge.PercentDone(), 0);

  gauge.SetRange(5, 5);
  EXPECT_EQ(gauge.PercentDone(), 0) << "an empty range never divides by zero";
  gauge.SetRange(10, 3);
  EXPECT_EQ(gauge.MaxValue(), 10);

  gauge.SetRange(0, 2000000000);  // wide ranges must not overflow
  gauge.SetProgress(1900000000);
  EXPECT_EQ(gauge.PercentDone(), 95);
}

TEST(GaugeTest, BarFillsFromTheLeftInTheForeColour) {
  TGauge gauge;
  gauge.resize(258, 43);
  gauge.SetForeColor(QColor(0, 0, 128));
  gauge.SetBackColor(Qt::white);
  gauge.SetShowText(false);
  gauge.SetProgress(50);
  const QImage image = gauge.grab().toImage();
  const int y = image.height() / 2;
  EXPECT_EQ(image.pixelColor(image.width() / 4, y), QColor(0, 0, 128));
  EXPECT_EQ(image.pixelColor(image.width() * 3 / 4, y), QColor(Qt::white));

  gauge.SetProgress(0);
  const QImage empty = gauge.grab().toImage();
  EXPECT_EQ(empty.pixelColor(3, y), QColor(Qt::white));
  gauge.SetProgress(100);
  const QImage full = gauge.grab().toImage();
  EXPECT_EQ(full.pixelColor(full.width() - 3, y), QColor(0, 0, 128));
}

TEST(GaugeTest, PercentageTextIsDrawnInTheMiddle) {
  TGauge gauge;
  gauge.resize(258, 43);
  gauge.SetForeColor(QColor(0, 0, 128));
  gauge.SetBackColor(Qt::white);
  gauge.SetProgress(10);
  const QImage withText = gauge.grab().toImage();
  gauge.SetShowText(false);
  const QImage without = gauge.grab().toImage();
  // The text changes pixels around the centre and nowhere near the ends.
  bool centreDiffers = false;
  for (int x = 100; x < 158 && !centreDiffers; ++x)
    for (int y = 10; y < 33 && !centreDiffers; ++y)
      centreDiffers = withText.pixel(x, y) != without.pixel(x, y);
  EXPECT_TRUE(centreDiffers);
  EXPECT_EQ(withText.pixel(240, 21), without.pixel(240, 21));
}

}  // namespace
