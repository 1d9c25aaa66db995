#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "widgets/BevelPanel.h"

namespace {

TEST(BevelPanelTest, ClickNeedsPressAndReleaseInside) {
  TBevelPanel panel;
  panel.resize(24, 19);
  QSignalSpy clicks(&panel, &TBevelPanel::clicked);
  QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(12, 9));
  EXPECT_EQ(clicks.count(), 1);
  QTest::mouseClick(&panel, Qt::RightButton, {}, QPoint(12, 9));
  EXPECT_EQ(clicks.count(), 1);
  // Pressed inside, let go outside: no click.
  QTest::mousePress(&panel, Qt::LeftButton, {}, QPoint(12, 9));
  QTest::mouseRelease(&panel, Qt::LeftButton, {}, QPoint(40, 9));
  EXPECT_EQ(clicks.count(), 1);
}

TEST(BevelPanelTest, HighlightSwapsBetweenHighlightAndButtonColours) {
  TBevelPanel panel;
  const QPalette& pal = panel.palette();
  EXPECT_EQ(panel.Color(), pal.color(QPalette::Button));
  panel.SetHighlighted(true);
  EXPECT_TRUE(panel.Highlighted());
  EXPECT_EQ(panel.Color(), pal.color(QPalette::Highlight));
  EXPECT_EQ(panel.FontColor(), pal.color(QPalette::HighlightedText));
  panel.SetHighlighted(false);
  EXPECT_EQ(panel.Color(), pal.color(QPalette::Button));
  EXPECT_EQ(panel.FontColor(), pal.color(QPalette::ButtonText));
}

TEST(BevelPanelTest, PaintsItsColourInsideARaisedOrLoweredBevel) {
  TBevelPanel panel;
  panel.resize(30, 20);
  panel.SetColor(QColor(255, 255, 128));
  const QColor light = panel.palette().color(QPalette::Light);
  const QColor dark = panel.palette().color(QPalette::Dark);
  QImage image = panel.grab().toImage();
  EXPECT_EQ(image.pixelColor(15, 10), QColor(255, 255, 128));
  EXPECT_EQ(image.pixel(5, 0), light.rgb());
  EXPECT_EQ(image.pixel(5, 19), dark.rgb());

  panel.SetBevelOuter(TBevelPanel::TBevelCut::bvLowered);
  image = panel.grab().toImage();
  EXPECT_EQ(image.pixel(5, 0), dark.rgb());
  EXPECT_EQ(image.pixel(5, 19), light.rgb());

  panel.SetBevelOuter(TBevelPanel::TBevelCut::bvNone);
  EXPECT_EQ(panel.BorderSize(), 0);
  image = panel.grab().toImage();
  EXPECT_EQ(image.pixelColor(5, 0), QColor(255, 255, 128));
}

TEST(BevelPanelTest, CaptionIsDrawnInTheFontColour) {
  TBevelPanel panel;
  panel.resize(40, 20);
  panel.SetColor(Qt::white);
  panel.SetFontColor(Qt::black);
  const QImage blank = panel.grab().toImage();
  panel.SetCaption(QStringLiteral("88"));
  const QImage captioned = panel.grab().toImage();
  int dark = 0;
  for (int x = 2; x < 38; ++x)
    for (int y = 2; y < 18; ++y)
      if (qGray(captioned.pixel(x, y)) < 128 && qGray(blank.pixel(x, y)) >= 128) ++dark;
  EXPECT_GT(dark, 5);
}

}  // namespace
