// Tasks held in memory as a task walk: the export, report and exchange benchmarks measure
// their writers without the cost of reading a task folder.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "store/TaskWalk.h"

namespace bench {

class MemoryTaskWalk : public TTaskWalk {
 public:
  explicit MemoryTaskWalk(std::vector<TaskRecord> tasks) : tasks_(std::move(tasks)) {}
  void First() override { pos_ = 0; }
  int Count() override { return static_cast<int>(tasks_.size()); }
  bool AtEnd() override { return pos_ >= tasks_.size(); }
  void Next() override { ++pos_; }
  // Every part, asked for or not: the writers are measured, not the copy.
  void Read(TaskRecord& task, TaskParts) override { task = tasks_[pos_]; }

 private:
  std::vector<TaskRecord> tasks_;
  size_t pos_ = 0;
};

}  // namespace bench
