// Shared set-up of the main window tests: a temporary program folder, today fixed at
// Tuesday 5 March 2024, English (US) user date formats, tasks written through the table
// alone, and a look at the grid's cells.
#pragma once

#include <QDate>
#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/AppHelpers.h"
#include "core/DateTimeFormat.h"
#include "app/MainScreen.h"
#include "app/TaskGridModel.h"
#include "store/TodoTable.h"

struct Task {
  const char* date;
  const char* time;
  const char* descript;
  bool done;
  const char* keys;
  const char* priority;
  const char* note = "";
};

class MainWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    SetProgramDirectoryForTests(dir_.path());
    SetTodayForTests(QDate(2024, 3, 5));
    CaptureUserDateFormats(QLocale(QLocale::English, QLocale::UnitedStates));
  }
  void TearDown() override {
    window_.reset();
    SetProgramDirectoryForTests(QString());
    SetTodayForTests(QDate());
  }

  // Writes the tasks (and deletes those at `deleted` positions) through the table alone.
  void WriteTasks(const std::vector<Task>& tasks, const std::vector<int>& deleted = {}) {
    TodoTable table;
    table.SetDirectory(dir_.path());
    ASSERT_TRUE(table.OpenTaskFiles(false));
    std::vector<uint32_t> recnos;
    for (const Task& task : tasks) {
      ASSERT_TRUE(table.Append().ok());
      EXPECT_TRUE(table.SetFieldText(TodoTable::kDate, task.date).ok());
      EXPECT_TRUE(table.SetFieldText(TodoTable::kTime, task.time).ok());
      EXPECT_TRUE(table.SetFieldText(TodoTable::kDescript, task.descript).ok());
      EXPECT_TRUE(table.SetFieldBool(TodoTable::kDone, task.done).ok());
      EXPECT_TRUE(table.SetFieldText(TodoTable::kKeys, task.keys).ok());
      EXPECT_TRUE(table.SetFieldText(TodoTable::kPriority, task.priority).ok());
      if (*task.note != '\0') {
        EXPECT_TRUE(table.SetMemo(TodoTable::kNote, task.note).ok());
      }
      ASSERT_TRUE(table.Post().ok());
      recnos.push_back(table.RecordNumber());
    }
    for (int i : deleted) {
      ASSERT_TRUE(table.GoToRecord(recnos[static_cast<size_t>(i)]).ok());
      ASSERT_TRUE(table.Delete().ok());
    }
    EXPECT_TRUE(table.Close().ok());
  }

  QString Cell(int row, int column) const {
    return window_->Model()->data(window_->Model()->index(row, column)).toString();
  }
  QStringList TaskColumn() const {
    QStringList out;
    for (int row = 0; row < window_->Model()->rowCount(); ++row) out << Cell(row, TaskGridModel::kTaskColumn);
    return out;
  }

  QTemporaryDir dir_;
  std::unique_ptr<TMainScreen> window_;
};
