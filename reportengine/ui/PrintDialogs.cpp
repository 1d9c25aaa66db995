#include "reportengine/ui/PrintDialogs.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <memory>

#include "reportengine/BaseReport.h"
#include "reportengine/REDevice.h"
#include "reportengine/ReportError.h"
#include "reportengine/ui/PrinterSetupDialog.h"

namespace {

// The print engine property through which Qt's CUPS engine takes job options (key and
// value pairs in one string list). Qt uses it for the options its dialogs set.
const auto kCupsOptionsProperty = static_cast<QPrintEngine::PrintEnginePropertyKey>(0xfe00);

// Moves a dialog by the centring rule when it is shown (its final size is known then).
class CentreOnShow : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->isWidgetType()) CenterDialog(static_cast<QWidget*>(watched));
    return false;
  }
};

void CheckIdle(const TREDevice& device) {
  if (device.Printing()) throw EReportError(report_messages::kDeviceAlreadyPrinting);
}

QPrinter::DuplexMode ToQt(TDeviceMode::TDuplex duplex) {
  switch (duplex) {
    case TDeviceMode::dxLongSide: return QPrinter::DuplexLongSide;
    case TDeviceMode::dxShortSide: return QPrinter::DuplexShortSide;
    default: return QPrinter::DuplexNone;
  }
}

TDeviceMode::TDuplex FromQt(QPrinter::DuplexMode duplex) {
  switch (duplex) {
    case QPrinter::DuplexLongSide: return TDeviceMode::dxLongSide;
    case QPrinter::DuplexShortSide: return TDeviceMode::dxShortSide;
    default: return TDeviceMode::dxNone;
  }
}

// A QPrinter set up as the device mode: the queue it names (a PDF writer for a device
// that only writes files), its page, resolution, copies, collation, duplex and options.
std::unique_ptr<QPrinter> PrinterOf(const TDeviceMode& mode) {
  std::unique_ptr<QPrinter> printer;
  const QPrinterInfo info = QPrinterInfo::printerInfo(mode.PrinterName);
  if (!mode.PrinterName.isEmpty() && !info.isNull()) {
    printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
  } else {
    printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
  }
  printer->setFullPage(false);
  printer->setResolution(mode.Resolution);
  printer->setPageLayout(mode.Layout);
  printer->setCopyCount(mode.Copies);
  printer->setCollateCopies(mode.Collate);
  // Set only when it differs: a duplex set on purpose stays when the user picks another printer.
  if (printer->duplex() != ToQt(mode.Duplex)) printer->setDuplex(ToQt(mode.Duplex));
  if (printer->printEngine() && !mode.CupsOptions.isEmpty())
    printer->printEngine()->setProperty(kCupsOptionsProperty, mode.CupsOptions);
  return printer;
}

// The device mode with what the dialog chose on `printer`.
TDeviceMode ModeOf(const QPrinter& printer, TDeviceMode mode) {
  if (printer.outputFormat() == QPrinter::NativeFormat) mode.PrinterName = printer.printerName();
  mode.Layout = printer.pageLayout();
  mode.Copies = printer.copyCount();
  mode.Collate = printer.collateCopies();
  mode.Duplex = FromQt(printer.duplex());
  mode.OutputFileName = printer.outputFileName();
  if (printer.printEngine() && printer.outputFormat() == QPrinter::NativeFormat)
    mode.CupsOptions = printer.printEngine()->property(kCupsOptionsProperty).toStringList();
  return mode;
}

}  // namespace

void CenterDialog(QWidget* dialog) {
  if (!dialog) return;
  QScreen* screen = dialog->screen() ? dialog->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->geometry();
  const QSize size = dialog->frameGeometry().size();
  dialog->move(area.left() + (area.width() - size.width()) / 2, area.top() + (area.height() - size.height()) / 3);
}

