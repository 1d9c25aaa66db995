// Tasks held in memory as a report source: the report and exchange benchmarks measure their
// writers without the cost of reading a task folder.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "reports/TaskReportSource.h"

namespace bench {

class MemoryReportSource : public TTaskReportSource {
 public:
  explicit MemoryReportSource(std::vector<TReportTask> tasks) : tasks_(std::move(tasks)) {}
  void First() override { pos_ = 0; }
  bool AtEnd() override { return pos_ >= tasks_.size(); }
  void Next() override { ++pos_; }
  void Read(TReportTask* task, bool, bool) override { *task = tasks_[pos_]; }

 private:
  std::vector<TReportTask> tasks_;
  size_t pos_ = 0;
};

}  // namespace bench
