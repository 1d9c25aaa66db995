// Shared by the task report tests: the task list in memory of the export tests and a
// report that records what the report body draws, with the page geometry the test chooses.
#pragma once

#include <QString>

#include <string>
#include <vector>

#include "tests/reports/ExportTestSupport.h"
#include "tests/reportengine/PageModelTestSupport.h"

namespace task_report_testing {

using export_testing::TMemorySource;

inline TaskRecord Task(const char* date, const char* time, const QString& descript, const char* priority,
                       bool done, const QString& keys = QString(), const QString& note = QString()) {
  TaskRecord t = export_testing::MakeTask(date, time, descript, priority, done, note);
  t.keys = keys;
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
