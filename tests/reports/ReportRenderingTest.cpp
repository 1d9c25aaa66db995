// Draws the report options dialog and the preview window of a three-page report as they
// appear on screen and checks what the user sees in the pictures: the printed-report page
// with its switches and buttons, and a page of white paper on a grey desk, shown one to
// one at 100 %. With JOTLIST_SCREENSHOT_DIR set the pictures are also saved there as PNG
// files (scripts/screenshot-report).
#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cmath>

#include "core/AppHelpers.h"
#include "reports/ui/PreviewForm.h"
#include "reports/ui/ReportPrint.h"
#include "reports/ui/ReportSetup.h"
#include "reports/ui/SettingsPlacementStore.h"
#include "store/Settings.h"
#include "store/TodoTable.h"
#include "tests/reports/ExportTestSupport.h"
#include "tests/reports/TaskReportTestSupport.h"
#include "widgets/DialogFrame.h"

namespace {

using namespace task_report_testing;

void SaveIfAsked(const QImage& image, const char* name) {
  const QString folder = qEnvironmentVariable("JOTLIST_SCREENSHOT_DIR");
  if (folder.isEmpty()) return;
  const QString path = QDir(folder).filePath(QLatin1String(name));
  EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
}

// Pixels of `area` darker than mid-grey.
int DarkPixels(const QImage& image, const QRect& area) {
  int dark = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) dark += qGray(image.pixel(x, y)) < 128;
  return dark;
}

class ReportRenderingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    export_testing::UseEnglishDates();
    SetProgramDirectoryForTests(dir_.path());
    SetPlacementStore(SettingsPlacementStore());
  }
  void TearDown() override {
    SetPlacementStore({});
    SetProgramDirectoryForTests(QString());
  }

  QTemporaryDir dir_;
};

TEST_F(ReportRenderingTest, ReportDialogShowsThePrintedReportPage) {
  TodoTable table;
  table.SetDirectory(dir_.path());
  ASSERT_TRUE(table.OpenTaskFiles(false));
  {
    TReportSetup dialog(table);
    TPreferences switches;
    switches.PrintMemo = switches.PrintKeywords = true;
    dialog.SetSwitches(switches);
    dialog.ReportTitleField->setText(QStringLiteral("Weekly list"));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    const QImage image = dialog.grab().toImage();
    SaveIfAsked(image, "jotlist-report-dialog.png");
    EXPECT_TRUE(HasFixedDialogFrame(&dialog)) << "no minimise or maximise button, a size that stays";

    // The title, the four switches and the three buttons are on the picture, inside it.
    const QRect inside = image.rect();
    for (QWidget* w : std::initializer_list<QWidget*>{dialog.ReportTitleField, dialog.PrintMemoBox, dialog.PrintCheckBox,
                                                     dialog.DoubleSpace, dialog.PrintKeywords, dialog.PrintNow,
                                                     dialog.Previewbutton, dialog.PrintSetup}) {
      ASSERT_TRUE(w->isVisible()) << w->objectName().toStdString();
      const QRect area(w->mapTo(&dialog, QPoint(0, 0)), w->size());
      EXPECT_TRUE(inside.contains(area)) << w->objectName().toStdString();
      EXPECT_GT(DarkPixels(image, area), 20) << w->objectName().toStdString() << " is drawn";
    }
    // The three buttons share one row along the page's foot.
    EXPECT_EQ(dialog.PrintNow->y(), dialog.Previewbutton->y());
    EXPECT_EQ(dialog.Previewbutton->y(), dialog.PrintSetup->y());
    EXPECT_GT(dialog.PrintNow->y(), dialog.PrintKeywords->y());
  }
  ASSERT_TRUE(table.Close().ok());
}

