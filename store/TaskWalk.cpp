#include "store/TaskWalk.h"

void TTaskWalk::ReadBytes(TaskBytes& task, TaskParts parts) {
  TaskRecord record;
  Read(record, parts);
  const int codePage = CodePage();
  task.date = ToCodePage(record.date, codePage);
  task.time = ToCodePage(record.time, codePage);
  task.descript = ToCodePage(record.descript, codePage);
  task.keys = ToCodePage(record.keys, codePage);
  task.priority = ToCodePage(record.priority, codePage);
  task.done = record.done;
  task.note = ToCodePage(record.note, codePage);
}
