// TPrinterSetupDialog: "Print Setup", the printer-setup dialog of the report engine. The user
// picks the printer among the installed ones (its type and where it is shown below it), the
// paper size and source that printer offers, and the orientation. The dialog changes nothing
// itself: the printer device reads the setup chosen when the dialog was accepted.
#pragma once

#include <QDialog>
#include <QList>
#include <QPageSize>
#include <QStringList>

#include <functional>
#include <vector>

#include "reportengine/REDevice.h"
#include "reportengine/REDeviceItem.h"
#include "reportengine/ReportTypes.h"

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

// A setup: what the dialog shows first and what it gives back.
struct TPrinterSetup {
  int Printer = 0;  // index into the printer list
  QPageSize Paper;
  int Bin = 0;  // 0 the printer's default source, n the n-th bin
  TOrientation Orientation = poPortrait;
};

class TPrinterSetupDialog : public QDialog {
  Q_OBJECT

 public:
  using TPaperOf = std::function<TPrinterPaper(int printer)>;

  // `printers`: the printer list (not empty); `paper_of`: the paper of the printer at an
  // index, asked whenever the user moves to a printer; `current`: the setup shown first.
  TPrinterSetupDialog(std::vector<TREDeviceItem> printers, TPaperOf paper_of, const TPrinterSetup& current,
                      QWidget* parent = nullptr);

  // The setup the controls show now.
  TPrinterSetup Setup() const;

  QComboBox* PrinterName = nullptr;
  QLabel* PrinterType = nullptr;
  QLabel* PrinterWhere = nullptr;
  QComboBox* PaperSize = nullptr;
  QComboBox* PaperSource = nullptr;
  QRadioButton* Portrait = nullptr;
  QRadioButton* Landscape = nullptr;
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  // Fills the paper controls for the printer at `index`, keeping the size `keep` and the
  // source `bin` where that printer has them.
  void ShowPrinter(int index, const QPageSize& keep, int bin);

  std::vector<TREDeviceItem> printers_;
  TPaperOf paper_of_;
  QList<QPageSize> sizes_;
};