TEST_F(ReportRenderingTest, PreviewIsPaperOnAGreyDeskAndOneToOneAtFullSize) {
  // Four lines a task (the row, the key words, two note lines): three pages.
  std::vector<TaskRecord> tasks;
  for (int i = 1; i <= 40; ++i) {
    tasks.push_back(Task("20261208", "08:15", QStringLiteral("Task %1: review the budget proposal").arg(i), "B", false,
                         QStringLiteral("work home"),
                         QStringLiteral("First line of the note for task %1\r\nA second line").arg(i)));
  }
  TMemorySource source(tasks);
  QBuffer stream;
  stream.open(QIODevice::ReadWrite);
  {
    TReportPrint status(source);
    TTaskReportOptions options;
    options.Title = QStringLiteral("Jotlist");
    options.PrintMemo = options.PrintKeywords = options.PrintCheckbox = true;
    status.SetOptions(options);
    status.SetPrintMode(false, &stream);
    EXPECT_TRUE(HasFixedDialogFrame(&status));
    status.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return status.RunEnded(); }, 20000));
    QTest::mouseClick(status.CancelButton, Qt::LeftButton);
  }

  TPreviewForm preview;
  preview.SetInitialZoom(TPreviewForm::kZoomPageWidth);
  preview.SetStream(&stream);
  preview.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return preview.FilePreview1->Active(); }, 10000));
  TFilePreview& renderer = *preview.FilePreview1;
  ASSERT_EQ(renderer.PageCount(), 3);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
  SaveIfAsked(preview.grab().toImage(), "jotlist-preview-page-width.png");

  QTest::mouseClick(preview.zbZoom100, Qt::LeftButton);
  EXPECT_EQ(preview.windowTitle(), "Preview Page 1 of 3 ( 100% )");
  // One to one: the page is as many pixels wide as the screen has in its width, and the
  // picture is shown at the size it was drawn.
  const QImage& page = renderer.Bitmap();
  EXPECT_EQ(page.width(), std::lround(renderer.ScreenXDPI() * renderer.FilePageWidth()));
  EXPECT_EQ(renderer.Image()->size(), page.size());

  QTest::mouseClick(preview.sbNextPage, Qt::LeftButton);
  QTest::mouseClick(preview.sbNextPage, Qt::LeftButton);
  EXPECT_EQ(preview.windowTitle(), "Preview Page 3 of 3 ( 100% )");
  QTest::mouseClick(preview.sbFirstPage, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&preview] { return preview.windowTitle() == "Preview Page 1 of 3 ( 100% )"; }));
  SaveIfAsked(preview.grab().toImage(), "jotlist-preview-100.png");

  // The whole page: white paper with the report on it, on a grey desk.
  QTest::mouseClick(preview.sbZoomPage, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&preview] { return !preview.windowTitle().endsWith("( 100% )"); }));
  const QImage window = preview.grab().toImage();
  SaveIfAsked(window, "jotlist-preview-whole-page.png");
  const QRect paper(renderer.Image()->mapTo(&preview, QPoint(0, 0)), renderer.Image()->size());
  const QRect box(preview.ScrollBox1->viewport()->mapTo(&preview, QPoint(0, 0)), preview.ScrollBox1->viewport()->size());
  ASSERT_TRUE(box.contains(paper.center()));
  const int margin = renderer.Margin();
  ASSERT_GT(margin, 0);
  ASSERT_GE(paper.left() - margin, box.left());
  const QColor desk = window.pixelColor(paper.left() - margin / 2, paper.center().y());
  EXPECT_EQ(desk.red(), desk.green());
  EXPECT_LT(desk.lightness(), 230) << "a grey desk, not white";
  EXPECT_GT(desk.lightness(), 60);
  EXPECT_EQ(window.pixelColor(paper.left() + 3, paper.top() + 3), QColor(Qt::white)) << "paper";
  // Beside the paper, to the right, the desk again.
  const int right = paper.left() + paper.width() + 5;
  if (right < box.right()) {
    EXPECT_NE(window.pixelColor(right, paper.center().y()), QColor(Qt::white));
  }
  EXPECT_GT(DarkPixels(window, paper), 500) << "the report is drawn on the paper";
  QTest::mouseClick(preview.ReturnButton, Qt::LeftButton);
}

}  // namespace
