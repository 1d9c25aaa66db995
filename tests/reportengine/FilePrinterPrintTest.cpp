// Playback of report files on a real printer: the CUPS "PDF" queue, and print-to-file jobs
// read back with pdftotext and pdfinfo. Without the "PDF" queue they skip, or fail under
// scripts/test (JOTLIST_REQUIRE_PRINTER=1).
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>

#include "PageModelTestSupport.h"
#include "PdfQueueTestSupport.h"
#include "ReportFileTestSupport.h"
#include "reportengine/FilePrinter.h"
#include "reportengine/PrinterReport.h"
#include "reportengine/REDevice.h"
#include "reportengine/RecordReader.h"
#include "reportengine/ReportFileHeader.h"
#include "reportengine/ReportError.h"
#include "reportengine/ReportFileFormat.h"
#include "reportengine/ReportFiler.h"

namespace {

struct Word {
  QString text;
  double x_min, y_min, x_max, y_max;
};

// The words of a PDF with their boxes (points), page after page.
std::vector<Word> Words(const QString& path) {
  const QString html = RunTool("pdftotext", {"-bbox", path, "-"});
  static const QRegularExpression word(
      "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>");
  std::vector<Word> words;
  for (auto it = word.globalMatch(html); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    words.push_back({m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(),
                     m.captured(3).toDouble(), m.captured(4).toDouble()});
  }
  return words;
}

// A report of text in several fonts, a tab row with a shaded cell, rules and a box, over
// two pages.
void SampleReport(TBaseReport& r) {
  r.SetFont("Arial", 14);
  r.SetBold(true);
  r.PrintCenter("Task Report", 4.25);
  r.SetBold(false);
  r.NewLine();
  r.SetFont("Times New Roman", 11);
  r.PrintLeft("Left aligned words in Times", 1);
  r.PrintRight("right end", 7.5);
  r.NewLine();
  r.SetTab(1, pjLeft, 1.5, 5, kBoxLineAll, 15);
  r.SetTab(-1, pjCenter, 2.0, 5, kBoxLineAll, 0);
  r.SetTab(-1, pjRight, 1.5, 5, kBoxLineAll, 0);
  r.Print("\t2026-12-08\tWater the garden\tHigh");
  r.NewLine();
  r.SetFont("Courier New", 10);
  r.PrintLeft("Fixed pitch line 0123456789", 1);
  r.MoveTo(1, 3);
  r.LineTo(7.5, 3);
  r.Rectangle(1, 3.5, 3, 4.5);
  r.NewPage();
  r.SetFont("Arial", 12);
  r.PrintLeft("Second page words", 1);
}

}  // namespace

TEST(FilePrinterJob, PrintsAPageRangeToAFile) {
  REQUIRE_PDF_QUEUE();
  QByteArray data;
  QBuffer buffer(&data);
  TReportFiler filer;
  filer.SetStreamMode(smUser);
  filer.SetStream(&buffer);
  filer.OnPrint = [](TBaseReport& r) {
    for (int page = 1; page <= 5; ++page) {
      if (page > 1) r.NewPage();
      r.PrintLeft(QStringLiteral("Report page %1").arg(page), 1);
    }
  };
  filer.Execute();

  QTemporaryDir dir;
  const QString path = dir.filePath("range.pdf");
  TFilePrinter player;
  player.SetStreamMode(smUser);
  player.SetStream(&buffer);
  player.SetOutputFileName(path);
  player.Playback(2, 0, 0);
  EXPECT_FALSE(player.Printing());
  EXPECT_FALSE(TREDevice::Instance().Printing());
  EXPECT_TRUE(buffer.isOpen()) << "the caller's stream stays open";
  ASSERT_TRUE(QFileInfo::exists(path));
  EXPECT_EQ(PdfPages(path), 4);
  const QString text = RunTool("pdftotext", {path, "-"});
  EXPECT_LT(text.indexOf("Report page 1"), 0);
  for (int page = 2; page <= 5; ++page)
    EXPECT_GE(text.indexOf(QStringLiteral("Report page %1").arg(page)), 0) << page;

  // The same stream again, the whole file: identical pages for the shared ones.
  const QString all = dir.filePath("all.pdf");
  player.SetOutputFileName(all);
  player.Execute();
  EXPECT_EQ(PdfPages(all), 5);
  EXPECT_TRUE(RunTool("pdftotext", {all, "-"}).contains(text.trimmed()));
}

