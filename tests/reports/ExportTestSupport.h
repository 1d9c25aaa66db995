// Shared by the export tests: a task list held in memory, the four tasks of the expected
// files in tests/reports/data, and reading those files.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QLocale>
#include <QString>
#include <gtest/gtest.h>

#include <vector>

#include "core/DateTimeFormat.h"
#include "reports/ExportSource.h"

namespace export_testing {

// A task list in memory, walked as the table walks its view.
class TMemorySource : public TExportSource {
 public:
  explicit TMemorySource(std::vector<TExportTask> tasks) : tasks_(std::move(tasks)) {}
  void First() override { pos_ = 0; }
  int FilterRecordCount() override { return static_cast<int>(tasks_.size()); }
  bool AtEnd() override { return pos_ >= tasks_.size(); }
  void Next() override {
    if (pos_ < tasks_.size()) ++pos_;
  }
  void Read(TExportTask* task, bool withNote) override {
    ++reads;
    *task = tasks_.at(pos_);
    if (!withNote) task->Note.clear();
  }
  size_t Position() const { return pos_; }
  int reads = 0;

 private:
  std::vector<TExportTask> tasks_;
  size_t pos_ = 0;
};

inline TExportTask MakeTask(const char* date, const char* time, const QString& descript, const char* priority,
                            bool done, const QString& note) {
  TExportTask task;
  task.Date = QLatin1String(date);
  task.Time = QLatin1String(time);
  task.Descript = descript;
  task.Priority = QLatin1String(priority);
  task.Done = done;
  task.Note = note;
  return task;
}

// The tasks of the expected files: a note ending in a line break; empty cells with a note
// of blanks; a 50-character text with a note of two line breaks; the characters RTF and
// HTML treat specially, in the text and in a note with trailing blanks and an indented line.
inline std::vector<TExportTask> SampleTasks() {
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
