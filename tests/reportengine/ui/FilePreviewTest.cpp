// The preview on its scroll box: the fitted zooms follow the box, the image lies on its
// desk at the margin, and page turning stops at both ends.
#include <QBuffer>
#include <QScrollArea>
#include <QStyle>
#include <gtest/gtest.h>

#include <cmath>

#include "reportengine/PreviewTestSupport.h"
#include "reportengine/ui/FilePreview.h"

namespace {

using FilePreviewTest = PreviewFixture<TFilePreview>;

TEST_F(FilePreviewTest, FittedZoomsFollowTheScrollBox) {
  Open(1);
  QScrollArea box;
  box.resize(600, 400);
  preview_.SetScrollBox(&box);
  preview_.SetMarginPercent(2.5);
  preview_.SetScreenResolution(96, 96);
  preview_.Start();
  const double w = preview_.FilePageWidth(), h = preview_.FilePageHeight();
  const double p = 96 * w;
  const double m = std::round(p * 2.5 / 100);
  const int border = 2 * box.frameWidth();
  // The whole page: the smaller of the two fits, 4 pixels kept free each way.
  const double zx = (600 - 4 - 2 * m) / p, zy = (400 - 4 - 2 * m) / (96 * h);
  EXPECT_NEAR(preview_.ZoomPageFactor(), std::min(zx, zy) * 100, 1e-9);
  // The page width: too tall for the box, so the vertical scroll bar's width is taken off.
  const int bar = box.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &box);
  EXPECT_NEAR(preview_.ZoomPageWidthFactor(), (600 - bar - (border + 2 * m)) / p * 100, 1e-9);
  preview_.SetZoomFactor(-2);
  EXPECT_NEAR(preview_.ZoomFactor(), preview_.ZoomPageWidthFactor(), 1e-9);
  preview_.SetZoomFactor(-1);
  EXPECT_NEAR(preview_.ZoomFactor(), preview_.ZoomPageFactor(), 1e-9);
  // The image lies M pixels inside the desk, which is the bitmap and M on both sides.
  EXPECT_EQ(preview_.Image()->pos(), QPoint(preview_.Margin(), preview_.Margin()));
  EXPECT_EQ(preview_.Desk()->width(), preview_.Bitmap().width() + 2 * preview_.Margin());
  preview_.Finish();
  EXPECT_FALSE(preview_.Active());
}


TEST_F(FilePreviewTest, PageTurningStopsAtBothEnds) {
  Open(2);
  QScrollArea box;
  box.resize(400, 300);
  preview_.SetScrollBox(&box);
  int changes = 0;
  preview_.OnPageChange = [&changes](TPreviewRenderer&) { ++changes; };
  preview_.Start();
  EXPECT_EQ(preview_.FilePage(), 1);
  preview_.PrevPage();
  EXPECT_EQ(preview_.FilePage(), 1);
  preview_.SetPageInc(2);
  preview_.NextPage();  // the seek stops at the last page
  EXPECT_EQ(preview_.FilePage(), 2);
  preview_.NextPage();
  EXPECT_EQ(preview_.FilePage(), 2);
  EXPECT_EQ(changes, 2);
  preview_.Finish();
}


}  // namespace
