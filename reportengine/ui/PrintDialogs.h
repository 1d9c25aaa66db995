// The window part of printing: the print dialog and the printer-setup dialog on the printer
// device, for the device itself and for a report, and the centring rule both follow. The
// dialogs edit the device's device mode through a QPrinter built from it for the dialog.
#pragma once

#include <QString>

#include "reportengine/ReportTypes.h"

class QWidget;
class TBaseReport;
class TREDevice;

// What a report asks of the print dialog and what the dialog gives back.
struct TPrintDialogRequest {
  enum TRange { prAllPages, prSelection, prPageNums };
  bool Collate = false;
  int Copies = 1;
  int FromPage = 1;
  int ToPage = kLastPageAll;
  int MinPage = 1;
  int MaxPage = kLastPageAll;
  bool AllowPrintToFile = true;
  bool AllowPageNums = false;
  bool AllowSelection = false;
  bool PrintToFile = false;
  // The file chosen for print-to-file (returned).
  QString OutputFileName;
  TRange Range = prAllPages;
};

// The centring rule of both dialogs: horizontally centred, top at a third of the free
// vertical space of the screen.
void CenterDialog(QWidget* dialog);

// The print dialog for the device's selected printer; on OK the device takes over the
// settings, selects the printer chosen and the request is filled. True on OK; false
// without a device mode. Refused while printing.
bool RunPrintDialog(TREDevice& device, TPrintDialogRequest& request, QWidget* parent = nullptr);

// The printer-setup dialog ("Print Setup") on the selected printer, its paper size and
// source and the orientation. On OK the printer chosen there becomes the selection (by its
// device name, exact) and takes the paper, source and orientation chosen; Cancel changes
// nothing. False on Cancel and without printers. Refused while printing.
bool RunPrinterSetupDialog(TREDevice& device, QWidget* parent = nullptr);

// The print dialog for a report (printer and copies, print to file; no page numbers, no
// selection). On OK writes collate, Copies, FirstPage/LastPage (1, kLastPageAll) and
// OutputFileName (the file chosen, or empty when a printer was chosen). Refused while the
// report prints.
bool ShowPrintDialog(TBaseReport& report, QWidget* parent = nullptr);
// The printer-setup dialog for the selected printer; true on OK. Refused while the report
// prints.
bool ShowPrinterSetupDialog(TBaseReport& report, QWidget* parent = nullptr);
