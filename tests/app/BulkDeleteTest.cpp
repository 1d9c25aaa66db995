#include "app/BulkDelete.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <set>

#include "core/DateTimeFormat.h"
#include "core/FilterExpression.h"
#include "widgets/MessageBox.h"
#include "store/IndexRebuild.h"
#include "store/TodoTable.h"
#include "store/xbase/File.h"

namespace {

class TableHost : public TodoTableHost {
 public:
  void InfoBox(const QString& message) override { ::InfoBox(message); }
  void UpdateStatus(const QString&) override {}
  void ProcessMessages() override {}
  bool RunRebuild(TodoTable& table, bool pack_first) override {
    return IndexRebuild(table).Run(pack_first).ok();
  }
};

struct Task {
  QString date;
  QString descript;
  bool done;
  QString keys;
};

// A main window reduced to what the group deletions use.
class BulkDeleteTest : public ::testing::Test, public TBulkDeleteHost {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    SetTodayForTests(QDate(2024, 3, 5));
    table_.SetDirectory(dir_.path());
    table_.SetHost(&table_host_);
    ASSERT_TRUE(table_.OpenTaskFiles(false));
  }
  void TearDown() override { SetTodayForTests(QDate()); }

  TodoTable& Table() override { return table_; }
  void SetUpFilter() override {
    ++filter_setups_;
    EXPECT_TRUE(table_.SetFilter(BuildFilterExpression(state_, Today()).expression).ok());
  }
  void ClearFilterCriteria() override { state_.ClearCriteria(); }
  void SetButtons() override {}
  void ProcessMessages() override {}
  void CloseMainWindow() override { closed_ = true; }

  void Add(const std::vector<Task>& tasks) {
    for (const Task& t : tasks) {
      ASSERT_TRUE(table_.Append().ok());
      ASSERT_TRUE(table_.SetFieldText(TodoTable::kDate, t.date).ok());
      ASSERT_TRUE(table_.SetFieldText(TodoTable::kDescript, t.descript).ok());
      ASSERT_TRUE(table_.SetFieldBool(TodoTable::kDone, t.done).ok());
      ASSERT_TRUE(table_.SetFieldText(TodoTable::kKeys, t.keys).ok());
      ASSERT_TRUE(table_.SetFieldText(TodoTable::kPriority, "B").ok());
      ASSERT_TRUE(table_.Post().ok());
    }
  }

  // Descriptions of the tasks the list shows now.
  std::set<QString> Shown() {
    std::set<QString> shown;
    for (table_.First(); !table_.AtEnd(); table_.Next()) {
      shown.insert(table_.FieldText(TodoTable::kDescript));
    }
    return shown;
  }

  QTemporaryDir dir_;
  TableHost table_host_;
  TodoTable table_;
  TFilterState state_;
  TBulkDelete bulk_{*this};
  int filter_setups_ = 0;
  bool closed_ = false;
};

TEST_F(BulkDeleteTest, AllMarkedDoneReachesTasksTheFilterHides) {
  Add({{"20240301", "a", true, ""}, {"20240302", "b", false, ""}, {"", "c", true, ""}});
  state_.ShowDoneTasks = false;  // done tasks hidden: still deleted
  SetUpFilter();
  table_.SetOrder(2);
  TScriptedResponder boxes;
  boxes.AnswerYes();
  EXPECT_EQ(bulk_.DeleteAllMarkedDone(), 2);
  ASSERT_EQ(boxes.Messages().size(), 2u);
  EXPECT_EQ(boxes.Messages()[0].Text, "CONFIRM: Delete all tasks marked as done?");
  EXPECT_EQ(boxes.Messages()[1].Text, "All tasks marked DONE have been deleted (2 records)");
  EXPECT_EQ(boxes.Messages()[1].Title, "Information");
  EXPECT_EQ(table_.CurrentOrder(), 2);
  EXPECT_EQ(table_.CurrentFilter(), "(.not.DONE)");
  EXPECT_FALSE(table_.SuspendDisplayFields());
  state_.ShowDoneTasks = true;
  SetUpFilter();
  EXPECT_EQ(Shown(), std::set<QString>{"b"});
}

