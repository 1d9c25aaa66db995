// Shared by the task report tests: a task list in memory and a report that records what
// the report body draws, with the page geometry the test chooses.
#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "reports/TaskReportSource.h"
#include "tests/reportengine/PageModelTestSupport.h"

namespace task_report_testing {

class TMemoryReportSource : public TTaskReportSource {
 public:
  explicit TMemoryReportSource(std::vector<TReportTask> tasks) : tasks_(std::move(tasks)) {}
  void First() override { pos_ = 0; }
  bool AtEnd() override { return pos_ >= tasks_.size(); }
  void Next() override {
    if (pos_ < tasks_.size()) ++pos_;
  }
  void Read(TReportTask* task, bool withKeys, bool withNote) override {
    if (onRead) onRead(pos_);
    *task = tasks_.at(pos_);
    if (!withKeys) task->Keys.clear();
    if (!withNote) task->Note.clear();
  }
  // Called before each task is read, with its position.
  std::function<void(size_t)> onRead;

 private:
  std::vector<TReportTask> tasks_;
  size_t pos_ = 0;
};

inline TReportTask Task(const char* date, const char* time, const QString& descript, const char* priority,
                        bool done, const QString& keys = QString(), const QString& note = QString()) {
  TReportTask t;
  t.Date = QLatin1String(date);
  t.Time = QLatin1String(time);
  t.Descript = descript;
  t.Priority = QLatin1String(priority);
  t.Done = done;
  t.Keys = keys;
  t.Note = note;
  return t;
}

// The recorder of the page model tests, which also logs clipped texts and the colour of
// each shaded cell.
class TaskRecorder : public RecordingReport {
 protected:
  void OutTextRect(const QRect& r, double x, double y, const QString& text) override {
    log.push_back("textrect " + std::to_string(r.left()) + " " + std::to_string(r.top()) + " " +
                  std::to_string(r.left() + r.width()) + " " + std::to_string(r.top() + r.height()) + " " +
                  Num(x) + " " + Num(y) + " " + text.toStdString());
  }
  void OutTabRectangle(double x1, double y1, double x2, double y2) override {
    log.push_back("tabrect " + Num(x1) + " " + Num(y1) + " " + Num(x2) + " " + Num(y2) + " brush " +
                  std::to_string(Brush().Color));
  }
};

}  // namespace task_report_testing
