// TTaskExchangeImport: the tasks of an import file stored into the task table, all of them
// in one batch, and the summary the user reads afterwards.
//
// A task text longer than the DESCRIPT field keeps its head there and its whole text at
// the head of the note; key words longer than the KEYS field keep theirs as a note line,
// so nothing is cut off unseen.
#pragma once

#include <QString>

#include <functional>

#include "core/TaskExchangeReader.h"
#include "store/xbase/Status.h"

class TodoTable;

class TTaskExchangeImport {
 public:
  // The characters of the tasks' texts that the table's code page `codePage` cannot
  // hold, each once (as the task editor names them before storing "?").
  static QString UnstorableCharacters(const TImportFile& file, int codePage);

  // Appends every task of `file` to `table` (open, no change pending) between one
  // BeginBatch and EndBatch; `progress` (when set) hears the number of tasks stored so
  // far every 500 tasks and at the end. `imported` gets the number of tasks stored. A
  // failed store stops there: the tasks stored before it stay, and the status says why.
  static xbase::Status Append(TodoTable& table, const TImportFile& file, int* imported,
                              const std::function<void(int done, int total)>& progress = {});

  // What the import did, for the user: the number of tasks imported, then the items
  // skipped and the ones kept only as a note line, each counted and named.
  static QString Summary(const TImportFile& file, int imported);
};
