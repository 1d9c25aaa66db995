#include "reportengine/PrinterReport.h"

#include "reportengine/REDevice.h"
#include "reportengine/ReportError.h"

TPrinterReport::~TPrinterReport() {
  TREDevice& device = TREDevice::Instance();
  if (Printing() && device.Printing()) {
    try {
      device.AbortDoc();
    } catch (...) {
      // Nothing more can be done for a job whose report is going away.
    }
  }
}

bool TPrinterReport::CanStart() {
  if (TREDevice::Instance().Printers().isEmpty()) {
    ReportErrorBox(QString::fromLatin1(report_messages::kNoPrinters));
    return false;
  }
  return true;
}

void TPrinterReport::DeviceBeginDoc() {
  TREDevice& device = TREDevice::Instance();
  device.SetTitle(Title());
  device.SetDocumentTitle(DocumentTitle());
  device.SetOutputName(OutputFileName());
  if (device.HasDevMode()) {
    if (!device.Printing()) device.SetCopies(Copies());
    if (Orientation() != poDefault) device.SetOrientation(Orientation());
  }
  device.BeginDoc();
}

void TPrinterReport::DeviceStartPage() { TREDevice::Instance().NewPage(true); }

void TPrinterReport::DeviceEndPage() {
  TREDevice& device = TREDevice::Instance();
  if (device.Printing() && device.PageOpen()) device.NewPage(false);
}

void TPrinterReport::DeviceEndDoc() {
  TREDevice& device = TREDevice::Instance();
  if (!device.Printing()) return;
  if (Aborted()) {
    device.AbortDoc();
  } else {
    device.EndDoc();
  }
}
