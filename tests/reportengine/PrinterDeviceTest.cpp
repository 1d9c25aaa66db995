// The printer device and the printer report: the printer list and selection, settings and
// their rules, bins, the refusals, the no-printer case, real jobs on the CUPS "PDF" queue and
// to a file read back with pdftotext and pdfinfo, the print dialog's placement, and the
// printer-setup dialog's choice of printer, paper and orientation.
#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <memory>

#include "PageModelTestSupport.h"
#include "PdfQueueTestSupport.h"
#include "reportengine/PrinterReport.h"
#include "reportengine/REDevice.h"
#include "reportengine/ReportError.h"

namespace {

template <typename F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const EReportError& e) {
    return e.what();
  }
  return "";
}

QStringList error_boxes;
void CollectErrorBox(const QString& message) { error_boxes << message; }

// A two-page report with one line of text on each page.
void PrintTwoPages(TPrinterReport& report) {
  report.OnPrint = [](TBaseReport& r) {
    r.SetFont("Arial", 14);
    r.PrintLeft("First page text", 1.0);
    r.NewPage();
    r.PrintLeft("Second page text", 1.0);
    r.Rectangle(1.0, 2.0, 3.0, 3.0);
  };
  report.Execute();
}

TEST(PrinterDevice, ListSelectionAndDefault) {
  FakePrinters printers({TREDeviceItem("Laser", "Acme 5", "LPT1:"),
                         TREDeviceItem("Laser", "Acme 5", "FILE:"),
                         TREDeviceItem("Ink", "Jet 2", "usb://ink")},
                        "ink");
  TREDevice& device = TREDevice::Instance();
  EXPECT_EQ(device.Printers(),
            (QStringList{"Laser on LPT1:", "Laser on FILE:", "Ink on usb://ink"}));
  EXPECT_EQ(device.PrinterIndex(), 2);  // the default, names compared ignoring case
  EXPECT_EQ(device.DeviceName(), "Ink");
  EXPECT_EQ(device.DriverName(), "Jet 2");

  EXPECT_TRUE(device.SelectPrinter("on file", false));
  EXPECT_EQ(device.PrinterIndex(), 1);
  EXPECT_EQ(device.PortName(), "FILE:");
  EXPECT_FALSE(device.SelectPrinter("laser", true));  // exact compares the device name as is
  EXPECT_TRUE(device.SelectPrinter("Laser", true));
  EXPECT_EQ(device.PrinterIndex(), 0);
  device.SetPrinterIndex(7);  // beyond the list: ignored
  EXPECT_EQ(device.PrinterIndex(), 0);
  device.SetPrinterIndex(-1);  // the default again
  EXPECT_EQ(device.PrinterIndex(), 2);
}

TEST(PrinterDevice, UnknownDefaultSelectsTheFirstPrinter) {
  FakePrinters printers({TREDeviceItem("A", "d", "p1"), TREDeviceItem("B", "d", "p2")}, "Z");
  EXPECT_EQ(TREDevice::Instance().PrinterIndex(), 0);
}

TEST(PrinterDevice, PrinterWithoutDeviceMode) {
  // Qt cannot open a printer that CUPS does not know: no device mode.
  FakePrinters printers({TREDeviceItem("Ghost", "none", "nowhere")}, {},
                        {"Upper Tray", "Manual feed", "Lower tray"});
  TREDevice& device = TREDevice::Instance();
  EXPECT_FALSE(device.HasDevMode());
  EXPECT_EQ(device.Copies(), 1);
  device.SetCopies(3);  // ignored
  EXPECT_EQ(device.Copies(), 1);
  EXPECT_EQ(ErrorOf([&] { device.SetOrientation(poLandScape); }),
            "Invalid operation.  Device has no DevMode structure");
  EXPECT_EQ(ErrorOf([&] { device.BeginDoc(); }), "Invalid Printer");
  EXPECT_EQ(ErrorOf([&] { device.NewPage(true); }),
            "Invalid method call.  Device is not printing.");
  EXPECT_EQ(ErrorOf([&] { device.EndDoc(); }), "Invalid method call.  Device is not printing.");
  EXPECT_EQ(ErrorOf([&] { device.AbortDoc(); }),
            "Invalid method call.  Device is not printing.");

  // Bins: inexact finds the first name containing the word in any letter case.
  EXPECT_TRUE(device.SelectBin("tray", false));
  EXPECT_EQ(device.BinNumber(), 1);
  EXPECT_TRUE(device.SelectBin("Lower tray", true));
  EXPECT_EQ(device.BinNumber(), 3);
  EXPECT_FALSE(device.SelectBin("lower TRAY", true));
  EXPECT_FALSE(device.SelectBin("envelope", false));
  EXPECT_EQ(device.BinNumber(), 3);
}

