// Tasks held in memory as a task walk: the export, report and exchange benchmarks measure
// their writers without the cost of reading a task folder.
#pragma once

#include <QDate>
#include <QString>

#include <cstddef>
#include <utility>
#include <vector>

#include "store/TaskWalk.h"

namespace bench {

// Task number i of a benchmark's list: dates over three months from 1 February 2024,
// every third task done, priorities A to C, every seventh without a time; the texts are
// the benchmark's own.
inline TaskRecord SampleTask(int i, const char* descript, const char* note, const char* keys) {
  TaskRecord task;
  task.date = QDate(2024, 2, 1).addDays(i % 90).toString(QStringLiteral("yyyyMMdd"));
  task.time = i % 7 == 0 ? QString() : QStringLiteral("09:30");
  task.descript = QString::fromLatin1(descript);
  task.priority = QString(QChar(u'A' + i % 3));
  task.done = i % 3 == 0;
  task.keys = QString::fromLatin1(keys);
  task.note = QString::fromLatin1(note);
  return task;
}

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
