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

namespace {

// A text field's bytes without their trailing blanks; empty for a field the table lacks.
std::string_view Stored(const xbase::Table& table, int field) {
  if (field < 0) return {};
  std::string_view bytes = table.GetString(field);
  while (!bytes.empty() && bytes.back() == ' ') bytes.remove_suffix(1);
  return bytes;
}

}  // namespace

void TTaskFields::Read(const xbase::Table& table, int codePage, TaskParts parts, TaskRecord* out) const {
  auto text = [&table, codePage](int field) { return FromCodePage(Stored(table, field), codePage); };
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

void TTaskFields::ReadBytes(const xbase::Table& table, TaskParts parts, TaskBytes* out) const {
  out->date = Stored(table, date_);
  out->time = Stored(table, time_);
  out->descript = Stored(table, descript_);
  out->priority = Stored(table, priority_);
  if (parts.keys) {
    out->keys = Stored(table, keys_);
  } else {
    out->keys.clear();
  }
  out->done = done_ >= 0 && table.GetLogical(done_);
  out->note.clear();
  if (parts.note && note_ >= 0 && !table.GetMemo(note_, &out->note).ok()) out->note.clear();
}
