// The printed task report through CUPS: a print run of the status window to the "PDF"
// queue (pages counted with pdfinfo) and to a file through the engine's print-to-file,
// whose text holds every task in order, and "Print" of the report options dialog with
// print-to-file chosen in the real print dialog. Without the "PDF" queue they skip, or fail
// under scripts/test (JOTLIST_REQUIRE_PRINTER=1).
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include "core/AppHelpers.h"
#include "reportengine/REDevice.h"
#include "reports/ui/ReportDialogScript.h"
#include "reports/ui/ReportPrint.h"
#include "reports/ui/ReportSetup.h"
#include "store/TodoTable.h"
#include "tests/reportengine/PdfQueueTestSupport.h"
#include "tests/reports/ExportTestSupport.h"
#include "tests/reports/TaskReportTestSupport.h"
#include "widgets/MessageBox.h"

namespace {

using namespace task_report_testing;

// Removes what the queue wrote for earlier jobs of the task report (the queue writes the
// job's title with blanks or with underscores).
void RemoveQueuedPdfs() {
  for (const QString& folder : CupsPdfFolders())
    for (const QString& old : QDir(folder).entryList({"Test Report*.pdf", "Test_Report*.pdf"}, QDir::Files))
      QFile::remove(QDir(folder).filePath(old));
}

std::vector<TaskRecord> Tasks() {
  std::vector<TaskRecord> tasks;
  for (int i = 1; i <= 90; ++i)
    tasks.push_back(Task("20261205", "", QStringLiteral("Errand%1").arg(i, 3, 10, QLatin1Char('0')), "A", false));
  return tasks;
}

void RunPrint(TReportPrint& status) {
  TTaskReportOptions options;
  options.Title = QStringLiteral("Queue test");
  status.SetOptions(options);
  status.SetPrintMode(true);
  EXPECT_EQ(status.windowTitle(), "Print Status");
  EXPECT_EQ(status.CancelButton->text(), "Cancel");
  status.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return status.RunEnded(); }, 60000));
  EXPECT_EQ(status.Label1->text(), "\nPrint Completed!");
}

TEST(ReportPrintQueue, PrintedToThePdfQueueAndToAFile) {
  REQUIRE_PDF_QUEUE();
  export_testing::UseEnglishDates();
  TScriptedResponder boxes;
  // Print-to-file: Qt writes the PDF, so its text is exact.
  QTemporaryDir dir;
  const QString file = dir.filePath("report.pdf");
  {
    TMemorySource source(Tasks());
    TReportPrint status(source);
    status.TestPrinterReport->SetOutputFileName(file);
    RunPrint(status);
  }
  EXPECT_EQ(boxes.Count(), 0);
  ASSERT_EQ(PdfPages(file), 2);
  const QString text = RunTool("pdftotext", {"-layout", file, "-"});
  qsizetype at = 0;
  for (int i = 1; i <= 90; ++i) {
    const QString name = QStringLiteral("Errand%1").arg(i, 3, 10, QLatin1Char('0'));
    const qsizetype found = text.indexOf(name, at);
    ASSERT_GE(found, 0) << name.toStdString();
    at = found + name.size();
  }
  EXPECT_TRUE(text.contains("Page 2"));

  // The queue: the same report becomes a job of two pages.
  const QString title = QStringLiteral("Test Report");
  RemoveQueuedPdfs();
  {
    TMemorySource source(Tasks());
    TReportPrint status(source);
    RunPrint(status);
  }
  const QString queued = WaitForPdf(QStringLiteral("Test_Report"));
  const QString path = queued.isEmpty() ? WaitForPdf(title) : queued;
  ASSERT_FALSE(path.isEmpty()) << "the PDF queue wrote no file";
  EXPECT_EQ(PdfPages(path), 2);
  QFile::remove(path);
}

TEST(ReportPrintQueue, CancelAsksAndCancelsTheJob) {
  REQUIRE_PDF_QUEUE();
  TScriptedResponder boxes;
  boxes.AnswerYes();
  QTemporaryDir dir;
  const QString file = dir.filePath("cancelled.pdf");
  TMemorySource source(Tasks());
  TReportPrint status(source);
  status.TestPrinterReport->SetOutputFileName(file);
  bool pressed = false;
  source.onRead = [&](size_t pos) {
    if (pos == 10 && !pressed) {
      pressed = true;
      QTest::mouseClick(status.CancelButton, Qt::LeftButton);
    }
  };
  TTaskReportOptions options;
  status.SetOptions(options);
  status.SetPrintMode(true);
  status.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return status.RunEnded(); }, 60000));
  ASSERT_EQ(boxes.Count(), 1);
  EXPECT_EQ(boxes.Last().Text, "Cancel Printing?");
  EXPECT_EQ(boxes.Last().Icon, QMessageBox::Information);
  EXPECT_TRUE(status.Aborted());
  EXPECT_EQ(status.Label1->text(), "\nPrint Canceled!");
  EXPECT_EQ(status.Body().TasksPrinted(), 11);
  EXPECT_FALSE(QFileInfo::exists(file) && QFileInfo(file).size() > 0 && PdfPages(file) > 0);
}

