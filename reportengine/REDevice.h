// TREDevice: the report engine's one printer object. It lists the installed printers
// (CUPS through libcups), keeps the selected printer's names and its device mode (a
// TDeviceMode value), applies page settings (orientation, copies, duplex, collation, paper
// bin) and runs print jobs. A job is painted (a QPainter from begin document to end
// document) into a PDF (QPdfWriter) with the device mode's page layout and resolution: the
// report's output file, or a temporary file that end document hands to CUPS with the job
// options. Abort discards the file, so a cancelled job never reaches the printer. The print
// and printer-setup dialogs work on the device from reportengine/ui.
#pragma once

#include <QBuffer>
#include <QList>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "reportengine/DeviceMode.h"
#include "reportengine/RECanvas.h"
#include "reportengine/REDeviceItem.h"
#include "reportengine/ReportTypes.h"

// The paper one printer offers.
struct TPrinterPaper {
  QList<QPageSize> Sizes;
  // The printer's own paper size, chosen when the user moves to that printer and the size
  // chosen before is not among its sizes.
  QPageSize Default;
  // Paper bins (input slots); the printer's default source comes before them.
  QStringList Bins;
};

// Where the device reads the installed printers from. Tests point it elsewhere.
struct TPrinterSource {
  std::function<std::vector<TREDeviceItem>()> List;
  // Device name of the system default printer (empty when there is none).
  std::function<QString()> DefaultDevice;
  // Paper bin (input slot) names of a printer.
  std::function<QStringList(const QString& device)> Bins;
  // Maximum copy count of a printer (the bound is exclusive); 0 when unknown.
  std::function<int(const QString& device)> MaxCopies;
  // The device mode of a printer; no function: the one CUPS gives for a queue of that name
  // (none for a printer CUPS does not know).
  std::function<std::optional<TDeviceMode>(const QString& device)> DeviceMode;
  // The printers only write files: a job needs an output file name.
  bool FilesOnly = false;
};

class TREDevice {
 public:
  // The shared instance, created on first use.
  static TREDevice& Instance();
  // The installed CUPS printers, their default, bins and copy limits.
  static TPrinterSource SystemPrinterSource();
  // One printer, "PDF file on FILE:", that writes PDF files through Qt alone, on paper of
  // the locale's size (Letter where inches are used, else A4) at 1200 dots per inch. For
  // tools that write a report to a file on a machine without printers; a job without an
  // output file name raises "Invalid Printer".
  static TPrinterSource FilePrinterSource();
  // Replaces the printer source and forgets the list and selection (refused while
  // printing). Test seam.
  void SetPrinterSource(TPrinterSource source);

  TREDevice();
  ~TREDevice();
  // Cancels an open job and releases the selection, the list and the job; the device
  // builds them again on next use. Runs when the application object goes away, while
  // Qt's printing still works.
  void Release();
  TREDevice(const TREDevice&) = delete;
  TREDevice& operator=(const TREDevice&) = delete;

  // ---- Printer list and selection ---------------------------------------------------------
  // Display names ("%s on %s"), built on first use. Empty: no printer installed.
  const QStringList& Printers();
  const TREDeviceItem& Item(int index);
  // The selected index; on first read the system default printer (-1 with no printers).
  int PrinterIndex();
  // Refused while printing; negative selects the default; beyond the list ignored.
  void SetPrinterIndex(int index);
  // Exact: the first item whose device name equals name; otherwise the first whose display
  // name contains name, case ignored. Refused while printing. True when one matched.
  bool SelectPrinter(const QString& name, bool exact);
  QString DeviceName();
  QString DriverName();
  QString PortName();
  // A device mode exists for the selection.
  bool HasDevMode();
  // The selected printer's device mode, or null without one. Changes to it take effect at
  // the next job (the layout at the next page).
  TDeviceMode* Printer();
  // A paint device with the device mode's resolution and page, for font metrics outside a
  // job; null without a device mode.
  QPaintDevice* MetricsDevice();