TEST(PrinterDevice, NoPrinterInstalled) {
  FakePrinters none;
  TREDevice& device = TREDevice::Instance();
  EXPECT_TRUE(device.Printers().isEmpty());
  EXPECT_EQ(device.PrinterIndex(), -1);
  const TPageGeometry g = device.Geometry();
  EXPECT_EQ(g.XDPI, 96);
  EXPECT_EQ(g.PageWidth, 8.5);
  EXPECT_EQ(g.PageHeight, 11);
  EXPECT_EQ(g.LeftWaste, 0);

  error_boxes.clear();
  const TErrorBoxHandler previous = SetReportErrorBoxHandler(CollectErrorBox);
  TPrinterReport report;
  bool before = false;
  report.OnBeforePrint = [&before](TBaseReport&) { before = true; };
  report.Execute();
  SetReportErrorBoxHandler(previous);
  EXPECT_EQ(error_boxes, QStringList{"No printers are defined, aborting print job."});
  EXPECT_FALSE(before);
  EXPECT_FALSE(report.Printing());
}

TEST(PrinterDevice, FilePrinterWritesPdfFilesOnly) {
  FakePrinters restore;  // the system's printers again afterwards
  TREDevice& device = TREDevice::Instance();
  device.SetPrinterSource(TREDevice::FilePrinterSource());
  ASSERT_EQ(device.Printers(), QStringList{"PDF file on FILE:"});
  ASSERT_TRUE(device.HasDevMode());
  EXPECT_EQ(device.XDPI(), 1200);
  const TPageGeometry g = device.Geometry();
  const bool inches = QLocale().measurementSystem() != QLocale::MetricSystem;
  EXPECT_NEAR(g.PageWidth, inches ? 8.5 : 8.27, 0.01);

  // Without a file the job has nowhere to go.
  error_boxes.clear();
  const TErrorBoxHandler previous = SetReportErrorBoxHandler(CollectErrorBox);
  {
    TPrinterReport report;
    report.OnPrint = [](TBaseReport& r) { r.PrintLeft("Nowhere", 1.0); };
    EXPECT_THROW(report.Execute(), EReportError);
    EXPECT_FALSE(device.Printing());
  }
  SetReportErrorBoxHandler(previous);
  EXPECT_TRUE(error_boxes.isEmpty()) << "the file printer is a printer: no 'no printers' box";

  QTemporaryDir dir;
  const QString path = dir.filePath("report.pdf");
  TPrinterReport report;
  report.SetOutputFileName(path);
  PrintTwoPages(report);
  EXPECT_EQ(device.PagesStarted(), 2);
  const QString text = RunTool("pdftotext", {path, "-"});
  EXPECT_TRUE(text.contains("First page text")) << text.toStdString();
  EXPECT_TRUE(text.contains("Second page text"));
}

TEST(PrinterDevice, SettingsOfTheCupsQueue) {
  REQUIRE_PDF_QUEUE();
  TREDevice& device = TREDevice::Instance();
  const int max = device.MaxCopies();
  ASSERT_GT(max, 2);
  device.SetCopies(2);
  EXPECT_EQ(device.Copies(), 2);
  device.SetCopies(max);  // the bound is exclusive
  EXPECT_EQ(device.Copies(), 2);
  device.SetCopies(0);
  EXPECT_EQ(device.Copies(), 2);
  device.SetCopies(1);

  if (!device.SupportsDuplex()) {
    device.SetDuplex(1);
    EXPECT_EQ(device.Duplex(), 0);
  }
  device.SetOrientation(poLandScape);
  TPageGeometry g = device.Geometry();
  EXPECT_GT(g.PageWidth, g.PageHeight);
  EXPECT_EQ(device.Orientation(), poLandScape);
  device.SetOrientation(poDefault);  // leaves it alone
  EXPECT_EQ(device.Orientation(), poLandScape);
  device.SetOrientation(poPortrait);
  g = device.Geometry();
  EXPECT_LT(g.PageWidth, g.PageHeight);
  EXPECT_GE(g.XDPI, 72);
  EXPECT_GT(device.PageWidth(), 0);
}

