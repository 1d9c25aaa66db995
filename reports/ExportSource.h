// TExportSource: the task list an export walks (the main window's table in its order and
// under its filter, or a task folder opened by jlistreport), with the table operations the
// walk uses.
#pragma once

#include <QString>

#include <cstdint>

#include "store/CodePage.h"

// The stored fields of one task that the exports write: text as the table gives it,
// without trailing blanks.
struct TExportTask {
  QString Date;      // DATE, yyyymmdd or empty
  QString Time;      // TIME, hh:nn or empty
  QString Descript;  // DESCRIPT
  QString Priority;  // PRIORITY
  bool Done = false;
  QString Note;      // NOTE (read only when asked for)
  uint32_t Recno = 0;  // the record's number in the table file
};

class TExportSource {
 public:
  virtual ~TExportSource() = default;
  // Moves to the first task of the list.
  virtual void First() = 0;
  // Number of tasks in the list (those that pass the filter).
  virtual int FilterRecordCount() = 0;
  // No current task: past the last one, or an empty list.
  virtual bool AtEnd() = 0;
  virtual void Next() = 0;
  // Reads the current task; its note only when `withNote`.
  virtual void Read(TExportTask* task, bool withNote) = 0;
  // The Windows code page the table keeps its text in; the export writes text in it.
  virtual int CodePage() const { return kDefaultCodePage; }
};