TEST(FilePrinterJob, TheOutputNameInTheFileRedirectsTheJob) {
  REQUIRE_PDF_QUEUE();
  QTemporaryDir dir;
  const QString path = dir.filePath("named.pdf");
  QByteArray data;
  QBuffer buffer(&data);
  TReportFiler filer;
  filer.SetStreamMode(smUser);
  filer.SetStream(&buffer);
  filer.SetOutputFileName(path);
  filer.OnPrint = [](TBaseReport& r) { r.PrintLeft("Redirected", 1); };
  filer.Execute();
  TFilePrinter player;
  player.SetStreamMode(smUser);
  player.SetStream(&buffer);
  player.Execute();
  EXPECT_EQ(player.OutputFileName(), path);
  ASSERT_TRUE(QFileInfo::exists(path));
  EXPECT_TRUE(RunTool("pdftotext", {path, "-"}).contains("Redirected"));
}

TEST(FilePrinterJob, AnUnknownCodeCancelsTheJobAndClosesEverything) {
  REQUIRE_PDF_QUEUE();
  QByteArray data;
  QBuffer writer_buffer(&data);
  TReportFiler filer;
  filer.SetStreamMode(smUser);
  filer.SetStream(&writer_buffer);
  filer.OnPrint = [](TBaseReport& r) {
    r.PrintLeft("first", 1);
    r.NewPage();
    r.Rectangle(1, 1, 2, 2);
  };
  filer.Execute();
  // The rectangle record of page 2 sits just before the last end code.
  const qsizetype at = data.size() - 1 - 17;
  ASSERT_EQ(static_cast<uint8_t>(data[at]), report_file::kRectangle);
  data[at] = 77;
  QTemporaryDir dir;
  const QString path = dir.filePath("broken.pdf");
  QBuffer buffer(&data);
  TFilePrinter player;
  player.SetStreamMode(smUser);
  player.SetStream(&buffer);
  player.SetOutputFileName(path);
  std::string error;
  try {
    player.Execute();
  } catch (const EReportError& e) {
    error = e.what();
  }
  EXPECT_EQ(error, "Unexpected code found in report file.");
  EXPECT_TRUE(player.Aborted());
  EXPECT_FALSE(player.Printing());
  EXPECT_FALSE(TREDevice::Instance().Printing());
  EXPECT_TRUE(buffer.isOpen());
  EXPECT_FALSE(QFileInfo::exists(path)) << "a cancelled job leaves no file";
}

TEST(FilePrinterJob, AFileWithoutPagesPrintsNothing) {
  REQUIRE_PDF_QUEUE();
  QByteArray data;
  QBuffer buffer(&data);
  TReportFiler filer;
  filer.SetStreamMode(smUser);
  filer.SetStream(&buffer);
  filer.SetFirstPage(4);
  filer.OnPrint = [](TBaseReport& r) { r.PrintLeft("not selected", 1); };
  filer.Execute();
  ASSERT_EQ(data.size(), 45);
  QTemporaryDir dir;
  TFilePrinter player;
  player.SetStreamMode(smUser);
  player.SetStream(&buffer);
  player.SetOutputFileName(dir.filePath("empty.pdf"));
  player.Execute();
  EXPECT_EQ(player.PageCount(), 0);
  EXPECT_EQ(TREDevice::Instance().PagesStarted(), 0);
  EXPECT_FALSE(TREDevice::Instance().Printing());
}

namespace {
QStringList error_boxes;
void CollectErrorBox(const QString& message) { error_boxes << message; }
}  // namespace

TEST(FilePrinterJob, WithoutPrintersOnlyTheErrorBoxShows) {
  NoPrinters no_printers;
  error_boxes.clear();
  const TErrorBoxHandler previous = SetReportErrorBoxHandler(CollectErrorBox);
  QByteArray data("not even read");
  QBuffer buffer(&data);
  TFilePrinter player;
  player.SetStreamMode(smUser);
  player.SetStream(&buffer);
  player.Execute();
  SetReportErrorBoxHandler(previous);
  EXPECT_EQ(error_boxes, QStringList({"No printers are defined, aborting print job."}));
  EXPECT_FALSE(buffer.isOpen()) << "the input was never opened";
}

