// The canvas report painting into an image: text placement, PrintBlock spreading, tab
// shading, raster pen modes, clip regions, bitmaps, and the canvas refusing to draw
// without a context.
#include <QPainter>
#include <gtest/gtest.h>

#include "PageModelTestSupport.h"
#include "reportengine/RECanvas.h"
#include "reportengine/ReportError.h"

namespace {

int Gray(const ImageReport& r, double x_inches, double y_inches) {
  return qGray(r.image.pixel(r.XU2D(x_inches), r.YU2D(y_inches)));
}

TEST(CanvasReport, PrintBlockSpreadsTextOverTheWidth) {
  ImageReport r(100);
  r.Start();
  r.SetFont("Arial", 24);
  r.NewLine();
  const double natural = r.TextWidth("ABC");
  const double y = r.YPos();
  r.PrintBlock("ABC", 1.0, 2 * natural);
  const int baseline = r.YU2D(y);
  const int ascent = static_cast<int>(r.Ascent() * 100);
  int first = 0;
  int last = 0;
  ASSERT_TRUE(r.DarkColumns(baseline - ascent, baseline + 2, first, last));
  EXPECT_NEAR(first, 100, 3);                                             // A starts at x
  EXPECT_NEAR(last, 100 + static_cast<int>(2 * natural * 100 + 0.5), 3);  // C ends at x + width
  // The letters are apart: an empty column between A and B and between B and C.
  int empty_runs = 0;
  bool in_run = false;
  for (int x = first; x <= last; ++x) {
    bool dark = false;
    for (int yy = baseline - ascent; yy <= baseline && !dark; ++yy) {
      dark = qGray(r.image.pixel(x, yy)) < 128;
    }
    if (!dark && !in_run) ++empty_runs;
    in_run = !dark;
  }
  EXPECT_GE(empty_runs, 2);
  r.Finish();
}

TEST(CanvasReport, PrintBlockWithWordsEndsAtTheRightEdge) {
  ImageReport r(100);
  r.Start();
  r.SetFont("Arial", 18);
  r.NewLine();
  const double y = r.YPos();
  r.PrintBlock("  one two  three  ", 0.5, 6.0);
  EXPECT_NEAR(r.XPos(), 6.5, 1e-9);
  const int baseline = r.YU2D(y);
  int first = 0;
  int last = 0;
  ASSERT_TRUE(r.DarkColumns(baseline - 20, baseline, first, last));
  EXPECT_GT(first, 50 + 5);  // leading spaces are kept before the first word
  EXPECT_NEAR(last, 650, 3);
  r.Finish();
}

TEST(CanvasReport, TextSitsOnTheBaseline) {
  ImageReport r(100);
  r.Start();
  r.SetFont("Arial", 36);
  r.GotoXY(1.0, 2.0);
  r.PrintLeft("H", 1.0);
  int bottom = -1;
  for (int y = 0; y < r.image.height(); ++y) {
    for (int x = 100; x < 140; ++x) {
      if (qGray(r.image.pixel(x, y)) < 128) bottom = y;
    }
  }
  EXPECT_NEAR(bottom, 200, 2);
  // Top alignment puts the text below the line's top edge instead.
  r.SetFontAlign(faTop);
  r.GotoXY(3.0, 2.0);
  r.PrintLeft("H", 3.0);
  int top = -1;
  for (int y = 0; y < r.image.height() && top < 0; ++y) {
    for (int x = 300; x < 340; ++x) {
      if (qGray(r.image.pixel(x, y)) < 128) {
        top = y;
        break;
      }
    }
  }
  EXPECT_GT(top, 200 - static_cast<int>(r.Ascent() * 100) - 2);
  EXPECT_LT(top, 200);
  r.Finish();
}

TEST(CanvasReport, TabCellShadingAndBorders) {
  ImageReport r(100);
  r.Start();
  r.SetTab(1.0, pjLeft, 2.0, 0, kBoxLineAll, 50);
  r.NewLine();
  r.Tab();
  const double bottom = r.YPos() + r.Descent();
  const double middle = bottom - r.LineHeight() / 2;
  EXPECT_EQ(Gray(r, 2.0, middle), 127);  // 0 + 50 x 255 / 100
  EXPECT_LT(Gray(r, 1.0, middle), 64);   // left border
  EXPECT_LT(Gray(r, 2.0, bottom), 64);   // bottom border
  EXPECT_EQ(Gray(r, 3.5, middle), 255);  // outside the cell
  r.Finish();
}

TEST(CanvasReport, PenModesAreRasterOperationsOnImages) {
  ImageReport r(100);
  r.Start();
  r.SetBrush(clBlack, bsSolid);
  r.Rectangle(1, 1, 2, 2);
  r.SetPen(clWhite, psSolid, 1, pmXor);
  r.MoveTo(0.5, 1.5);
  r.LineTo(2.5, 1.5);
  EXPECT_EQ(Gray(r, 1.5, 1.5), 255);  // black xor white
  EXPECT_EQ(Gray(r, 0.75, 1.5), 0);   // white xor white
  r.SetPen(clBlack, psSolid, 1, pmNop);
  r.MoveTo(0.5, 3);
  r.LineTo(2.5, 3);
  EXPECT_EQ(Gray(r, 1.5, 3), 255);  // a pen that draws nothing
  r.Finish();
}

TEST(CanvasReport, ClipRegionsLimitDrawing) {
  ImageReport r(100);
  r.Start();
  r.CreateRectRegion(1, 1, 2, 2);
  r.SelectClipRegion();
  r.SetBrush(clBlack, bsSolid);
  r.SetPen(clBlack, psClear, 1, pmCopy);
  r.Rectangle(0, 0, 4, 4);
  EXPECT_EQ(Gray(r, 1.5, 1.5), 0);
  EXPECT_EQ(Gray(r, 0.5, 0.5), 255);
  r.ClearClipRegion();
  r.DeleteRegion();
  r.Rectangle(5, 5, 6, 6);
  EXPECT_EQ(Gray(r, 5.5, 5.5), 0);
  r.Finish();
}

TEST(CanvasReport, BitmapsScaledAndStretched) {
  ImageReport r(100);
  r.Start();
  QImage dot(2, 2, QImage::Format_RGB32);
  dot.fill(Qt::red);
  r.PrintBitmap(1.0, 1.0, 10, 10, dot);  // 20 by 20 device pixels
  EXPECT_EQ(r.image.pixel(105, 105), qRgb(255, 0, 0));
  EXPECT_EQ(r.image.pixel(121, 105), qRgb(255, 255, 255));
  r.PrintBitmapRect(2.0, 2.0, 3.0, 2.5, dot);
  EXPECT_EQ(r.image.pixel(295, 245), qRgb(255, 0, 0));
  EXPECT_EQ(r.image.pixel(295, 255), qRgb(255, 255, 255));
  r.Finish();
}

TEST(CanvasReport, FloodFillFillsTheBoundedArea) {
  ImageReport r(100);
  r.Start();
  r.SetPen(clBlack, psSolid, 1, pmCopy);
  r.Rectangle(1, 1, 2, 2);  // clear brush: an outline
  r.SetBrush(0x0000FF, bsSolid);
  r.FloodFill(1.5, 1.5, clBlack, 0);
  EXPECT_EQ(r.image.pixel(150, 150), qRgb(255, 0, 0));
  EXPECT_EQ(r.image.pixel(250, 150), qRgb(255, 255, 255));
  r.Finish();
}

TEST(CanvasReport, CanvasWithoutContextRefuses) {
  TRECanvas canvas;
  try {
    canvas.Rectangle(QRect(0, 0, 10, 10));
    FAIL() << "drew without a context";
  } catch (const EReportError& e) {
    EXPECT_STREQ(e.what(), "Error!  Canvas not yet active.");
  }
}

}  // namespace
