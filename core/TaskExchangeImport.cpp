#include "core/TaskExchangeImport.h"

#include <QStringList>

#include "store/CodePage.h"
#include "store/TodoTable.h"

using xbase::Status;

namespace {

constexpr int kProgressEvery = 500;

// "1 event" or "3 events".
QString Count(int n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

Status StoreTask(TodoTable& table, const TImportedTask& task) {
  QStringList note;
  if (task.Summary.size() > TodoTable::kDescriptWidth) note << task.Summary;
  if (task.Keys.size() > TodoTable::kKeysWidth) note << QStringLiteral("Key words: ") + task.Keys;
  if (!task.Note.isEmpty()) note << task.Note;
  XB_RETURN_IF_ERROR(table.Append());
  Status status = table.SetFieldText(TodoTable::kDate, task.Date);
  if (status.ok()) status = table.SetFieldText(TodoTable::kTime, task.Time);
  if (status.ok()) status = table.SetFieldText(TodoTable::kDescript, task.Summary);
  if (status.ok()) status = table.SetFieldText(TodoTable::kPriority, task.Priority);
  if (status.ok()) status = table.SetFieldBool(TodoTable::kDone, task.Done);
  if (status.ok()) status = table.SetFieldText(TodoTable::kKeys, task.Keys);
  if (status.ok() && !note.isEmpty()) status = table.SetMemo(TodoTable::kNote, note.join(QLatin1String("\r\n")));
  if (status.ok()) status = table.Post();
  if (!status.ok()) table.Cancel();
  return status;
}

}  // namespace

QString TTaskExchangeImport::UnstorableCharacters(const TImportFile& file, int codePage) {
  QString all;
  for (const TImportedTask& task : file.Tasks) {
    all += ::UnstorableCharacters(task.Summary + task.Keys + task.Note, codePage);
  }
  // Each character once, in the order first met.
  return ::UnstorableCharacters(all, codePage);
}

Status TTaskExchangeImport::Append(TodoTable& table, const TImportFile& file, int* imported,
                                   const std::function<void(int done, int total)>& progress) {
  *imported = 0;
  const int total = static_cast<int>(file.Tasks.size());
  table.BeginBatch();
  // In record order each new task's place in the list is at its end, found by a binary
  // search; in a tag's order every append would search the list from its start. The list
  // is read again in the user's order once, at the end.
  const int order = table.SetOrder(0);
  Status status;
  for (const TImportedTask& task : file.Tasks) {
    status = StoreTask(table, task);
    if (!status.ok()) break;
    ++*imported;
    if (progress && *imported % kProgressEvery == 0) progress(*imported, total);
  }
  table.SetOrder(order);
  const Status synced = table.EndBatch();
  if (progress) progress(*imported, total);
  return status.ok() ? synced : status;
}

QString TTaskExchangeImport::Summary(const TImportFile& file, int imported) {
  QString text = Count(imported, "task", "tasks") + QStringLiteral(" imported.");
  QStringList skipped;
  if (file.Events > 0) skipped << Count(file.Events, "event", "events");
  if (file.Journals > 0) skipped << Count(file.Journals, "journal entry", "journal entries");
  if (file.OtherItems > 0) {
    skipped << Count(file.OtherItems, "other item (free/busy or unknown)", "other items (free/busy or unknown)");
  }
  if (!skipped.isEmpty()) text += QStringLiteral("\r\rSkipped (not tasks): ") + skipped.join(QLatin1String(", ")) + '.';
  QStringList noted;
  if (file.Recurrences > 0) noted << Count(file.Recurrences, "recurrence rule", "recurrence rules");
  if (file.Alarms > 0) noted << Count(file.Alarms, "alarm", "alarms");
  if (!noted.isEmpty()) {
    text += QStringLiteral("\r\rKept only as a line of the task's note: ") + noted.join(QLatin1String(", ")) + '.';
  }
  return text;
}
