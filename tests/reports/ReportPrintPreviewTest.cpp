// The report status window and the preview window driven headless: a preview stopped on
// page 3 with its closing message, the preview window then offering the pages made so far
// (caption, page buttons, zoom by click, Up and Down), a one-page report without page
// buttons, and the closing messages of a completed preview.
#include <QBuffer>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cmath>

#include "core/AppHelpers.h"
#include "core/DateTimeFormat.h"
#include "reports/ui/SettingsPlacementStore.h"
#include "reports/ui/PreviewForm.h"
#include "reports/ui/ReportPrint.h"
#include "store/IniFile.h"
#include "tests/reports/ExportTestSupport.h"
#include "tests/reports/TaskReportTestSupport.h"
#include "widgets/MessageBox.h"

namespace {

using namespace task_report_testing;

std::vector<TaskRecord> ManyTasks(int count) {
  std::vector<TaskRecord> tasks;
  for (int i = 0; i < count; ++i)
    tasks.push_back(Task("20261205", "09:00", QStringLiteral("Task number %1").arg(i), "B", i % 2 == 0));
  return tasks;
}

class ReportPrintPreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    export_testing::UseEnglishDates();
    SetProgramDirectoryForTests(dir_.path());
    SetPlacementStore(SettingsPlacementStore());
    buffer_.open(QIODevice::ReadWrite);
  }
  void TearDown() override {
    SetPlacementStore({});
    SetProgramDirectoryForTests(QString());
  }

  // Runs a preview through the status window until the run has ended.
  void RunPreview(TReportPrint& status) {
    TTaskReportOptions options;
    options.Title = QStringLiteral("Preview test");
    status.SetOptions(options);
    status.SetPrintMode(false, &buffer_);
    status.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return status.RunEnded(); }, 20000));
  }

  QTemporaryDir dir_;
  QBuffer buffer_;
};

