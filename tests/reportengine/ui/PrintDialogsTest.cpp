// The print dialog and the printer-setup dialog on the printer device: both are centred by
// the rule, the print dialog resets the page range or changes nothing when cancelled, and
// the printer-setup dialog's choice of printer, paper and orientation.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <gtest/gtest.h>

#include <optional>

#include "reportengine/PdfQueueTestSupport.h"
#include "reportengine/PrinterReport.h"
#include "reportengine/REDevice.h"
#include "reportengine/ui/PrintDialogs.h"
#include "reportengine/ui/PrinterSetupDialog.h"
#include "tests/NextWindow.h"

namespace {

TEST(PrinterReport, PrinterSetupDialogIsCentred) {
  REQUIRE_PDF_QUEUE();
  TPrinterReport report;
  QPoint position;
  QSize size;
  QRect screen;
  const auto shown = OnModal<QDialog>([&](QDialog* dialog) {
    position = dialog->pos();
    size = dialog->frameGeometry().size();
    screen = dialog->screen()->geometry();
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
  EXPECT_TRUE(ShowPrinterSetupDialog(report));
  ASSERT_TRUE(shown->Seen());
  ASSERT_FALSE(size.isEmpty());
  EXPECT_EQ(position.x(), screen.left() + (screen.width() - size.width()) / 2);
  EXPECT_EQ(position.y(), screen.top() + (screen.height() - size.height()) / 3);
}

// Three printers, one with paper bins, each with a device mode that writes PDF on A4. The
// dialog opens on the selection and lists every printer with its type and place; a printer
// chosen there brings its bins. OK makes it the device's printer with the paper, source and
// orientation chosen; Cancel leaves everything as it was, whatever was changed.
TEST(PrinterSetupDialog, ChoosesThePrinterWithItsPaperSourceAndOrientation) {
  TPrinterSource source;
  source.List = [] {
    return std::vector<TREDeviceItem>{{"Office", "Laser 5", "lpd://office"},
                                      {"Lab", "Ink 2", "usb://lab"},
                                      {"Draft", "Dot 9", "parallel:/dev/lp0"}};
  };
  source.DefaultDevice = [] { return QStringLiteral("Office"); };
  source.Bins = [](const QString& device) {
    return device == "Lab" ? QStringList{"Upper tray", "Manual feed"} : QStringList();
  };
  source.MaxCopies = [](const QString&) { return 0; };
  source.DeviceMode = [](const QString&) { return std::optional<TDeviceMode>(TDeviceMode()); };
  TREDevice& device = TREDevice::Instance();
  device.SetPrinterSource(source);
  const QString a4 = QPageSize(QPageSize::A4).name();
  const QString legal = QPageSize(QPageSize::Legal).name();

  auto setup = OnModal<TPrinterSetupDialog>([&](TPrinterSetupDialog* d) {
    EXPECT_EQ(d->windowTitle(), "Print Setup");
    EXPECT_EQ(d->PrinterName->count(), 3);
    EXPECT_EQ(d->PrinterName->currentText(), "Office on lpd://office");
    EXPECT_EQ(d->PrinterType->text(), "Laser 5");
    EXPECT_EQ(d->PaperSize->currentText(), a4);
    EXPECT_FALSE(d->PaperSource->isEnabled());
    EXPECT_TRUE(d->Portrait->isChecked());
    d->PrinterName->setCurrentIndex(1);
    d->Landscape->click();
    d->CancelButton->click();
  });
  EXPECT_FALSE(RunPrinterSetupDialog(device));
  EXPECT_TRUE(setup->Seen());
  EXPECT_EQ(device.DeviceName(), "Office");
  EXPECT_EQ(device.Orientation(), poPortrait);

  setup = OnModal<TPrinterSetupDialog>([&](TPrinterSetupDialog* d) {
    d->PrinterName->setCurrentIndex(1);
    EXPECT_EQ(d->PrinterWhere->text(), "usb://lab");
    ASSERT_EQ(d->PaperSource->count(), 3);
    EXPECT_TRUE(d->PaperSource->isEnabled());
    EXPECT_EQ(d->PaperSource->itemText(0), "Default");
    EXPECT_EQ(d->PaperSource->itemText(2), "Manual feed");
    d->PaperSource->setCurrentIndex(2);
    d->PaperSize->setCurrentIndex(d->PaperSize->findText(legal));
    d->Landscape->click();
    d->OkButton->click();
  });
  EXPECT_TRUE(RunPrinterSetupDialog(device));
  EXPECT_TRUE(setup->Seen());
  EXPECT_EQ(device.DeviceName(), "Lab");
  EXPECT_EQ(device.PaperSize(), QPageSize::Legal);
  EXPECT_EQ(device.BinNumber(), 2);
  EXPECT_EQ(device.Orientation(), poLandScape);
  EXPECT_NEAR(device.Geometry().PageWidth, 14.0, 1e-6);
  EXPECT_NEAR(device.Geometry().PageHeight, 8.5, 1e-6);

  // Opened again it shows that setup. A printer without bins takes its default source and
  // keeps the size where it has it.
  setup = OnModal<TPrinterSetupDialog>([&](TPrinterSetupDialog* d) {
    EXPECT_EQ(d->PrinterName->currentIndex(), 1);
    EXPECT_EQ(d->PaperSize->currentText(), legal);
    EXPECT_EQ(d->PaperSource->currentIndex(), 2);
    EXPECT_TRUE(d->Landscape->isChecked());
    d->PrinterName->setCurrentIndex(2);
    EXPECT_EQ(d->PaperSource->currentIndex(), 0);
    EXPECT_EQ(d->PaperSize->currentText(), legal);
    d->OkButton->click();
  });
  EXPECT_TRUE(RunPrinterSetupDialog(device));
  EXPECT_TRUE(setup->Seen());
  EXPECT_EQ(device.DeviceName(), "Draft");
  EXPECT_EQ(device.BinNumber(), 0);
  EXPECT_EQ(device.PaperSize(), QPageSize::Legal);
  EXPECT_EQ(device.Orientation(), poLandScape);
  device.SetPrinterSource(TREDevice::SystemPrinterSource());
}

TEST(PrinterReport, PrintDialogIsCentredAndResetsThePageRange) {
  REQUIRE_PDF_QUEUE();
  TPrinterReport report;
  report.SetFirstPage(3);
  report.SetLastPage(5);
  QPoint position;
  QSize size;
  QRect screen;
  const auto shown = OnModal<QDialog>([&](QDialog* dialog) {
    position = dialog->pos();
    size = dialog->frameGeometry().size();
    screen = dialog->screen()->geometry();
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
  ASSERT_TRUE(ShowPrintDialog(report));
  ASSERT_TRUE(shown->Seen());
  EXPECT_EQ(report.FirstPage(), 1);
  EXPECT_EQ(report.LastPage(), 9999);
  ASSERT_FALSE(size.isEmpty());
  EXPECT_EQ(position.x(), screen.left() + (screen.width() - size.width()) / 2);
  EXPECT_EQ(position.y(), screen.top() + (screen.height() - size.height()) / 3);
}

TEST(PrinterReport, CancelledPrintDialogChangesNothing) {
  REQUIRE_PDF_QUEUE();
  TPrinterReport report;
  report.SetFirstPage(3);
  const auto shown = OnModal<QDialog>([](QDialog* dialog) {
    QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
  });
  EXPECT_FALSE(ShowPrintDialog(report));
  EXPECT_TRUE(shown->Seen());
  EXPECT_EQ(report.FirstPage(), 3);
}

}  // namespace
