// The report options dialog's Preview over the main window's table: the status window runs
// the report, the preview window opens at the page width with the pages made, and the task
// that was current before is current again with the grid following the table.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "core/AppHelpers.h"
#include "reports/ui/PreviewForm.h"
#include "reports/ui/ReportDialogScript.h"
#include "reports/ui/ReportPrint.h"
#include "reports/ui/ReportSetup.h"
#include "store/TodoTable.h"
#include "tests/reports/ExportTestSupport.h"
#include "widgets/MessageBox.h"

namespace {

TEST(DoPrint, PreviewRunsTheReportAndReturnsToTheCurrentTask) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  export_testing::UseEnglishDates();
  SetProgramDirectoryForTests(dir.path());
  TodoTable table;
  table.SetDirectory(dir.path());
  ASSERT_TRUE(table.OpenTaskFiles(false));
  for (int i = 1; i <= 3; ++i) {
    ASSERT_TRUE(table.Append().ok());
    ASSERT_TRUE(table.SetFieldText(TodoTable::kDescript, QStringLiteral("Task %1").arg(i)).ok());
    ASSERT_TRUE(table.Post().ok());
  }
  table.SetOrder(0);
  ASSERT_TRUE(table.GoToRecord(2).ok());

  TReportSetup dialog(table);
  dialog.ReportTitleField->setText(QStringLiteral("Title here"));
  TScriptedResponder boxes;
  TReportDialogScript script;
  script.SetPrintersInstalled(true);
  QString statusText;
  QString caption;
  int pages = 0;
  double zoom = 0, fitted = -1;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    QWidget* open = QApplication::activeModalWidget();
    if (auto* status = qobject_cast<TReportPrint*>(open); status && status->RunEnded()) {
      statusText = status->windowTitle() + QLatin1Char('|') + status->Options().Title;
      status->reject();
    } else if (auto* preview = qobject_cast<TPreviewForm*>(open); preview && preview->FilePreview1->Active()) {
      caption = preview->windowTitle();
      pages = preview->FilePreview1->PageCount();
      zoom = preview->FilePreview1->ZoomFactor();
      fitted = preview->FilePreview1->ZoomPageWidthFactor();
      preview->reject();
    }
  });
  closer.start(50);
  dialog.PreviewButtonClick();
  closer.stop();
  EXPECT_EQ(statusText, "Preview Status|Title here");
  EXPECT_EQ(pages, 1);
  EXPECT_NEAR(zoom, fitted, 1e-9);
  EXPECT_TRUE(caption.startsWith("Preview Page 1 of 1 ( ")) << caption.toStdString();
  EXPECT_EQ(table.RecordNumber(), 2u);
  EXPECT_FALSE(table.InBatch());
  EXPECT_EQ(boxes.Count(), 0);
  static_cast<void>(table.Close());
  SetProgramDirectoryForTests(QString());
}

}  // namespace
