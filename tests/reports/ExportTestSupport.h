// Shared by the export and report tests: a task list held in memory, the four tasks of the expected
// files in tests/reports/data, and reading those files.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QLocale>
#include <QString>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "core/DateTimeFormat.h"
#include "store/TaskWalk.h"
#include "store/TodoTable.h"

namespace export_testing {

// A task list in memory, walked as the table walks its view.
class TMemorySource : public TTaskWalk {
 public:
  explicit TMemorySource(std::vector<TaskRecord> tasks) : tasks_(std::move(tasks)) {}
  void First() override { pos_ = 0; }
  int Count() override { return static_cast<int>(tasks_.size()); }
  bool AtEnd() override { return pos_ >= tasks_.size(); }
  void Next() override {
    if (pos_ < tasks_.size()) ++pos_;
  }
  void Read(TaskRecord& task, TaskParts parts) override {
    ++reads;
    if (onRead) onRead(pos_);
    task = tasks_.at(pos_);
    if (!parts.keys) task.keys.clear();
    if (!parts.note) task.note.clear();
  }
  size_t Position() const { return pos_; }
  int reads = 0;
  // Called before each task is read, with its position.
  std::function<void(size_t)> onRead;

 private:
  std::vector<TaskRecord> tasks_;
  size_t pos_ = 0;
};

inline TaskRecord MakeTask(const char* date, const char* time, const QString& descript, const char* priority,
                           bool done, const QString& note) {
  TaskRecord task;
  task.date = QLatin1String(date);
  task.time = QLatin1String(time);
  task.descript = descript;
  task.priority = QLatin1String(priority);
  task.done = done;
  task.note = note;
  return task;
}

// Stores `tasks` (date, time, text, priority, done, note) in the task files of `folder`;
// a failed step fails the calling test.
inline void StoreTasks(const QString& folder, const std::vector<TaskRecord>& tasks) {
  TodoTable table;
  table.SetDirectory(folder);
  ASSERT_TRUE(table.OpenTaskFiles(false));
  for (const TaskRecord& task : tasks) {
    ASSERT_TRUE(table.Append().ok());
    ASSERT_TRUE(table.SetFieldText(TodoTable::kDate, task.date).ok());
    ASSERT_TRUE(table.SetFieldText(TodoTable::kTime, task.time).ok());
    ASSERT_TRUE(table.SetFieldText(TodoTable::kDescript, task.descript).ok());
    ASSERT_TRUE(table.SetFieldText(TodoTable::kPriority, task.priority).ok());
    ASSERT_TRUE(table.SetFieldBool(TodoTable::kDone, task.done).ok());
    if (!task.note.isEmpty()) {
      ASSERT_TRUE(table.SetMemo(TodoTable::kNote, task.note).ok());
    }
    ASSERT_TRUE(table.Post().ok());
  }
  ASSERT_TRUE(table.Close().ok());
}

// The tasks of the expected files: a note ending in a line break; empty cells with a note
// of blanks; a 50-character text with a note of two line breaks; the characters RTF and
// HTML treat specially, in the text and in a note with trailing blanks and an indented line.
inline std::vector<TaskRecord> SampleTasks() {
  return {
      MakeTask("20240305", "14:30", QStringLiteral("Call the plumber"), "A", false,
               QStringLiteral("Ask about the boiler\r\nand the tap\r\n")),
      MakeTask("", "", QStringLiteral("Undated task"), "", true, QStringLiteral("   \r\n")),
      MakeTask("20241205", "09:05", QStringLiteral("Fifty characters exactly: 123456789012345678901234"), "C",
               false, QStringLiteral("\r\n\r\n")),
      MakeTask("20240101", "", QStringLiteral("C:\\temp\\new {draft} <b> & more"), "B", false,
               QStringLiteral("Use {braces} & <tags> \\ here  \r\n  indented line")),
  };
}

inline const QString kSpecialTitle = QStringLiteral("Home & <Work> {2024} C:\\x");
// 0x00BBGGRR: blue FF, green 80, red 00; the colour string "0080FF".
inline constexpr int kSpecialColor = 0xFF8000;

// An expected file of tests/reports/data, its line ends made CR LF (the files are kept with
// LF so that they read as text).
inline QByteArray ExpectedFile(const char* name) {
  QFile file(QStringLiteral(JOTLIST_SOURCE_DIR "/tests/reports/data/") + QLatin1String(name));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
  QByteArray bytes = file.readAll();
  EXPECT_FALSE(bytes.contains('\r')) << name;
  bytes.replace("\n", "\r\n");
  return bytes;
}

inline QByteArray ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray();
  return file.readAll();
}

// English month names and the working date formats, as the program runs in the tests.
inline void UseEnglishDates() { CaptureUserDateFormats(QLocale(QLocale::English, QLocale::UnitedStates)); }

}  // namespace export_testing
