#include "reports/TodoTableSource.h"

#include "store/TodoTable.h"

TTodoTableSource::TTodoTableSource(TodoTable& table) : table_(table) { table_.BeginBatch(); }

// The walk only reads, so the batch has nothing of its own to sync.
TTodoTableSource::~TTodoTableSource() { static_cast<void>(table_.EndBatch()); }

void TTodoTableSource::First() {
  pastLast_ = false;
  table_.First();
}

int TTodoTableSource::FilterRecordCount() { return table_.FilterRecordCount(); }

bool TTodoTableSource::AtEnd() { return pastLast_ || table_.AtEnd(); }

void TTodoTableSource::Next() {
  if (table_.AtEnd()) return;
  if (table_.CurrentRow() == table_.ViewCount() - 1) {
    pastLast_ = true;
    return;
  }
  table_.Next();
}

void TTodoTableSource::Read(TExportTask* task, bool withNote) {
  task->Date = table_.FieldText(TodoTable::kDate);
  task->Time = table_.FieldText(TodoTable::kTime);
  task->Descript = table_.FieldText(TodoTable::kDescript);
  task->Priority = table_.FieldText(TodoTable::kPriority);
  task->Done = table_.FieldBool(TodoTable::kDone);
  task->Recno = table_.RecordNumber();
  if (withNote) {
    task->Note = table_.Memo(TodoTable::kNote);
  } else {
    task->Note.clear();
  }
}

int TTodoTableSource::CodePage() const { return table_.CodePage(); }
