// The preview renderer: zoom limits, margins, rulers and shadow on the
// rendered bitmap, page turning, the monochrome and shadow refusals, and shaded note lines
// whose letters stay whole at screen zooms.
#include <QBuffer>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "PageModelTestSupport.h"
#include "PreviewTestSupport.h"
#include "ReportFileTestSupport.h"
#include "reportengine/PreviewRenderer.h"
#include "reportengine/REDevice.h"
#include "reportengine/ReportError.h"
#include "reportengine/ReportFiler.h"

namespace {

// A page of note lines as the task report prints them: Arial 9 with the font's line height,
// each line in a cell of one tab stop, shaded `shade` percent (0: no band is drawn).
QByteArray RecordNoteLines(int shade) {
  QByteArray data;
  QBuffer buffer(&data);
  TReportFiler filer;
  filer.SetStreamMode(smUser);
  filer.SetStream(&buffer);
  filer.SetLineHeightMethod(lhmFont);
  filer.OnPrint = [shade](TBaseReport& r) {
    r.SetFont(QStringLiteral("Arial"), 9);
    r.GotoXY(0.5, 1.0);
    r.SetTab(0.5, pjLeft, 6.0, 2, 0, shade);
    for (int line = 0; line < 12; ++line) {
      r.Tab();
      r.Println(QStringLiteral("gypsy quipping piggy yoga jpqy gpqy"));
    }
  };
  filer.Execute();
  return data;
}

// The page drawn by the preview at `zoom`, 96 pixels per inch at 100 %.
QImage PreviewAt(const QByteArray& file, double zoom) {
  QBuffer buffer;
  buffer.setData(file);
  TPreviewRenderer preview;
  preview.SetStreamMode(smUser);
  preview.SetStream(&buffer);
  preview.StartOffscreen(96, 96);
  preview.SetZoomFactor(zoom);
  QImage page = preview.PaintPage(1).convertToFormat(QImage::Format_RGB32);
  preview.Finish();
  return page;
}

using FilePreviewTest = PreviewFixture<TPreviewRenderer>;

std::vector<QString> g_errors;
void CollectError(const QString& message) { g_errors.push_back(message); }

TEST_F(FilePreviewTest, ZoomLimitsAndSteps) {
  preview_.SetZoomFactor(5);
  EXPECT_EQ(preview_.ZoomFactor(), 10);
  preview_.ZoomOut();
  EXPECT_EQ(preview_.ZoomFactor(), 10);
  preview_.SetZoomFactor(250);
  EXPECT_EQ(preview_.ZoomFactor(), 200);
  preview_.SetZoomFactor(195);
  preview_.ZoomIn();
  EXPECT_EQ(preview_.ZoomFactor(), 200);
  int changes = 0;
  preview_.OnZoomChange = [&changes](TPreviewRenderer&) { ++changes; };
  preview_.SetZoomFactor(50);
  EXPECT_EQ(changes, 1);
}

TEST_F(FilePreviewTest, StartNeedsAScrollBox) {
  Open(1);
  try {
    preview_.Start();
    FAIL() << "started without a scroll box";
  } catch (const EReportError& e) {
    EXPECT_EQ(e.Message(), "ScrollBox must be assigned for FilePreview component");
  }
  EXPECT_FALSE(preview_.Active());
}

TEST_F(FilePreviewTest, RulersMoveThePaperAndEveryPosition) {
  Open(1);
  preview_.StartOffscreen(96, 96);
  const QImage plain = preview_.PaintPage(1);
  ASSERT_FALSE(plain.isNull());
  EXPECT_EQ(plain.width(), static_cast<int>(std::lround(96 * preview_.FilePageWidth())));
  // The box recorded at 1 inch is black at 100 %; the paper is white with a black edge.
  EXPECT_EQ(plain.pixelColor(120, 120), QColor(Qt::black));
  EXPECT_EQ(plain.pixelColor(50, 50), QColor(Qt::white));
  EXPECT_EQ(plain.pixelColor(0, 50), QColor(Qt::black));

  preview_.SetRulerType(rtBothIn);
  const QImage ruled = preview_.PaintPage(1);
  EXPECT_EQ(ruled.width(), plain.width() + 20);
  EXPECT_EQ(ruled.height(), plain.height() + 20);
  // The paper and everything on it, 20 pixels right and down.
  EXPECT_EQ(ruled.copy(20, 20, plain.width(), plain.height()), plain);
  // The corner is silver; the rulers light yellow with black ticks; a tick at 1 inch is
  // 18 pixels long (a labelled one), at 1/2 inch 15.
  EXPECT_EQ(ruled.pixelColor(5, 5), QColor(192, 192, 192));
  EXPECT_EQ(ruled.pixelColor(20 + 30, 3), QColor(255, 255, 128));
  EXPECT_EQ(ruled.pixelColor(20 + 96, 20 - 18), QColor(Qt::black));
  EXPECT_EQ(ruled.pixelColor(20 + 48, 20 - 15), QColor(Qt::black));
  EXPECT_EQ(ruled.pixelColor(20 + 48, 20 - 16), QColor(255, 255, 128));
  preview_.Finish();
}

TEST_F(FilePreviewTest, ShadowAndScaledMargins) {
  Open(1);
  preview_.SetShadowDepth(6);
  preview_.StartOffscreen(96, 96);
  const QImage shadowed = preview_.PaintPage(1);
  const int pw = static_cast<int>(std::lround(96 * preview_.FilePageWidth()));
  EXPECT_EQ(shadowed.width(), pw + 6);
  EXPECT_EQ(shadowed.pixelColor(pw + 3, 50), QColor(Qt::black));    // right band
  EXPECT_NE(shadowed.pixelColor(pw + 3, 2), QColor(Qt::black));     // corner left free
  preview_.SetMarginPercent(5);
  preview_.SetMarginMethod(mmScaled);
  preview_.SetZoomFactor(50);
  preview_.PaintPage(1);
  const int half = preview_.Margin();
  preview_.SetZoomFactor(100);
  preview_.PaintPage(1);
  EXPECT_NEAR(preview_.Margin(), 2 * half, 1);
  preview_.SetMarginMethod(mmFixed);
  preview_.SetZoomFactor(50);
  preview_.PaintPage(1);
  const int fixed = preview_.Margin();
  preview_.SetZoomFactor(100);
  preview_.PaintPage(1);
  EXPECT_EQ(preview_.Margin(), fixed);
  preview_.Finish();
}

TEST_F(FilePreviewTest, MonochromeAndShadowsExcludeEachOther) {
  const TErrorBoxHandler previous = SetReportErrorBoxHandler(&CollectError);
  g_errors.clear();
  preview_.SetShadowDepth(3);
  preview_.SetMonochrome(true);
  EXPECT_FALSE(preview_.Monochrome());
  preview_.SetShadowDepth(0);
  preview_.SetMonochrome(true);
  preview_.SetShadowDepth(4);
  EXPECT_EQ(preview_.ShadowDepth(), 0);
  ASSERT_EQ(g_errors.size(), 2u);
  EXPECT_EQ(g_errors[0], "Monochrome not allowed while shadows are in effect.\rChange ShadowDepth to 0 first");
  EXPECT_EQ(g_errors[1], "Shadows not allowed while monochrome in effect.\rChange Monochrome to false first");
  SetReportErrorBoxHandler(previous);
}

// A report file may name a page 100 inches a side; at 200 % that image would take
// gigabytes. The page is drawn at the largest zoom within the budget, and the page change
// is announced with that zoom.
TEST_F(FilePreviewTest, AHugePageIsDrawnWithinTheImageBudget) {
  using namespace report_file;
  buffer_.open(QIODevice::ReadWrite);
  RecordWriter out(&buffer_);
  BeginOnePageFile(out, 100, 100);
  out.Byte(kEndPage);
  out.Flush();
  buffer_.close();
  preview_.SetStreamMode(smUser);
  preview_.SetStream(&buffer_);
  std::vector<double> announced;
  preview_.OnPageChange = [&announced](TPreviewRenderer& p) { announced.push_back(p.ZoomFactor()); };
  preview_.StartOffscreen(96, 96);
  preview_.SetZoomFactor(200);
  const QImage page = preview_.PaintPage(1);
  ASSERT_FALSE(page.isNull());
  EXPECT_LE(page.sizeInBytes(), static_cast<qsizetype>(TPreviewRenderer::kMaxPageImageBytes));
  EXPECT_LT(preview_.ZoomFactor(), 200);
  EXPECT_GT(preview_.ZoomFactor(), 50);  // the largest that fits, not the smallest
  ASSERT_FALSE(announced.empty());
  EXPECT_EQ(announced.back(), preview_.ZoomFactor());
  preview_.Finish();
}

// The bands are drawn line by line, each after the text of the line above: a band that
// reaches into the line above covers the descenders of g, p, q and y there. Every glyph
// pixel of the page drawn without bands must still be ink on the page drawn with them,
// whatever the resolution the lines were recorded at.
TEST(FilePreviewNoteLines, ShadedLinesLeaveTheDescendersAboveWhole) {
  const auto ink = [](QRgb pixel) { return qGray(pixel) < 128; };
  for (const bool printer : {false, true}) {
    std::unique_ptr<FakePrinters> none;
    if (printer) {
      TREDevice::Instance().SetPrinterSource(TREDevice::FilePrinterSource());
    } else {
      none = std::make_unique<FakePrinters>();
    }
    const QByteArray bare = RecordNoteLines(0);
    const QByteArray shaded = RecordNoteLines(15);
    TREDevice::Instance().SetPrinterSource(TREDevice::SystemPrinterSource());
    for (const double zoom : {50.0, 70.0, 82.0, 100.0, 125.0, 153.0, 200.0}) {
      const QImage text = PreviewAt(bare, zoom);
      const QImage banded = PreviewAt(shaded, zoom);
      ASSERT_EQ(text.size(), banded.size());
      int glyph = 0;
      int lost = 0;
      int lowest_lost = -1;
      for (int y = 0; y < text.height(); ++y) {
        const auto* plain = reinterpret_cast<const QRgb*>(text.constScanLine(y));
        const auto* band = reinterpret_cast<const QRgb*>(banded.constScanLine(y));
        for (int x = 0; x < text.width(); ++x) {
          if (!ink(plain[x])) continue;
          ++glyph;
          if (ink(band[x])) continue;
          ++lost;
          lowest_lost = y;
        }
      }
      EXPECT_GT(glyph, 1000) << "zoom " << zoom;
      EXPECT_EQ(lost, 0) << (printer ? "recorded at 1200 dpi" : "recorded at 96 dpi") << ", zoom "
                         << zoom << ": glyph pixels covered by the next band, the last in row "
                         << lowest_lost;
    }
  }
}

}  // namespace
