// TTaskReportWriter: the printed task report written to files without a window (jlistreport):
// a PDF printed through the report engine's print-to-file, the report file the preview
// reads, or one PNG picture per page drawn by the preview renderer. The body is the one the
// report status window runs; the source is only read.
#pragma once

#include <QString>
#include <QStringList>

#include "reports/FontWidthMeasure.h"
#include "reports/TaskReport.h"
#include "store/xbase/Status.h"

class TTaskReportWriter {
 public:
  // The report of `source` (walked from its first task) with `options`; notes wrap as in
  // the status window on this screen. The source must outlive the writer.
  TTaskReportWriter(TTaskWalk& source, const TTaskReportOptions& options);

  // Prints the report into the PDF file `path` with the page layout of the selected printer
  // (the default one; on a machine without printers, the file-only printer of the report
  // engine). The file appears whole or not at all: an existing file is replaced only when
  // the report has been printed. Failures: kIoError with the engine's or the file's message.
  [[nodiscard]] xbase::Status WritePdf(const QString& path);
  // Records the report into the report file `path` (as the preview does), replacing it
  // only on success.
  [[nodiscard]] xbase::Status WriteReportFile(const QString& path);
  // Records the report and draws each page at `zoom` percent (10 to 200) of 96 pixels per
  // inch into `folder` (created when missing) as page-001.png, page-002.png and so on;
  // `written` receives the file names in page order.
  [[nodiscard]] xbase::Status WritePages(const QString& folder, double zoom, QStringList* written);

  // Pages of the last report written.
  int Pages() const { return pages_; }

 private:
  TFontWidthMeasure measure_;
  TTaskReport body_;
  int pages_ = 0;
};