  // ---- Settings ---------------------------------------------------------------------------------
  TOrientation Orientation();
  // Raises "Invalid operation.  Device has no DevMode structure" without a device mode;
  // poDefault changes nothing.
  void SetOrientation(TOrientation orientation);
  // 1 without a device mode.
  int Copies();
  // Applied only when 1 <= copies < MaxCopies(). Refused while printing.
  void SetCopies(int copies);
  int MaxCopies();
  // 0 simplex, 1 vertical (long edge), 2 horizontal (short edge).
  int Duplex();
  bool SupportsDuplex();
  // Applied only when the printer supports duplex. Refused while printing.
  void SetDuplex(int duplex);
  bool Collate();
  bool SupportsCollate();
  // Applied only when the printer supports collation. Refused while printing.
  void SetCollate(bool collate);
  // Paper bins of the selected printer, built on first use (names of up to 24 characters).
  const QStringList& Bins();
  // Exact: bin name equal; otherwise the bin name contains name, case ignored.
  bool SelectBin(const QString& name, bool exact);
  // Number of the selected bin (1-based position in Bins()), 0 for the printer's default.
  int BinNumber() const { return bin_ + 1; }
  // Selects a bin by its number (0 or unknown: the printer's default).
  void SetBinNumber(int number);
  // Paper size of the device mode (QPageSize::PageSizeId), -1 without a device mode.
  int PaperSize();
  void SetPaperSize(int page_size_id);
  // Takes `size` as the printer has it (a custom size as given); nothing without a device
  // mode.
  void SetPageSize(const QPageSize& size);

  // ---- Information context ------------------------------------------------------------------------
  // Resolution, offsets and paper size of the selected printer (96 pixels per inch and an
  // 8.5 by 11 inch page without offsets when no printer is installed).
  TPageGeometry Geometry();
  // Printable width and height in pixels.
  int PageWidth();
  int PageHeight();
  int XDPI();
  int YDPI();

  // ---- Print job ------------------------------------------------------------------------------------
  // Document name of the next job, at most 31 characters.
  void SetTitle(const QString& title) { title_ = title.left(31); }
  const QString& Title() const { return title_; }
  // The title in the document information of the job's PDF; empty: the document name.
  void SetDocumentTitle(const QString& title) { document_title_ = title; }
  // The file the next job goes to (PDF); empty: the printer.
  void SetOutputName(const QString& name) { output_name_ = name; }
  const QString& OutputName() const { return output_name_; }
  // Opens the job; no page is open yet. "Invalid method call.  Device already printing."
  // while printing, "Invalid Printer" without a device mode or when the job cannot open.
  // Settings changed during the job (orientation) take effect at the next page.
  void BeginDoc();
  // Ends the open page; starts a new one when `open`. Refused when not printing.
  void NewPage(bool open);
  // Ends the open page and the job (a job to the printer goes to CUPS; a job without pages
  // prints nothing); releases the printing context. Raises when CUPS refuses the job.
  void EndDoc();
  // Cancels the job, flags it aborted, then ends as EndDoc (without ending the job).
  void AbortDoc();
  bool Printing() const { return printing_; }
  bool Aborted() const { return aborted_; }
  bool PageOpen() const { return page_open_; }
  // Number of device pages started in the current (or last) job.
  int PagesStarted() const { return pages_started_; }
  // The paint device of the open job, or null.
  QPdfWriter* JobPrinter() const { return job_printer_.get(); }
  // The canvas on the current context (active while a page is open).
  TRECanvas& Canvas() { return canvas_; }

  // ---- For the dialogs (reportengine/ui) -------------------------------------------------------
  // The paper sizes, default size and bins of the printer at `index` of the list.
  TPrinterPaper PaperOf(int index);
  // Takes the device mode a print dialog configured: the printer it names becomes the
  // selection, keeping these settings (and the paper bin setting goes). Refused while
  // printing; nothing without a device mode.
  void AdoptDialogSettings(const TDeviceMode& mode);

 private:
  void BuildList();
  void EnsureSelection();
  void Select(int index);
  void ReleaseSelection();
  void CheckNotPrinting() const;
  void CheckPrinting() const;
  void ApplyBin();
  // Hands the finished job file to CUPS; raises when CUPS refuses it.
  void Submit(const QString& file);
  // The CUPS job options of the device mode (copies, collation, sides, bin, dialog options).
  std::vector<std::pair<QByteArray, QByteArray>> JobOptions();

  TPrinterSource source_;
  bool list_built_ = false;
  std::vector<TREDeviceItem> items_;
  QStringList names_;
  int selected_ = -1;
  bool selection_made_ = false;
  std::optional<TDeviceMode> printer_;
  bool bins_built_ = false;
  QStringList bins_;
  int bin_ = -1;
  int max_copies_ = -1;
  bool printing_ = false;
  bool aborted_ = false;
  bool page_open_ = false;
  int pages_started_ = 0;
  QString title_;
  QString document_title_;
  QString output_name_;
  std::unique_ptr<QPdfWriter> job_printer_;
  // The paint device MetricsDevice() gives (never written to).
  QBuffer metrics_sink_;
  std::unique_ptr<QPdfWriter> metrics_device_;
  QString job_file_;
  std::unique_ptr<QPainter> painter_;
  TRECanvas canvas_;
};
