// TaskRecord: one task as the program reads it from the task table: the stored fields,
// text without its trailing blanks. The grid, the task commands, the exports and the
// printed report all read tasks as this record.
#pragma once

#include <QString>

#include <cstdint>

// The comments name each stored field and its width (task_schema, store/TaskSchema.h).
struct TaskRecord {
  uint32_t recno = 0;    // the record's number in the table file
  QString date;          // DATE, kDateWidth: yyyymmdd or empty
  QString time;          // TIME, kTimeWidth: hh:nn or empty
  QString descript;      // DESCRIPT, kDescriptWidth: the task's text
  QString keys;          // KEYS, kKeysWidth: the key words
  QString priority;      // PRIORITY, kPriorityWidth: A, B, C or empty
  bool done = false;     // DONE, kDoneWidth
  bool deleted = false;  // the record's deleted mark
  QString note;          // NOTE, a memo (kNoteWidth bytes name its block): the note's text
};