// The report printed straight to the queue and the same report recorded and played back to
// the queue hold the same words at the same places.
TEST(FilePrinterJob, PlaybackOnTheQueueMatchesDirectPrinting) {
  REQUIRE_PDF_QUEUE();
  const QString stamp = QString::number(QDateTime::currentMSecsSinceEpoch());
  const QString direct_title = QStringLiteral("jlrfd") + stamp;
  const QString played_title = QStringLiteral("jlrfp") + stamp;

  TPrinterReport direct;
  direct.SetTitle(direct_title);
  direct.OnPrint = SampleReport;
  direct.Execute();

  QByteArray data;
  QBuffer buffer(&data);
  TReportFiler filer;
  filer.SetStreamMode(smUser);
  filer.SetStream(&buffer);
  filer.SetAccuracyMethod(amPositioning);
  filer.OnPrint = SampleReport;
  filer.Execute();
  TFilePrinter player;
  player.SetStreamMode(smUser);
  player.SetStream(&buffer);
  player.SetTitle(played_title);
  player.Execute();

  const QString direct_pdf = WaitForPdf(direct_title);
  const QString played_pdf = WaitForPdf(played_title);
  if (direct_pdf.isEmpty() || played_pdf.isEmpty()) {
    if (PdfQueueRequired()) FAIL() << "the queue wrote no file";
    GTEST_SKIP() << "the queue wrote no file";
  }
  const std::vector<Word> expected = Words(direct_pdf);
  const std::vector<Word> got = Words(played_pdf);
  QFile::remove(direct_pdf);
  QFile::remove(played_pdf);
  ASSERT_GT(expected.size(), 15u);
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].text, expected[i].text) << i;
    EXPECT_NEAR(got[i].x_min, expected[i].x_min, 1.0) << got[i].text.toStdString();
    EXPECT_NEAR(got[i].y_min, expected[i].y_min, 1.0) << got[i].text.toStdString();
    EXPECT_NEAR(got[i].x_max, expected[i].x_max, 1.0) << got[i].text.toStdString();
    EXPECT_NEAR(got[i].y_max, expected[i].y_max, 1.0) << got[i].text.toStdString();
  }
}

TEST(FilePrinterJob, TheFileHeaderSetsUpThePrinterAndCopiesOverrideIt) {
  REQUIRE_PDF_QUEUE();
  TREDevice& device = TREDevice::Instance();
  device.SetCopies(3);
  QByteArray data;
  QBuffer buffer(&data);
  TReportFiler filer;
  filer.SetStreamMode(smUser);
  filer.SetStream(&buffer);
  filer.SetOrientation(poLandScape);
  filer.OnPrint = [](TBaseReport& r) { r.PrintLeft("Sideways", 1); };
  filer.Execute();
  ReportFileHeader stored;
  RecordReader in(reinterpret_cast<const uint8_t*>(data.constData()), data.size());
  ASSERT_TRUE(stored.Read(in));
  EXPECT_EQ(stored.copies, 3);
  EXPECT_EQ(stored.orientation, poLandScape);
  // The queue's paper in the file's paper-size codes: 1 letter, 9 A4.
  const QPageSize::PageSizeId paper = static_cast<QPageSize::PageSizeId>(device.PaperSize());
  EXPECT_EQ(stored.paper_size, paper == QPageSize::A4 ? 9 : paper == QPageSize::Letter ? 1 : -1);

  device.SetCopies(1);
  device.SetOrientation(poPortrait);
  QTemporaryDir dir;
  const QString path = dir.filePath("sideways.pdf");
  TFilePrinter player;
  player.SetStreamMode(smUser);
  player.SetStream(&buffer);
  player.SetOutputFileName(path);
  player.Execute();
  EXPECT_EQ(device.Copies(), 3) << "the stored copies";
  EXPECT_EQ(device.Orientation(), poLandScape);
  const QRegularExpressionMatch m =
      QRegularExpression("Page size:\\s+([0-9.]+) x ([0-9.]+) pts").match(RunTool("pdfinfo", {path}));
  ASSERT_TRUE(m.hasMatch());
  EXPECT_GT(m.captured(1).toDouble(), m.captured(2).toDouble());

  player.SetOutputFileName(dir.filePath("two.pdf"));
  player.Playback(0, 0, 2);
  EXPECT_EQ(device.Copies(), 2) << "copies given to the playback win";
  device.SetCopies(1);
  device.SetOrientation(poPortrait);
}
