// The undo history over a real task table: steps undone and done again in a sorted,
// filtered list (a task put back outside the filter, or back into it), a deletion and a new
// task, and a step refused after another open of the table changed its task.
#include "core/UndoHistory.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

#include "store/xbase/Table.h"

namespace {

class UndoHistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table_.SetDirectory(dir_.path());
    ASSERT_TRUE(table_.OpenTaskFiles(false));
    table_.SetJournal(true);
  }

  uint32_t Add(const QString& text, const QString& priority) {
    EXPECT_TRUE(table_.Append().ok());
    EXPECT_TRUE(table_.SetFieldText(TodoTable::kDescript, text).ok());
    EXPECT_TRUE(table_.SetFieldText(TodoTable::kPriority, priority).ok());
    EXPECT_TRUE(table_.Post().ok());
    return table_.RecordNumber();
  }

  void Set(const char* field, const QString& value) {
    ASSERT_TRUE(table_.Edit().ok());
    ASSERT_TRUE(table_.SetFieldText(field, value).ok());
    ASSERT_TRUE(table_.Post().ok());
  }

  QStringList List() {
    QStringList texts;
    for (int row = 0; row < table_.ViewCount(); ++row) {
      TaskRecord task;
      EXPECT_TRUE(table_.ReadRow(row, &task));
      texts << task.descript;
    }
    return texts;
  }

  QTemporaryDir dir_;
  TodoTable table_;
  TUndoHistory history_;
};

TEST_F(UndoHistoryTest, StepsGoBackAndForthInASortedFilteredList) {
  Add("walk", "A");
  const uint32_t call = Add("call", "A");
  Add("buy", "C");
  history_.Push("New", table_.TakeJournal());
  table_.SetOrder(table_.OrderOfTag("DESCRIPT"));
  ASSERT_TRUE(table_.SetFilter("PRIORITY=\"A\"").ok());
  ASSERT_EQ(List(), QStringList({"call", "walk"}));

  // An edit takes "call" out of the list; undone, it is back and current.
  ASSERT_TRUE(table_.GoToRecord(call).ok());
  Set(TodoTable::kPriority, "C");
  history_.Push("Priority", table_.TakeJournal());
  EXPECT_EQ(List(), QStringList({"walk"}));
  EXPECT_EQ(history_.UndoName(), "Priority");
  const TUndoHistory::Outcome undone = history_.Undo(table_);
  ASSERT_TRUE(undone.Status.ok()) << undone.Status.ToString();
  EXPECT_EQ(List(), QStringList({"call", "walk"}));
  EXPECT_EQ(table_.RecordNumber(), call);
  EXPECT_EQ(history_.RedoName(), "Priority");
  ASSERT_TRUE(history_.Redo(table_).Status.ok());
  EXPECT_EQ(List(), QStringList({"walk"}));
  ASSERT_TRUE(history_.Undo(table_).Status.ok());

  // A deletion comes back; the three new tasks go as one step and return as one.
  table_.First();
  ASSERT_TRUE(table_.Delete().ok());
  history_.Push("Delete", table_.TakeJournal());
  EXPECT_EQ(List(), QStringList({"walk"}));
  ASSERT_TRUE(history_.Undo(table_).Status.ok());
  EXPECT_EQ(List(), QStringList({"call", "walk"}));
  ASSERT_TRUE(history_.Undo(table_).Status.ok());  // the edit was undone already: "New"
  EXPECT_EQ(List(), QStringList());
  EXPECT_FALSE(history_.CanUndo());
  ASSERT_TRUE(history_.Redo(table_).Status.ok());
  EXPECT_EQ(List(), QStringList({"call", "walk"}));
}

TEST_F(UndoHistoryTest, AStepWhoseTaskChangedElsewhereIsRefusedAndNothingIsWritten) {
  const uint32_t recno = Add("draft", "B");
  history_.Push("New", table_.TakeJournal());
  Set(TodoTable::kDescript, "final");
  history_.Push("Edit", table_.TakeJournal());

  // Another open of the same files changes the task meanwhile.
  {
    std::unique_ptr<xbase::Table> other;
    ASSERT_TRUE(xbase::Table::Open(table_.TablePath().toStdString(), xbase::OpenMode::kShared, &other).ok());
    ASSERT_TRUE(other->Go(recno).ok());
    ASSERT_TRUE(other->Edit().ok());
    ASSERT_TRUE(other->SetString(other->FieldIndex("DESCRIPT"), "theirs").ok());
    ASSERT_TRUE(other->Post().ok());
  }
  const TUndoHistory::Outcome refused = history_.Undo(table_);
  EXPECT_EQ(refused.ChangedTask, "theirs");
  EXPECT_TRUE(refused.Records.empty());
  EXPECT_EQ(history_.UndoName(), "Edit");  // kept, to try again
  ASSERT_TRUE(table_.GoToRecord(recno).ok());
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "theirs");
}

}  // namespace
