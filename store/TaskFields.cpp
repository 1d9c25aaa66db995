#include "store/TaskFields.h"

#include "store/CodePage.h"
#include "store/TaskSchema.h"
#include "store/xbase/Table.h"

TTaskFields::TTaskFields(const xbase::Table& table)
    : date_(table.FieldIndex(task_schema::kDateField)),
      time_(table.FieldIndex(task_schema::kTimeField)),
      descript_(table.FieldIndex(task_schema::kDescriptField)),
      note_(table.FieldIndex(task_schema::kNoteField)),
      done_(table.FieldIndex(task_schema::kDoneField)),
      keys_(table.FieldIndex(task_schema::kKeysField)),
      priority_(table.FieldIndex(task_schema::kPriorityField)) {}

void TTaskFields::Read(const xbase::Table& table, int codePage, TaskParts parts, TaskRecord* out) const {
  auto text = [&table, codePage](int field) {
    if (field < 0) return QString();
    std::string_view bytes = table.GetString(field);
    while (!bytes.empty() && bytes.back() == ' ') bytes.remove_suffix(1);
    return FromCodePage(bytes, codePage);
  };
  out->date = text(date_);
  out->time = text(time_);
  out->descript = text(descript_);
  out->priority = text(priority_);
  out->keys = parts.keys ? text(keys_) : QString();
  out->done = done_ >= 0 && table.GetLogical(done_);
  out->deleted = table.Deleted();
  out->note.clear();
  if (parts.note && note_ >= 0) {
    std::string note;
    if (table.GetMemo(note_, &note).ok()) out->note = FromCodePage(note, codePage);
  }
}
