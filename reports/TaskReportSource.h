// TTaskReportSource: the task list the printed report walks (the main window's table in its
// order and under its filter, or a task folder opened read-only by jlistreport), with the
// table operations the report body uses.
#pragma once

#include <QString>

#include "reports/ExportSource.h"

// The stored fields of one task that the report prints: those of the exports, and the key
// words (read only when asked for).
struct TReportTask : TExportTask {
  QString Keys;  // KEYS
};

class TTaskReportSource {
 public:
  virtual ~TTaskReportSource() = default;
  // Moves to the first task of the list.
  virtual void First() = 0;
  // No current task: past the last one, or an empty list.
  virtual bool AtEnd() = 0;
  virtual void Next() = 0;
  // Reads the current task; its key words and note only when asked.
  virtual void Read(TReportTask* task, bool withKeys, bool withNote) = 0;
};
