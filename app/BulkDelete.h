// TBulkDelete: the five group deletions of the File menu's Delete submenu.
#pragma once

#include <QString>

#include "store/xbase/Status.h"

class TodoTable;

// What a group deletion needs from the main window.
class TBulkDeleteHost {
 public:
  virtual ~TBulkDeleteHost() = default;
  virtual TodoTable& Table() = 0;
  // Builds the filter from the window's filter state and applies it (with the indicator,
  // SetButtons and the Show DONE button).
  virtual void SetUpFilter() = 0;
  // Clears the four filter criteria; hiding done tasks stays as it is.
  virtual void ClearFilterCriteria() = 0;
  virtual void SetButtons() = 0;
  virtual void ProcessMessages() = 0;
  // Closes the main window, which ends the program (the table could not be reopened).
  virtual void CloseMainWindow() = 0;
};

// Each command asks its question with ConfirmBox, walks the table in record order with
// the grid detached, deletes what qualifies, puts order, display fields, filter and
// refreshing back in a final step that runs however the walk ended, and reports the
// count with InfoBox. Each gives the number of tasks deleted (-1 when not confirmed or
// nothing could be walked).
class TBulkDelete {
 public:
  explicit TBulkDelete(TBulkDeleteHost& host) : host_(host) {}

  int DeleteAllMarkedDone();
  int DeleteAllBeforeToday();
  int DeleteAllMatchingFilter();
  int DeleteAllNotMatchingFilter();
  // Empties the table through an exclusive open; gives 0 when done, -1 otherwise.
  int DeleteAllTasks();

  // The "before today" test on a stored DATE: true when it is a date before `today`.
  // Undated and malformed dates never qualify.
  static bool DatedBefore(const QString& storedDate, const class QDate& today);

 private:
  enum class Test { kDoneNotDeleted, kBeforeToday, kNotDeleted };
  // Walks the table in its current order and filter from the first record while the
  // record number grows, deleting every record that passes `test`; gives the count.
  int Walk(Test test, bool skipWhenEmpty);
  // The walk over every task (no filter, record order) with the window's order, display
  // fields and filter put back afterwards, however the walk ends.
  int WalkWholeTable(Test test);

  // Shows a failed sync of the last walk's batch (the deletions may not be on the disk)
  // with the default error report, before the count is reported.
  void ReportSync();

  TBulkDeleteHost& host_;
  // The outcome of the last walk's batch sync.
  xbase::Status sync_;
};