// A full disk during a group deletion reaches the user before the count, and the count
// claims only what was deleted: a disk full from the start stops the walk before its first
// deletion; a table file that cannot be synced at the batch's end is named after the walk.
TEST_F(BulkDeleteTest, AFailedSyncDuringTheWalkIsShown) {
  Add({{"20240301", "a", true, ""}, {"20240302", "b", false, ""}, {"20240303", "c", true, ""}});
  TScriptedResponder boxes;
  boxes.AnswerYes();
  xbase::SetSyncFaultForTests([](const std::string&) { return ENOSPC; });
  EXPECT_EQ(bulk_.DeleteAllMarkedDone(), 0);
  xbase::SetSyncFaultForTests(nullptr);
  ASSERT_EQ(boxes.Count(), 3);
  EXPECT_EQ(boxes.Messages()[1].Title, "Jotlist");
  EXPECT_EQ(boxes.Messages()[1].Icon, QMessageBox::Critical);
  EXPECT_TRUE(boxes.Messages()[1].Text.endsWith(" could not be written: the disk is full."))
      << boxes.Messages()[1].Text.toStdString();
  EXPECT_EQ(boxes.Messages()[2].Text, "No tasks marked DONE have been deleted");
  state_.ShowDoneTasks = true;
  SetUpFilter();
  EXPECT_EQ(Shown(), (std::set<QString>{"a", "b", "c"})) << "nothing deleted";

  boxes.Clear();
  boxes.AnswerYes();
  xbase::SetSyncFaultForTests([](const std::string& path) {
    return path.size() >= 9 && path.compare(path.size() - 9, 9, "JLIST.DBF") == 0 ? ENOSPC : 0;
  });
  const int count = bulk_.DeleteAllMarkedDone();
  xbase::SetSyncFaultForTests(nullptr);
  EXPECT_EQ(count, 2);
  ASSERT_EQ(boxes.Count(), 3);
  EXPECT_EQ(boxes.Messages()[1].Icon, QMessageBox::Critical);
  EXPECT_EQ(boxes.Messages()[1].Text,
            QDir(dir_.path()).filePath("JLIST.DBF") + " could not be written: the disk is full.");
  EXPECT_EQ(boxes.Messages()[2].Text, "All tasks marked DONE have been deleted (2 records)");

  // With the disk back, the next group operation reports nothing but its count.
  boxes.Clear();
  boxes.AnswerYes();
  EXPECT_EQ(bulk_.DeleteAllBeforeToday(), 1);
  EXPECT_EQ(boxes.Count(), 2);
}

TEST_F(BulkDeleteTest, NoQuestionAnsweredYesDeletesNothing) {
  Add({{"20240301", "a", true, ""}});
  TScriptedResponder boxes;
  boxes.AnswerNo();
  EXPECT_EQ(bulk_.DeleteAllMarkedDone(), -1);
  EXPECT_EQ(boxes.Messages().size(), 1u);
  state_.ShowDoneTasks = true;
  SetUpFilter();
  EXPECT_EQ(Shown().size(), 1u);
}

TEST_F(BulkDeleteTest, BeforeTodayKeepsTodayLaterAndUndated) {
  Add({{"20240304", "yesterday", false, ""},
       {"20240305", "today", false, ""},
       {"20240306", "tomorrow", false, ""},
       {"", "undated", false, ""},
       {"20240230", "malformed", false, ""},
       {"19991231", "old", true, ""}});
  state_.ShowDoneTasks = true;
  SetUpFilter();
  TScriptedResponder boxes;
  boxes.AnswerYes();
  EXPECT_EQ(bulk_.DeleteAllBeforeToday(), 2);
  EXPECT_EQ(boxes.Last().Text, "All tasks with dates before today have been deleted (2 records)");
  EXPECT_EQ(Shown(), (std::set<QString>{"today", "tomorrow", "undated", "malformed"}));

  // Tasks deleted by the first walk are not deleted and counted a second time.
  boxes.AnswerYes();
  EXPECT_EQ(bulk_.DeleteAllBeforeToday(), 0);
  EXPECT_EQ(boxes.Last().Text, "No tasks with dates before today have been deleted");
}

TEST_F(BulkDeleteTest, OneDeletionReportsOneRecord) {
  Add({{"20240301", "a", true, ""}, {"20240302", "b", false, ""}});
  TScriptedResponder boxes;
  boxes.AnswerYes();
  EXPECT_EQ(bulk_.DeleteAllMarkedDone(), 1);
  EXPECT_EQ(boxes.Last().Text, "All tasks marked DONE have been deleted (1 records)");
}