TEST(PrinterReport, PrintsToAFileThroughTheQueuesDevice) {
  REQUIRE_PDF_QUEUE();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("report.pdf");
  TPrinterReport report;
  report.SetOutputFileName(path);
  PrintTwoPages(report);
  ASSERT_TRUE(QFileInfo::exists(path));
  const QString text = RunTool("pdftotext", {"-layout", path, "-"});
  const qsizetype first = text.indexOf("First page text");
  const qsizetype second = text.indexOf("Second page text");
  ASSERT_GE(first, 0) << text.toStdString();
  ASSERT_GT(second, first);
  EXPECT_GT(text.indexOf(QChar(0x0C), first), first);  // a page break between them
  const QString info = RunTool("pdfinfo", {path});
  EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+2\\b"))) << info.toStdString();
  const TPageGeometry g = TREDevice::Instance().Geometry();
  const QRegularExpression size("Page size:\\s+([0-9.]+) x ([0-9.]+) pts");
  const QRegularExpressionMatch m = size.match(info);
  ASSERT_TRUE(m.hasMatch()) << info.toStdString();
  EXPECT_NEAR(m.captured(1).toDouble(), g.PageWidth * 72, 1.0);
  EXPECT_NEAR(m.captured(2).toDouble(), g.PageHeight * 72, 1.0);
  // The device goes back to the printer after a job to a file.
  EXPECT_TRUE(TREDevice::Instance().Printer()->OutputFileName.isEmpty());
  EXPECT_EQ(TREDevice::Instance().Printer()->PrinterName, "PDF");
}

TEST(PrinterReport, PrintsOnTheCupsPdfQueue) {
  REQUIRE_PDF_QUEUE();
  const QString title = QStringLiteral("jlre%1").arg(QDateTime::currentMSecsSinceEpoch());
  TPrinterReport report;
  report.SetTitle(title);
  report.OnPrint = [](TBaseReport& r) {
    r.SetFont("Arial", 14);
    r.PrintLeft("Hello world", 1.0);
    r.NewPage();
    r.PrintLeft("Second sheet", 1.0);
  };
  report.Execute();
  const QString path = WaitForPdf(title);
  ASSERT_FALSE(path.isEmpty()) << "the queue wrote no file for " << title.toStdString();
  const QString info = RunTool("pdfinfo", {path});
  EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+2\\b"))) << info.toStdString();
  const QString page1 = RunTool("pdftotext", {"-f", "1", "-l", "1", path, "-"});
  const QString page2 = RunTool("pdftotext", {"-f", "2", "-l", "2", path, "-"});
  // The queue turns the job into PostScript and back, re-encoding the embedded fonts, so
  // its text reads back as other code points: each page holds two words of text there (the
  // exact texts are read back from a job written to a file, above).
  EXPECT_EQ(page1.simplified().split(' ').size(), 2) << page1.toStdString();
  EXPECT_EQ(page2.simplified().split(' ').size(), 2) << page2.toStdString();
  if (page1.contains("Hello")) {
    EXPECT_TRUE(page2.contains("Second sheet"));
  }
  QFile::remove(path);
}

