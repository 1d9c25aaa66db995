// TTaskCommands: every change the task commands make to the task table, without a
// window. Each change is the one sequence Edit (or Append), assign, Post; a failed step
// cancels the change, so the table is left as it was. The windows show the outcome.
#pragma once

#include <QDate>
#include <QString>

#include <cstdint>
#include <functional>

#include "store/TodoTable.h"

// A task as the task editor hands it over, in the form each field is stored in.
struct TTaskValues {
  QString descript;
  QString keys;
  QString note;      // CR LF line ends, padded by PadNoteLength
  QString date;      // yyyymmdd or empty
  QString time;      // hh:nn or empty
  QString priority;  // "A", "B" or "C"
  bool done = false;
};

// The stored form of a date: "yyyymmdd".
QString StoredDate(const QDate& date);
// The stored yyyymmdd date as the working settings write it: "mm/dd/yyyy".
QString DateAsWorkingText(const QString& stored);
// Notes are stored with CR LF line ends; the notes pane and the editor work with LF.
QString NoteForPane(const QString& stored);
QString NoteForTable(const QString& pane);

class TTaskCommands {
 public:
  explicit TTaskCommands(TodoTable& table) : table_(table) {}

  // Edit the current task, run `assign`, Post. Any failed step cancels the edit and
  // gives its status; the task keeps its stored values.
  [[nodiscard]] xbase::Status Change(const std::function<xbase::Status(TodoTable&)>& assign);
  // One field of the current task (the pop-up menus, the grid's cells).
  [[nodiscard]] xbase::Status SetField(const char* field, const QString& value);
  // The note of task `recno` (moved to first when it is not current); `note` is in the
  // stored form (NoteForTable).
  [[nodiscard]] xbase::Status SetNote(uint32_t recno, const QString& note);
  // Marks the current task done, or not done.
  [[nodiscard]] xbase::Status ToggleDone();
  // Deletes the current task; the task that followed it becomes current. A failed
  // deletion leaves the list where it was.
  [[nodiscard]] xbase::Status DeleteCurrent();
  // Appends a copy of the current task (text, note, key words, date, time; not done,
  // priority left to the new record's default). A failure cancels the append.
  [[nodiscard]] xbase::Status CloneCurrent();
  // Stores the editor's values into the current task (`append` false) or a new one.
  // `between` runs after the Append and after the key words (the editor lets windows
  // repaint there). On success `storedKeys` holds KEYS as the field keeps it. A failure
  // leaves the record pending, as the editor's contract says; the next Post stores it.
  [[nodiscard]] xbase::Status StoreTask(bool append, const TTaskValues& values, QString* storedKeys,
                                        const std::function<void()>& between = {});

 private:
  TodoTable& table_;
};
