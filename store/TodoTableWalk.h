// TTodoTableWalk: the main window's task table as an export or the printed report walks
// it, in the table's order and under its filter. While it lives the grid does not follow
// the walk (one batch, as around every loop over the table). Next on the last task
// reports the end and keeps that task current, so the walk leaves the table on its last
// task; a caller that wants the current task back puts it back.
#pragma once

#include "store/TaskWalk.h"

class TodoTable;

class TTodoTableWalk : public TTaskWalk {
 public:
  explicit TTodoTableWalk(TodoTable& table);
  ~TTodoTableWalk() override;
  TTodoTableWalk(const TTodoTableWalk&) = delete;
  TTodoTableWalk& operator=(const TTodoTableWalk&) = delete;

  void First() override;
  int Count() override;
  bool AtEnd() override;
  void Next() override;
  void Read(TaskRecord& task, TaskParts parts) override;
  void ReadBytes(TaskBytes& task, TaskParts parts) override;
  int CodePage() const override;

 private:
  TodoTable& table_;
  // Next was called on the last task.
  bool pastLast_ = false;
};
