// TUndoHistory: the changes made to the task table in this run, as named steps that can
// be undone and done again. A step is the set of record changes one command stored (a
// bulk delete is one step however many tasks it took). Undoing puts each record back as
// it was before the step; before anything is written, every record is checked to be as
// the step left it, so a change another program made since is never overwritten.
#pragma once

#include <QString>

#include <vector>

#include "store/TodoTable.h"

class TUndoHistory {
 public:
  struct Step {
    QString Name;  // "Delete", "Delete All Marked Done (25 tasks)"
    std::vector<TTaskChange> Changes;
  };

  // Adds a step (nothing when `changes` is empty) and forgets the steps undone before.
  void Push(const QString& name, std::vector<TTaskChange> changes);
  // Forgets every step (after a change that cannot be undone, or a new set of files).
  void Clear();
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // Names of the steps Undo and Redo would take; empty when none.
  QString UndoName() const;
  QString RedoName() const;

  // The outcome of Undo and Redo.
  struct Outcome {
    xbase::Status Status;
    // Set when the step was refused: the text of a task another program changed since.
    QString ChangedTask;
    // The records written, the last one first (the one to make current).
    std::vector<uint32_t> Records;
  };
  // Puts the records of the last step back as they were before it and moves the step to
  // the redo list. Refused (nothing written, the step kept) when a record is no longer as
  // the step left it.
  Outcome Undo(TodoTable& table);
  // Does the last undone step again, with the same check the other way round.
  Outcome Redo(TodoTable& table);

 private:
  Outcome Apply(TodoTable& table, std::vector<Step>& from, std::vector<Step>& to, bool undo);

  std::vector<Step> undo_;
  std::vector<Step> redo_;
};
