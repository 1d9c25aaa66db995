// The run of the printed task report behind the report options dialog's Print and Preview
// (DoPrint): the grid stops following the table, the report status window runs the report
// from the first task (straight to the printer, or into a report file in memory), a
// preview that was not cancelled opens in the preview window at the page width, and the
// task that was current before is current again with the grid following the table once
// more, also when something failed on the way.
#pragma once

#include <QString>

#include "reportengine/ReportTypes.h"
#include "reports/TaskReport.h"

class QWidget;
class TodoTable;

struct TTaskReportRunRequest {
  TTaskReportOptions Options;
  bool PrintMode = false;              // true: print; false: preview
  TOrientation Orientation = poDefault;  // paper orientation of the direct-printing report
  int Copies = 1;                      // copies chosen in the print dialog
  QString OutputFileName;              // print-to-file chosen in the print dialog; empty: the printer
};

// DoPrint's ten steps over the main window's table; `owner` parents the windows.
void RunTaskReport(TodoTable& table, const TTaskReportRunRequest& request, QWidget* owner);
