// TTodoTableSource: the main window's task table as an export walks it. While it lives
// the grid does not follow the walk (one batch, as around every loop over the table).
// Next on the last task reports the end and keeps that task current, so the walk leaves
// the table on its last task.
#pragma once

#include "reports/ExportSource.h"

class TodoTable;

class TTodoTableSource : public TExportSource {
 public:
  explicit TTodoTableSource(TodoTable& table);
  ~TTodoTableSource() override;
  TTodoTableSource(const TTodoTableSource&) = delete;
  TTodoTableSource& operator=(const TTodoTableSource&) = delete;

  void First() override;
  int FilterRecordCount() override;
  bool AtEnd() override;
  void Next() override;
  void Read(TExportTask* task, bool withNote) override;
  int CodePage() const override;

 private:
  TodoTable& table_;
  // Next was called on the last task.
  bool pastLast_ = false;
};