TEST(PrinterReport, SkippedAndAbortedJobs) {
  REQUIRE_PDF_QUEUE();
  QTemporaryDir dir;
  // Page selection: only page 2 becomes a device page.
  const QString selected = dir.filePath("selected.pdf");
  TPrinterReport report;
  report.SetOutputFileName(selected);
  report.SetPageSelection("2");
  PrintTwoPages(report);
  const QString text = RunTool("pdftotext", {selected, "-"});
  EXPECT_LT(text.indexOf("First page text"), 0);
  EXPECT_GE(text.indexOf("Second page text"), 0);
  EXPECT_TRUE(RunTool("pdfinfo", {selected}).contains(QRegularExpression("Pages:\\s+1\\b")));

  // An aborted job is cancelled: no file.
  const QString aborted = dir.filePath("aborted.pdf");
  TPrinterReport stopped;
  stopped.SetOutputFileName(aborted);
  stopped.OnPrint = [](TBaseReport& r) {
    r.PrintLeft("Never", 1);
    r.Abort();
  };
  stopped.Execute();
  EXPECT_TRUE(stopped.Aborted());
  EXPECT_FALSE(QFileInfo(aborted).exists() && QFileInfo(aborted).size() > 0);
  EXPECT_FALSE(TREDevice::Instance().Printing());
}

TEST(PrinterReport, CanvasRefusesOutsideAJob) {
  REQUIRE_PDF_QUEUE();
  EXPECT_EQ(ErrorOf([] { TREDevice::Instance().Canvas().LineTo(5, 5); }),
            "Error!  Canvas not yet active.");
  TPrinterReport report;
  report.Start();
  EXPECT_EQ(ErrorOf([] { TREDevice::Instance().BeginDoc(); }),
            "Invalid method call.  Device already printing.");
  EXPECT_EQ(ErrorOf([] { TREDevice::Instance().SetCopies(2); }),
            "Invalid method call.  Device already printing.");
  EXPECT_EQ(ErrorOf([] { TREDevice::Instance().SelectPrinter("PDF", true); }),
            "Invalid method call.  Device already printing.");
  report.Abort();
  report.Finish();
}

TEST(PrinterReport, OrientationChangesBetweenPages) {
  REQUIRE_PDF_QUEUE();
  QTemporaryDir dir;
  const QString path = dir.filePath("turned.pdf");
  TPrinterReport report;
  report.SetOutputFileName(path);
  double wide = 0;
  double high = 0;
  report.OnPrint = [&](TBaseReport& r) {
    r.PrintLeft("Portrait", 1.0);
    r.SetOrientation(poLandScape);
    r.NewPage();
    wide = r.PageWidth();
    high = r.PageHeight();
    r.PrintLeft("Landscape", 1.0);
  };
  report.Execute();
  TREDevice::Instance().SetOrientation(poPortrait);
  EXPECT_GT(wide, high);
  const QString info = RunTool("pdfinfo", {"-f", "1", "-l", "2", path});
  const QRegularExpression size("Page\\s+(\\d) size:\\s+([0-9.]+) x ([0-9.]+)");
  auto it = size.globalMatch(info);
  std::vector<std::pair<double, double>> sizes;
  while (it.hasNext()) {
    const auto m = it.next();
    sizes.emplace_back(m.captured(2).toDouble(), m.captured(3).toDouble());
  }
  ASSERT_EQ(sizes.size(), 2u) << info.toStdString();
  EXPECT_LT(sizes[0].first, sizes[0].second);
  EXPECT_GT(sizes[1].first, sizes[1].second);
}

}  // namespace

TEST(PrinterDevice, RawDataFailsTheJobInsteadOfVanishing) {
  FakePrinters restore;  // the system's printers again afterwards
  TREDevice::Instance().SetPrinterSource(TREDevice::FilePrinterSource());
  QTemporaryDir dir;
  for (const bool stream : {false, true}) {
    const QString path = dir.filePath(stream ? "stream.pdf" : "data.pdf");
    TPrinterReport report;
    report.SetOutputFileName(path);
    report.OnPrint = [stream](TBaseReport& r) {
      r.PrintLeft("Before the data", 1.0);
      QByteArray bytes("\x1b" "E");
      QBuffer in(&bytes);
      in.open(QIODevice::ReadOnly);
      if (stream) r.PrintDataStream(in, 0);
      else r.PrintData(bytes);
    };
    EXPECT_EQ(ErrorOf([&] { report.Execute(); }),
              "Raw printer data cannot be printed: the printer takes drawn pages only.");
    EXPECT_TRUE(report.Aborted());
    EXPECT_FALSE(TREDevice::Instance().Printing());
    EXPECT_FALSE(QFileInfo::exists(path)) << "a failed job leaves no half report";
  }
}