TEST_F(BulkDeleteTest, FilterCommandsNeedAFilter) {
  Add({{"20240301", "a", true, ""}});
  state_.ShowDoneTasks = true;
  SetUpFilter();
  TScriptedResponder boxes;
  EXPECT_EQ(bulk_.DeleteAllMatchingFilter(), -1);
  EXPECT_EQ(bulk_.DeleteAllNotMatchingFilter(), -1);
  ASSERT_EQ(boxes.Messages().size(), 2u);
  EXPECT_EQ(boxes.Messages()[0].Text, "No Filter currently set");
  EXPECT_EQ(boxes.Messages()[1].Text, "No Filter currently set");
  EXPECT_EQ(Shown().size(), 1u);
}

TEST_F(BulkDeleteTest, MatchingFilterWithDoneHiddenDeletesUndoneAndClearsCriteria) {
  Add({{"20240301", "a", true, "x"}, {"20240302", "b", false, "x"}, {"", "c", false, "y"}});
  state_.ShowDoneTasks = false;
  state_.KeysFilterText = "x";
  SetUpFilter();
  TScriptedResponder boxes;
  boxes.AnswerYes();
  EXPECT_EQ(bulk_.DeleteAllMatchingFilter(), 1);
  EXPECT_EQ(boxes.Messages()[0].Text,
            "CONFIRM: Delete all tasks matching the current filter?\r(i.e. all showing tasks)");
  EXPECT_EQ(boxes.Last().Text,
            "All tasks matching filter have been deleted\r(1 records)\rFILTER WILL NOW BE CLEARED");
  EXPECT_FALSE(state_.IndicatorShown());
  EXPECT_EQ(table_.CurrentFilter(), "(.not.DONE)");  // done tasks stay hidden
  EXPECT_EQ(Shown(), std::set<QString>{"c"});
}

TEST_F(BulkDeleteTest, NotMatchingFilterDeletesTheRestAndKeepsTheFilter) {
  Add({{"20240301", "a", true, ""}, {"20240302", "b", false, ""}, {"", "c", false, ""}});
  state_.ShowDoneTasks = false;
  SetUpFilter();
  const std::set<QString> before = Shown();
  TScriptedResponder boxes;
  boxes.AnswerYes();
  EXPECT_EQ(bulk_.DeleteAllNotMatchingFilter(), 1);
  EXPECT_EQ(boxes.Last().Text, "All tasks NOT matching filter have been deleted\r(1 records)");
  EXPECT_EQ(table_.CurrentFilter(), "(.not.DONE)");
  EXPECT_EQ(Shown(), before);
  state_.ShowDoneTasks = true;
  SetUpFilter();
  EXPECT_EQ(Shown(), (std::set<QString>{"b", "c"}));
}

TEST_F(BulkDeleteTest, AllTasksEmptiesTheTableAndReopensShared) {
  Add({{"20240301", "a", true, ""}, {"20240302", "b", false, ""}});
  state_.ShowDoneTasks = true;
  state_.TaskFilterText = "B";
  SetUpFilter();
  TScriptedResponder boxes;
  boxes.AnswerYes();
  EXPECT_EQ(bulk_.DeleteAllTasks(), 0);
  EXPECT_EQ(boxes.Last().Text, "Done!");
  EXPECT_FALSE(closed_);
  EXPECT_TRUE(table_.Active());
  EXPECT_FALSE(table_.Exclusive());
  EXPECT_EQ(table_.RecordCount(), 0u);
  EXPECT_EQ(state_.TaskFilterText, "B");  // the criteria are not cleared
  EXPECT_EQ(table_.CurrentOrder(), table_.OrderOfTag("DATETIME"));
}

TEST(BulkDeleteDates, DatedBeforeRules) {
  const QDate today(2024, 3, 5);
  EXPECT_TRUE(TBulkDelete::DatedBefore("20240304", today));
  EXPECT_TRUE(TBulkDelete::DatedBefore("19000101", today));
  EXPECT_FALSE(TBulkDelete::DatedBefore("20240305", today));
  EXPECT_FALSE(TBulkDelete::DatedBefore("", today));
  EXPECT_FALSE(TBulkDelete::DatedBefore("2024030", today));
  EXPECT_FALSE(TBulkDelete::DatedBefore("20241399", today));
}

}  // namespace
