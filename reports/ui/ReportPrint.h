// TReportPrint: the report status window. It runs the printed task report once, as soon as
// it is first shown, either straight to the printer (TestPrinterReport) or into a report
// file on the caller's stream (TestReportFiler) for the preview, showing the page in
// progress; its button stops a preview ("Stop") or cancels a print after asking
// ("Cancel"). When the run has ended the window shows the closing message and stays open
// until its button, now "OK", is pressed.
#pragma once

#include <QDialog>
#include <QString>

#include <memory>

#include "reportengine/PrinterReport.h"
#include "reportengine/ReportFiler.h"
#include "reports/FontWidthMeasure.h"
#include "reports/TaskReport.h"

class QIODevice;
class QLabel;
class QPushButton;

class TReportPrint : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 364;
  static constexpr int kClientHeight = 130;

  // The window over the task list the report walks; the caller keeps the source alive.
  explicit TReportPrint(TTaskWalk& source, QWidget* parent = nullptr);
  ~TReportPrint() override;

  // The window's font; the report wraps notes as a text control in it would.
  static QFont WindowFont();

  // The options handed over before the window is shown.
  void SetOptions(const TTaskReportOptions& options);
  const TTaskReportOptions& Options() const { return report_.Options(); }
  // Print mode: the direct-printing report runs, caption "Print Status", button "Cancel".
  // Preview mode: the report writer runs into `stream` (the caller's), caption
  // "Preview Status", button "Stop". The chosen report gets the body and start handlers.
  void SetPrintMode(bool printMode, QIODevice* stream = nullptr);
  bool PrintMode() const { return printMode_; }
  // The paper orientation of the direct-printing report.
  void SetOrientation(TOrientation orientation);

  // The report that runs (chosen by SetPrintMode).
  TBaseReport& Report();
  TTaskReport& Body() { return report_; }
  // After the run: the report was aborted (cancelled), or failed with an error (shown by
  // the error report); a preview then has nothing to show.
  bool Aborted() const { return aborted_ || failed_; }
  bool Failed() const { return failed_; }
  bool RunEnded() const { return ended_; }

  // ---- handlers
  // Runs the report the first time only; afterwards the button reads "OK" and the label
  // shows the closing message.
  void FormActivate();
  // The report's OnBeforePrint: the three-line progress format.
  void BeforePrintReport(TBaseReport& report);
  // Stop (preview), Cancel after "Cancel Printing?" (print); after the run: closes.
  void CancelButtonClick();
  // The closing message for the run's outcome (before %p is expanded).
  QString ClosingFormat() const;

  // ---- controls and reports, owned by the window
  QLabel* Label1 = nullptr;
  QPushButton* CancelButton = nullptr;
  std::unique_ptr<TPrinterReport> TestPrinterReport;
  std::unique_ptr<TReportFiler> TestReportFiler;

  // Closing is refused while the report runs.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ConfigureReport(TBaseReport& report, const QString& statusFormat);

  TFontWidthMeasure measure_;
  TTaskReport report_;
  bool printMode_ = false;
  bool started_ = false;
  bool running_ = false;
  bool ended_ = false;
  bool aborted_ = false;
  bool failed_ = false;
};
