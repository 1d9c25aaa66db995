// TTaskFields: where the task fields stand in an open engine table, looked up once, and
// the read of a TaskRecord from the record the table stands on. The task table and the
// read-only folder walk read tasks through it.
#pragma once

#include "store/TaskRecord.h"
#include "store/TaskWalk.h"

namespace xbase {
class Table;
}

class TTaskFields {
 public:
  // Looks up the fields of `table`; a field the table lacks reads as empty.
  explicit TTaskFields(const xbase::Table& table);

  // Reads the current record of `table` (the pending image while editing) into `out`:
  // text decoded from `codePage` without its trailing blanks, the deleted mark, and the
  // key words and the note only as `parts` asks (empty otherwise; a note that cannot be
  // read too). The record number is left to the caller.
  void Read(const xbase::Table& table, int codePage, TaskParts parts, TaskRecord* out) const;
  // The same read, of the stored bytes (as TTaskWalk::ReadBytes gives them).
  void ReadBytes(const xbase::Table& table, TaskParts parts, TaskBytes* out) const;

  // The note field's number in the table, -1 when it has none.
  int NoteField() const { return note_; }

 private:
  int date_, time_, descript_, note_, done_, keys_, priority_;
};