TEST_F(ReportPrintPreviewTest, StoppedPreviewShowsThePagesMadeSoFar) {
  TMemorySource source(ManyTasks(400));
  TReportPrint status(source);
  EXPECT_EQ(status.size(), QSize(TReportPrint::kClientWidth, TReportPrint::kClientHeight));
  bool pressed = false;
  // "Stop" pressed while page 3 is being drawn, as a user's click between two pages.
  source.onRead = [&](size_t) {
    if (!pressed && status.Report().CurrentPage() == 3) {
      pressed = true;
      QTest::mouseClick(status.CancelButton, Qt::LeftButton);
    }
  };
  TScriptedResponder boxes;
  TTaskReportOptions options;
  status.SetOptions(options);
  status.SetPrintMode(false, &buffer_);
  EXPECT_EQ(status.windowTitle(), "Preview Status");
  EXPECT_EQ(status.CancelButton->text(), "Stop");
  status.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return status.RunEnded(); }, 20000));
  EXPECT_TRUE(pressed);
  EXPECT_EQ(boxes.Count(), 0);
  EXPECT_FALSE(status.Aborted());
  EXPECT_EQ(status.Label1->text(), "\nPreview Stopped at page 3!");
  EXPECT_EQ(status.CancelButton->text(), "OK");
  EXPECT_EQ(status.TestReportFiler->PagesWritten(), 3);
  // The window stays open until OK; Escape does not close it during the run, OK does now.
  EXPECT_TRUE(status.isVisible());
  QTest::mouseClick(status.CancelButton, Qt::LeftButton);
  EXPECT_FALSE(status.isVisible());
  EXPECT_EQ(status.result(), QDialog::Accepted);

  TPreviewForm preview;
  preview.SetInitialZoom(TPreviewForm::kZoomPageWidth);
  preview.SetStream(&buffer_);
  preview.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return preview.FilePreview1->Active(); }, 10000));
  TFilePreview& f = *preview.FilePreview1;
  EXPECT_EQ(f.PageCount(), 3);
  const int fitted = static_cast<int>(std::lround(f.ZoomPageWidthFactor()));
  EXPECT_EQ(std::lround(f.ZoomFactor()), fitted);
  EXPECT_EQ(preview.windowTitle(), QStringLiteral("Preview Page 1 of 3 ( %1% )").arg(fitted));
  for (QToolButton* b : {preview.sbFirstPage, preview.sbPrevPage, preview.sbNextPage, preview.sbLastPAge})
    EXPECT_TRUE(b->isVisible()) << b->objectName().toStdString();

  QTest::mouseClick(preview.sbNextPage, Qt::LeftButton);
  EXPECT_TRUE(preview.windowTitle().startsWith("Preview Page 2 of 3 ("));
  QTest::mouseClick(preview.sbLastPAge, Qt::LeftButton);
  EXPECT_TRUE(preview.windowTitle().startsWith("Preview Page 3 of 3 ("));
  QTest::mouseClick(preview.sbNextPage, Qt::LeftButton);
  EXPECT_EQ(f.FilePage(), 3);
  QTest::mouseClick(preview.sbFirstPage, Qt::LeftButton);
  EXPECT_EQ(f.FilePage(), 1);
  QTest::mouseClick(preview.sbPrevPage, Qt::LeftButton);
  EXPECT_EQ(f.FilePage(), 1);

  // 100 %, then a left click on the page zooms in, a right click zooms out.
  QTest::mouseClick(preview.zbZoom100, Qt::LeftButton);
  EXPECT_EQ(preview.windowTitle(), "Preview Page 1 of 3 ( 100% )");
  ASSERT_NE(f.Image(), nullptr);
  EXPECT_EQ(f.Bitmap().width(), static_cast<int>(std::lround(f.FilePageWidth() * f.ScreenXDPI())));
  QTest::mouseClick(f.Image(), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(f.ZoomFactor(), 110);
  QTest::mouseClick(f.Image(), Qt::RightButton, {}, QPoint(10, 10));
  QTest::mouseClick(f.Image(), Qt::RightButton, {}, QPoint(10, 10));
  EXPECT_EQ(f.ZoomFactor(), 90);
  EXPECT_EQ(preview.windowTitle(), "Preview Page 1 of 3 ( 90% )");

  // Up and Down scroll by the bar's step, not past either end.
  QScrollBar* bar = preview.ScrollBox1->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  QTest::keyClick(preview.ScrollBox1, Qt::Key_Up);
  EXPECT_EQ(bar->value(), 0);
  QTest::keyClick(preview.ScrollBox1, Qt::Key_Down);
  EXPECT_EQ(bar->value(), bar->singleStep());
  bar->setValue(bar->maximum());
  QTest::keyClick(preview.ScrollBox1, Qt::Key_Down);
  EXPECT_EQ(bar->value(), bar->maximum());

  // Ok closes, finishes the preview and saves the placement.
  preview.move(40, 50);
  QTest::mouseClick(preview.ReturnButton, Qt::LeftButton);
  EXPECT_FALSE(preview.isVisible());
  EXPECT_FALSE(f.Active());
  EXPECT_NE(TIniFile(dir_.filePath("TODO.INI")).ReadString("TPreviewForm_Placement", "Left", "<none>"), "<none>");
}

TEST_F(ReportPrintPreviewTest, OnePageReportHidesThePageButtonsAndOpensAtTheWholePage) {
  TMemorySource source(ManyTasks(3));
  TReportPrint status(source);
  RunPreview(status);
  EXPECT_EQ(status.Label1->text(), "\nPreview Ready!");
  QTest::mouseClick(status.CancelButton, Qt::LeftButton);

  TPreviewForm preview;
  EXPECT_EQ(preview.InitialZoom(), TPreviewForm::kZoomWholePage);
  preview.SetStream(&buffer_);
  preview.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return preview.FilePreview1->Active(); }, 10000));
  EXPECT_EQ(preview.FilePreview1->PageCount(), 1);
  EXPECT_NEAR(preview.FilePreview1->ZoomFactor(), preview.FilePreview1->ZoomPageFactor(), 1e-9);
  for (QToolButton* b : {preview.sbFirstPage, preview.sbPrevPage, preview.sbNextPage, preview.sbLastPAge})
    EXPECT_FALSE(b->isVisible());
  EXPECT_TRUE(preview.sbZoomIn->isVisible());
  QTest::mouseClick(preview.ReturnButton, Qt::LeftButton);
}

TEST_F(ReportPrintPreviewTest, StatusLabelShowsThePageInProgress) {
  TMemorySource source(ManyTasks(120));
  TReportPrint status(source);
  QStringList seen;
  source.onRead = [&](size_t) { seen << status.Label1->text(); };
  RunPreview(status);
  ASSERT_FALSE(seen.isEmpty());
  EXPECT_EQ(seen.first(), "Printing Page 1\n\n");
  EXPECT_TRUE(seen.contains("Printing Page 2\n\n"));
}

}  // namespace
