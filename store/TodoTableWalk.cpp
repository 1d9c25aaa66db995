#include "store/TodoTableWalk.h"

#include "store/TodoTable.h"

TTodoTableWalk::TTodoTableWalk(TodoTable& table) : table_(table) { table_.BeginBatch(); }

// The walk only reads, so the batch has nothing of its own to sync.
TTodoTableWalk::~TTodoTableWalk() { static_cast<void>(table_.EndBatch()); }

void TTodoTableWalk::First() {
  pastLast_ = false;
  table_.First();
}

int TTodoTableWalk::Count() { return table_.FilterRecordCount(); }

bool TTodoTableWalk::AtEnd() { return pastLast_ || table_.AtEnd(); }

void TTodoTableWalk::Next() {
  if (table_.AtEnd()) return;
  if (table_.CurrentRow() == table_.ViewCount() - 1) {
    pastLast_ = true;
    return;
  }
  table_.Next();
}

void TTodoTableWalk::Read(TaskRecord& task, TaskParts parts) { table_.ReadCurrent(parts, &task); }

void TTodoTableWalk::ReadBytes(TaskBytes& task, TaskParts parts) { table_.ReadCurrentBytes(parts, &task); }

int TTodoTableWalk::CodePage() const { return table_.CodePage(); }