// The jobs CUPS knows of for the "PDF" queue, finished ones included.
QStringList QueueJobs() {
  QStringList jobs;
  for (const QString& line : RunTool("lpstat", {"-W", "all", "-o", "PDF"}).split(QLatin1Char('\n')))
    if (!line.trimmed().isEmpty()) jobs << line.section(QLatin1Char(' '), 0, 0);
  return jobs;
}

// "Print" of the report options dialog as a user does it: the real print dialog, the
// printer (or "Print to File (PDF)" and a file name) picked among its printers, its Print
// button pressed. Returns whether the status window ended with the print completed.
bool PrintThroughTheDialog(TReportSetup& dialog, const QString& file) {
  bool chosen = false;
  bool printed = false;
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    QWidget* open = QApplication::activeModalWidget();
    if (auto* print = qobject_cast<QPrintDialog*>(open); print && !chosen) {
      chosen = true;
      for (QComboBox* printers : print->findChildren<QComboBox*>()) {
        const int at = file.isEmpty() ? printers->findText(QStringLiteral("PDF"), Qt::MatchExactly)
                                      : printers->findText(QStringLiteral("Print to File"), Qt::MatchStartsWith);
        if (at >= 0) printers->setCurrentIndex(at);
      }
      auto* name = print->findChild<QLineEdit*>(QStringLiteral("filename"));
      ASSERT_NE(name, nullptr);
      ASSERT_EQ(name->isEnabled(), !file.isEmpty());
      if (!file.isEmpty()) name->setText(file);
      auto* buttons = print->findChild<QDialogButtonBox*>();
      ASSERT_NE(buttons, nullptr);
      buttons->button(QDialogButtonBox::Ok)->click();
    } else if (auto* status = qobject_cast<TReportPrint*>(open); status && status->RunEnded()) {
      printed = status->Label1->text() == "\nPrint Completed!";
      status->reject();
    }
  });
  driver.start(50);
  dialog.PrintNowClick();
  EXPECT_TRUE(chosen) << "no print dialog";
  return printed;
}

TEST(ReportPrintQueue, PrintToFileChosenInThePrintDialogWritesTheFileAndQueuesNothing) {
  REQUIRE_PDF_QUEUE();
  export_testing::UseEnglishDates();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  SetProgramDirectoryForTests(dir.path());
  TodoTable table;
  table.SetDirectory(dir.path());
  ASSERT_TRUE(table.OpenTaskFiles(false));
  ASSERT_TRUE(table.Append().ok());
  ASSERT_TRUE(table.SetFieldText(TodoTable::kDescript, QStringLiteral("Errand to file")).ok());
  ASSERT_TRUE(table.Post().ok());
  const QString file = dir.filePath("chosen.pdf");
  const QStringList jobsBefore = QueueJobs();
  TReportSetup dialog(table);
  dialog.ReportTitleField->setText(QStringLiteral("Errands"));
  TScriptedResponder boxes;
  TReportDialogScript script;
  script.SetPrintersInstalled(true);

  EXPECT_TRUE(PrintThroughTheDialog(dialog, file));
  EXPECT_EQ(PdfPages(file), 1);
  EXPECT_TRUE(RunTool("pdfinfo", {file}).contains(QRegularExpression("^Title:\\s+Errands$", QRegularExpression::MultilineOption)));
  EXPECT_TRUE(RunTool("pdftotext", {file, "-"}).contains("Errand to file"));
  EXPECT_EQ(QueueJobs().join(' ').toStdString(), jobsBefore.join(' ').toStdString()) << "a job reached the PDF queue";

  // The queue picked the next time takes the job back from the file chosen before.
  ASSERT_TRUE(QFile::remove(file));
  RemoveQueuedPdfs();
  EXPECT_TRUE(PrintThroughTheDialog(dialog, QString()));
  EXPECT_FALSE(QFileInfo::exists(file));
  EXPECT_EQ(QueueJobs().size(), jobsBefore.size() + 1);
  // What the queue writes is not left for the other queue tests to find.
  const QString queued = WaitForPdf(QStringLiteral("Test_Report"));
  EXPECT_FALSE(queued.isEmpty());
  QFile::remove(queued);
  EXPECT_EQ(boxes.Count(), 0);
  static_cast<void>(table.Close());
  SetProgramDirectoryForTests(QString());
}

}  // namespace
