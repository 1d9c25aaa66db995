#include "core/TaskCommands.h"

using xbase::Status;

QString StoredDate(const QDate& date) { return date.toString(QStringLiteral("yyyyMMdd")); }

QString DateAsWorkingText(const QString& stored) {
  return stored.mid(4, 2) + QLatin1Char('/') + stored.mid(6, 2) + QLatin1Char('/') + stored.left(4);
}

QString NoteForPane(const QString& stored) {
  QString text = stored;
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

QString NoteForTable(const QString& pane) {
  QString text = pane;
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return text;
}

Status TTaskCommands::Change(const std::function<Status(TodoTable&)>& assign) {
  Status status = table_.Edit();
  if (status.ok()) status = assign(table_);
  if (status.ok()) status = table_.Post();
  if (!status.ok()) table_.Cancel();
  return status;
}

Status TTaskCommands::SetField(const char* field, const QString& value) {
  return Change([&](TodoTable& table) { return table.SetFieldText(field, value); });
}

Status TTaskCommands::SetNote(uint32_t recno, const QString& note) {
  if (table_.RecordNumber() != recno) XB_RETURN_IF_ERROR(table_.GoToRecord(recno));
  return Change([&](TodoTable& table) { return table.SetMemo(TodoTable::kNote, note); });
}

Status TTaskCommands::ToggleDone() {
  return Change([](TodoTable& table) { return table.SetFieldBool(TodoTable::kDone, !table.FieldBool(TodoTable::kDone)); });
}

Status TTaskCommands::DeleteCurrent() {
  const uint32_t current = table_.RecordNumber();
  table_.Next();
  const uint32_t following = table_.RecordNumber();
  XB_RETURN_IF_ERROR(table_.GoToRecord(current));
  XB_RETURN_IF_ERROR(table_.Delete());
  // The task that followed may have no record (the deleted one was the last): staying
  // at the end of the list is then right, so the move's outcome does not matter.
  (void)table_.GoToRecord(following);
  return Status::Ok();
}

Status TTaskCommands::CloneCurrent() {
  const QString note = table_.Memo(TodoTable::kNote);
  const QString descript = table_.FieldText(TodoTable::kDescript);
  const QString keys = table_.FieldText(TodoTable::kKeys);
  const QString date = table_.FieldText(TodoTable::kDate);
  const QString time = table_.FieldText(TodoTable::kTime);
  Status status = table_.Append();
  if (status.ok()) status = table_.SetFieldText(TodoTable::kDescript, descript);
  if (status.ok()) status = table_.SetMemo(TodoTable::kNote, note);
  if (status.ok()) status = table_.SetFieldText(TodoTable::kKeys, keys);
  if (status.ok()) status = table_.SetFieldText(TodoTable::kDate, date);
  if (status.ok()) status = table_.SetFieldText(TodoTable::kTime, time);
  if (status.ok()) status = table_.SetFieldBool(TodoTable::kDone, false);
  if (status.ok()) status = table_.Post();
  if (!status.ok()) table_.Cancel();
  return status;
}

Status TTaskCommands::StoreTask(bool append, const TTaskValues& values, QString* storedKeys,
                                const std::function<void()>& between) {
  const auto pause = [&] {
    if (append && between) between();
  };
  if (append) {
    XB_RETURN_IF_ERROR(table_.Append());
    pause();
  } else {
    XB_RETURN_IF_ERROR(table_.Edit());
  }
  XB_RETURN_IF_ERROR(table_.SetFieldText(TodoTable::kDescript, values.descript));
  XB_RETURN_IF_ERROR(table_.SetFieldText(TodoTable::kKeys, values.keys));
  pause();
  XB_RETURN_IF_ERROR(table_.SetMemo(TodoTable::kNote, values.note));
  XB_RETURN_IF_ERROR(table_.SetFieldText(TodoTable::kDate, values.date));
  XB_RETURN_IF_ERROR(table_.SetFieldText(TodoTable::kTime, values.time));
  XB_RETURN_IF_ERROR(table_.SetFieldText(TodoTable::kPriority, values.priority));
  XB_RETURN_IF_ERROR(table_.SetFieldBool(TodoTable::kDone, values.done));
  // Read before Post: afterwards the task may have left the filtered list.
  if (storedKeys != nullptr) *storedKeys = table_.FieldText(TodoTable::kKeys);
  return table_.Post();
}
