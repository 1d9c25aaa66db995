// TTaskReportSource: the task list the printed report walks (the main window's table in its
// order and under its filter, or a task folder opened read-only by jlistreport), with the
// table operations the report body uses.
#pragma once

#include <QString>

// The stored fields of one task that the report prints: text as the table gives it,
// without trailing blanks.
struct TReportTask {
  QString Date;      // DATE, yyyymmdd or empty
  QString Time;      // TIME, hh:nn or empty
  QString Descript;  // DESCRIPT
  QString Priority;  // PRIORITY
  bool Done = false;
  QString Keys;      // KEYS (read only when asked for)
  QString Note;      // NOTE (read only when asked for)
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
