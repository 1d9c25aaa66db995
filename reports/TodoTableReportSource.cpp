#include "reports/TodoTableReportSource.h"

#include "core/AppHelpers.h"
#include "store/TodoTable.h"

void TTodoTableReportSource::First() { table_.First(); }

bool TTodoTableReportSource::AtEnd() { return table_.AtEnd(); }

void TTodoTableReportSource::Next() { table_.Next(); }

void TTodoTableReportSource::Read(TReportTask* task, bool withKeys, bool withNote) {
  task->Date = TrimTrailingBlanks(table_.FieldText(TodoTable::kDate));
  task->Time = TrimTrailingBlanks(table_.FieldText(TodoTable::kTime));
  task->Descript = TrimTrailingBlanks(table_.FieldText(TodoTable::kDescript));
  task->Priority = TrimTrailingBlanks(table_.FieldText(TodoTable::kPriority));
  task->Done = table_.FieldBool(TodoTable::kDone);
  task->Recno = table_.RecordNumber();
  task->Keys = withKeys ? TrimTrailingBlanks(table_.FieldText(TodoTable::kKeys)) : QString();
  task->Note = withNote ? table_.Memo(TodoTable::kNote) : QString();
}