bool RunPrintDialog(TREDevice& device, TPrintDialogRequest& request, QWidget* parent) {
  CheckIdle(device);
  if (!device.HasDevMode()) return false;
  TDeviceMode mode = *device.Printer();
  mode.Copies = std::max(1, request.Copies);
  if (device.SupportsCollate()) mode.Collate = request.Collate;
  const std::unique_ptr<QPrinter> printer = PrinterOf(mode);
  QPrintDialog dialog(printer.get(), parent);
  QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintCollateCopies;
  if (request.AllowPrintToFile) options |= QAbstractPrintDialog::PrintToFile;
  if (request.AllowPageNums) options |= QAbstractPrintDialog::PrintPageRange;
  if (request.AllowSelection) options |= QAbstractPrintDialog::PrintSelection;
  dialog.setOptions(options);
  dialog.setMinMax(std::max(1, request.MinPage), std::max(request.MinPage, request.MaxPage));
  if (request.AllowPageNums) {
    dialog.setFromTo(std::clamp(request.FromPage, dialog.minPage(), dialog.maxPage()),
                     std::clamp(request.ToPage, dialog.minPage(), dialog.maxPage()));
  }
  dialog.setPrintRange(QAbstractPrintDialog::AllPages);
  // The copies and collation asked for count even when the dialog is cancelled.
  device.Printer()->Copies = mode.Copies;
  device.Printer()->Collate = mode.Collate;
  CentreOnShow centre;
  dialog.installEventFilter(&centre);
  if (dialog.exec() != QDialog::Accepted) return false;

  // The dialog configured the QPrinter; the device takes it over with the printer chosen.
  TDeviceMode chosen = ModeOf(*printer, mode);
  request.Collate = chosen.Collate;
  request.Copies = chosen.Copies;
  request.OutputFileName = chosen.OutputFileName;
  request.PrintToFile = !request.OutputFileName.isEmpty();
  switch (dialog.printRange()) {
    case QAbstractPrintDialog::PageRange: request.Range = TPrintDialogRequest::prPageNums; break;
    case QAbstractPrintDialog::Selection: request.Range = TPrintDialogRequest::prSelection; break;
    default: request.Range = TPrintDialogRequest::prAllPages; break;
  }
  request.FromPage = dialog.fromPage();
  request.ToPage = dialog.toPage();
  // The output file is the report's to pass at each job, not a lasting printer setting.
  if (request.PrintToFile) {
    chosen.OutputFileName.clear();
    chosen.PrinterName = device.DeviceName();
  }
  device.AdoptDialogSettings(chosen);
  return true;
}

bool RunPrinterSetupDialog(TREDevice& device, QWidget* parent) {
  CheckIdle(device);
  if (device.Printers().isEmpty()) return false;
  std::vector<TREDeviceItem> items;
  for (int i = 0; i < device.Printers().size(); ++i) items.push_back(device.Item(i));
  TPrinterSetup current;
  current.Printer = std::max(0, device.PrinterIndex());
  current.Paper = device.Printer() ? device.Printer()->Layout.pageSize() : QPageSize();
  current.Bin = device.BinNumber();
  current.Orientation = device.Orientation();
  TPrinterSetupDialog dialog(items, [&device](int index) { return device.PaperOf(index); }, current, parent);
  CentreOnShow centre;
  dialog.installEventFilter(&centre);
  if (dialog.exec() != QDialog::Accepted) return false;

  // The printer named in the dialog becomes the selection, then takes the paper and the
  // orientation chosen for it.
  const TPrinterSetup chosen = dialog.Setup();
  if (chosen.Printer < 0 || chosen.Printer >= static_cast<int>(items.size())) return false;
  device.SelectPrinter(items[static_cast<size_t>(chosen.Printer)].DeviceName(), true);
  if (device.HasDevMode()) {
    device.SetOrientation(chosen.Orientation);
    if (chosen.Paper.isValid()) device.SetPageSize(chosen.Paper);
  }
  device.SetBinNumber(chosen.Bin);
  return true;
}

bool ShowPrintDialog(TBaseReport& report, QWidget* parent) {
  if (report.Printing()) throw EReportError(report_messages::kAlreadyPrinting);
  TREDevice& device = TREDevice::Instance();
  TPrintDialogRequest request;
  request.Collate = device.Collate();
  request.Copies = device.Copies();
  request.FromPage = report.FirstPage();
  request.ToPage = report.LastPage();
  request.MinPage = 1;
  request.MaxPage = report.LastPage();
  request.AllowPrintToFile = true;
  if (!RunPrintDialog(device, request, parent)) return false;
  device.SetCollate(request.Collate);
  report.SetCopies(request.Copies);
  if (request.Range == TPrintDialogRequest::prPageNums) {
    report.SetFirstPage(request.FromPage);
    report.SetLastPage(request.ToPage);
  } else {
    report.SetFirstPage(1);
    report.SetLastPage(kLastPageAll);
  }
  // The file chosen in the dialog is where the job goes; the printer chosen instead takes
  // the job back from a file chosen before.
  report.SetOutputFileName(request.PrintToFile ? request.OutputFileName : QString());
  return true;
}

bool ShowPrinterSetupDialog(TBaseReport& report, QWidget* parent) {
  if (report.Printing()) throw EReportError(report_messages::kAlreadyPrinting);
  return RunPrinterSetupDialog(TREDevice::Instance(), parent);
}
