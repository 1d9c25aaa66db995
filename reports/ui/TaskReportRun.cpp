#include "reports/ui/TaskReportRun.h"

#include <QBuffer>

#include <memory>

#include "reports/ui/PreviewForm.h"
#include "reports/ui/ReportPrint.h"
#include "store/TodoTableWalk.h"
#include "store/TodoTable.h"
#include "widgets/FormPlacement.h"

namespace {

// Steps 9 and 10 of the run: back to the remembered task, the grid following the table
// again; they run however the steps before them ended.
class TRestoreTable {
 public:
  explicit TRestoreTable(TodoTable& table) : table_(table) {
    table_.BeginBatch();
    recno_ = table_.RecordNumber();
  }
  ~TRestoreTable() {
    if (recno_ > 0 && recno_ <= table_.RecordCount()) static_cast<void>(table_.GoToRecord(recno_));
    // The run only reads; a failed sync has nothing of the run's to lose.
    static_cast<void>(table_.EndBatch());
  }
  TRestoreTable(const TRestoreTable&) = delete;
  TRestoreTable& operator=(const TRestoreTable&) = delete;

 private:
  TodoTable& table_;
  uint32_t recno_ = 0;
};

}  // namespace

void RunTaskReport(TodoTable& table, const TTaskReportRunRequest& request, QWidget* owner) {
  const TRestoreTable restore(table);
  table.First();
  TTodoTableWalk source(table);
  std::unique_ptr<QBuffer> stream;
  bool aborted = false;
  {
    TReportPrint status(source, owner);
    CenterForm(&status);
    status.SetOptions(request.Options);
    status.SetOrientation(request.Orientation);
    status.TestPrinterReport->SetCopies(std::max(1, request.Copies));
    status.TestPrinterReport->SetOutputFileName(request.OutputFileName);
    if (!request.PrintMode) {
      stream = std::make_unique<QBuffer>();
      stream->open(QIODevice::ReadWrite);
    }
    status.SetPrintMode(request.PrintMode, stream.get());
    status.exec();
    aborted = status.Aborted();
  }
  if (request.PrintMode || aborted) return;
  TPreviewForm preview(owner);
  preview.SetInitialZoom(TPreviewForm::kZoomPageWidth);
  preview.setWindowTitle(QStringLiteral("Preview Report"));
  preview.SetStream(stream.get());
  preview.exec();
}
