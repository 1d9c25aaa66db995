// TTaskWalk: a task list walked from its first task to its end, as the exports and the
// printed report walk it: the main window's table in its order and under its filter
// (TTodoTableWalk), or the task files of a folder opened read-only (TTaskFolderWalk).
#pragma once

#include <string>

#include "store/CodePage.h"
#include "store/TaskRecord.h"

// The parts of a task that a read leaves empty unless asked for.
struct TaskParts {
  bool keys = false;
  bool note = false;
};

// A task as its stored bytes, in the walk's code page: the text fields without their
// trailing blanks. The strings keep their room from one read to the next, so a walk that
// reads every task into one TaskBytes hardly allocates.
struct TaskBytes {
  std::string date;
  std::string time;
  std::string descript;
  std::string keys;
  std::string priority;
  bool done = false;
  std::string note;
};

class TTaskWalk {
 public:
  virtual ~TTaskWalk() = default;
  // Moves to the first task of the list.
  virtual void First() = 0;
  // Number of tasks in the list (those that pass the filter).
  virtual int Count() = 0;
  // No current task: past the last one, or an empty list.
  virtual bool AtEnd() = 0;
  virtual void Next() = 0;
  // Reads the current task into `task`: its stored fields, and its key words and note
  // only when `parts` asks for them (empty otherwise). The deleted mark is left false: no
  // list holds a deleted task.
  virtual void Read(TaskRecord& task, TaskParts parts) = 0;
  // Reads the current task as its stored bytes, with the same parts as Read. The walks
  // over a table give the bytes as stored; any other walk encodes what Read gives in
  // CodePage().
  virtual void ReadBytes(TaskBytes& task, TaskParts parts);
  // The Windows code page the tasks' text is kept in; the exports write text in it.
  virtual int CodePage() const { return kDefaultCodePage; }
};
