// TTodoTableReportSource: the main window's task table as the printed report walks it, in
// the table's order and under its filter. The caller keeps the grid from following the
// walk (BeginBatch) and puts the current task back afterwards.
#pragma once

#include "reports/TaskReportSource.h"

class TodoTable;

class TTodoTableReportSource : public TTaskReportSource {
 public:
  explicit TTodoTableReportSource(TodoTable& table) : table_(table) {}

  void First() override;
  bool AtEnd() override;
  void Next() override;
  void Read(TReportTask* task, bool withKeys, bool withNote) override;

 private:
  TodoTable& table_;
};
