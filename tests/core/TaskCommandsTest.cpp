#include "core/TaskCommands.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using xbase::Status;

class TaskCommandsCoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    table_.SetDirectory(dir_.path());
    ASSERT_TRUE(table_.OpenTaskFiles(false));
  }
  void TearDown() override { EXPECT_TRUE(table_.Close().ok()); }

  void Add(const QString& descript, const QString& note = QString()) {
    TTaskValues values;
    values.descript = descript;
    values.note = note;
    values.priority = QStringLiteral("B");
    ASSERT_TRUE(commands_.StoreTask(true, values, nullptr).ok());
  }
  // The list in record order, as text.
  QStringList List() {
    QStringList list;
    for (table_.First(); !table_.AtEnd(); table_.Next()) list << table_.FieldText(TodoTable::kDescript);
    return list;
  }

  QTemporaryDir dir_;
  TodoTable table_;
  TTaskCommands commands_{table_};
};

TEST_F(TaskCommandsCoreTest, AFailedStepCancelsTheWholeChange) {
  Add(QStringLiteral("first"));
  table_.First();
  const Status status = commands_.Change([](TodoTable& table) {
    EXPECT_TRUE(table.SetFieldText(TodoTable::kDescript, QStringLiteral("changed")).ok());
    return Status::IoError("cannot write /x/JLIST.DBF: No space left on device");
  });
  EXPECT_FALSE(status.ok());
  EXPECT_FALSE(table_.Editing()) << "the edit is cancelled, not left pending";
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "first");
  EXPECT_FALSE(commands_.SetField("NOSUCHFIELD", QStringLiteral("x")).ok());
  EXPECT_FALSE(table_.Editing());
}

TEST_F(TaskCommandsCoreTest, OneFieldNotesAndDoneAreStored) {
  Add(QStringLiteral("task"));
  table_.First();
  const uint32_t recno = table_.RecordNumber();
  ASSERT_TRUE(commands_.SetField(TodoTable::kDate, StoredDate(QDate(2024, 3, 5))).ok());
  ASSERT_TRUE(commands_.ToggleDone().ok());
  table_.Last();
  ASSERT_TRUE(commands_.SetNote(recno, NoteForTable(QStringLiteral("one\ntwo"))).ok());
  ASSERT_TRUE(table_.GoToRecord(recno).ok());
  EXPECT_EQ(table_.FieldText(TodoTable::kDate), "20240305");
  EXPECT_TRUE(table_.FieldBool(TodoTable::kDone));
  EXPECT_EQ(table_.Memo(TodoTable::kNote), "one\r\ntwo");
  EXPECT_EQ(NoteForPane(table_.Memo(TodoTable::kNote)), "one\ntwo");
  EXPECT_EQ(DateAsWorkingText(QStringLiteral("20240305")), "03/05/2024");
}

TEST_F(TaskCommandsCoreTest, DeleteMovesOnAndCloneCopiesAllButDone) {
  Add(QStringLiteral("a"), QStringLiteral("note of a"));
  Add(QStringLiteral("b"));
  Add(QStringLiteral("c"));
  table_.First();
  table_.Next();
  ASSERT_TRUE(commands_.DeleteCurrent().ok());
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "c");
  table_.Last();
  ASSERT_TRUE(commands_.DeleteCurrent().ok());
  EXPECT_EQ(List(), QStringList({"a"}));

  table_.First();
  ASSERT_TRUE(commands_.ToggleDone().ok());
  ASSERT_TRUE(commands_.CloneCurrent().ok());
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "a");
  EXPECT_EQ(table_.Memo(TodoTable::kNote), "note of a");
  EXPECT_FALSE(table_.FieldBool(TodoTable::kDone));
  EXPECT_EQ(List(), QStringList({"a", "a"}));
}

TEST_F(TaskCommandsCoreTest, StoreTaskGivesTheKeysAsStoredAndCallsBetweenOnAppendOnly) {
  TTaskValues values;
  values.descript = QStringLiteral("x");
  values.keys = QString(70, QLatin1Char('k'));
  values.priority = QStringLiteral("A");
  int pauses = 0;
  QString stored;
  ASSERT_TRUE(commands_.StoreTask(true, values, &stored, [&] { ++pauses; }).ok());
  EXPECT_EQ(stored.size(), TodoTable::kKeysWidth);
  EXPECT_EQ(pauses, 2);
  values.descript = QStringLiteral("y");
  ASSERT_TRUE(commands_.StoreTask(false, values, &stored, [&] { ++pauses; }).ok());
  EXPECT_EQ(pauses, 2);
  EXPECT_EQ(List(), QStringList({"y"}));
}

}  // namespace
