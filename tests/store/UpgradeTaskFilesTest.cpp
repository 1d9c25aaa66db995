#include "store/UpgradeTaskFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

#include "store/IndexRebuild.h"
#include "store/TodoTable.h"
#include "store/xbase/Table.h"

namespace {

// Records what the table and the upgrade tell the user.
class RecordingHost : public TodoTableHost {
 public:
  void InfoBox(const QString& message) override { messages << message; }
  void UpdateStatus(const QString& text) override { statuses << text; }
  void ProcessMessages() override {}
  bool RunRebuild(TodoTable& table, bool pack_first) override {
    return IndexRebuild(table).Run(pack_first).ok();
  }
  QStringList messages;
  QStringList statuses;
};

struct OldTask {
  const char* date;
  const char* time;
  const char* descript;
  const char* note;
  bool done;
  const char* keys;
  bool deleted = false;
};

class UpgradeTaskFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    table_.SetDirectory(dir_.path());
    table_.SetHost(&host_);
    table_.SetUpgrader([this](TodoTable& t) { return UpgradeTaskFiles(t, &host_); });
  }

  QString Path(const char* name) const { return dir_.filePath(QLatin1String(name)); }

  // Writes JLIST.DBF/JLIST.FPT of the older structure: the task fields without PRIORITY.
  void WriteOldTable(const std::vector<OldTask>& tasks) {
    using xbase::FieldType;
    const std::vector<xbase::FieldSpec> fields = {
        {"DATE", FieldType::kCharacter, 8, 0},     {"TIME", FieldType::kCharacter, 5, 0},
        {"DESCRIPT", FieldType::kCharacter, 50, 0}, {"NOTE", FieldType::kMemo, 10, 0},
        {"DONE", FieldType::kLogical, 1, 0},       {"KEYS", FieldType::kCharacter, 60, 0},
    };
    const std::string path = Path("JLIST.DBF").toStdString();
    ASSERT_TRUE(xbase::Table::Create(path, fields).ok());
    std::unique_ptr<xbase::Table> t;
    ASSERT_TRUE(xbase::Table::Open(path, xbase::OpenMode::kExclusive, &t).ok());
    for (const OldTask& task : tasks) {
      ASSERT_TRUE(t->Append().ok());
      ASSERT_TRUE(t->SetString(t->FieldIndex("DATE"), task.date).ok());
      ASSERT_TRUE(t->SetString(t->FieldIndex("TIME"), task.time).ok());
      ASSERT_TRUE(t->SetString(t->FieldIndex("DESCRIPT"), task.descript).ok());
      ASSERT_TRUE(t->SetMemo(t->FieldIndex("NOTE"), task.note).ok());
      ASSERT_TRUE(t->SetLogical(t->FieldIndex("DONE"), task.done).ok());
      ASSERT_TRUE(t->SetString(t->FieldIndex("KEYS"), task.keys).ok());
      ASSERT_TRUE(t->Post().ok());
      if (task.deleted) {
        ASSERT_TRUE(t->Delete().ok());
      }
    }
  }

  QTemporaryDir dir_;
  RecordingHost host_;
  TodoTable table_;
};

TEST_F(UpgradeTaskFilesTest, ConvertsEveryTaskWithMediumPriorityAndPaddedNotes) {
  WriteOldTable({
      {"20240305", "09:30", "Call Bob", "abcd", true, "work phone"},
      {"", "", "Buy milk", "abc", false, "home"},
      {"20231231", "", "Two lines", "a\r\nb", false, ""},
  });
  ASSERT_TRUE(table_.OpenTaskFiles(false));

  EXPECT_TRUE(host_.messages.first().startsWith("This version of Jotlist uses a new file structure"));
  EXPECT_EQ(host_.messages.last(), "File update was successful");
  EXPECT_TRUE(host_.statuses.contains("Backing up old TODO Files..."));
  EXPECT_TRUE(host_.statuses.contains("Creating new style TODO Files..."));
  const qsizetype one = host_.statuses.indexOf("Appended 1 old TODO records...");
  const qsizetype two = host_.statuses.indexOf("Appended 2 old TODO records...");
  const qsizetype three = host_.statuses.indexOf("Appended 3 old TODO records...");
  ASSERT_GE(one, 0);
  EXPECT_LT(one, two);
  EXPECT_LT(two, three);

  EXPECT_TRUE(QFile::exists(Path("JLBAK.DBF")));
  EXPECT_TRUE(QFile::exists(Path("JLBAK.FPT")));
  EXPECT_TRUE(QFile::exists(Path("JLIST.CDX")));
  EXPECT_FALSE(table_.IsOldStructure());

  ASSERT_TRUE(table_.OpenTaskFiles(false));
  table_.SetOrder(0);
  table_.First();
  struct Expected {
    const char* descript;
    const char* note;
    bool done;
  } expected[] = {{"Call Bob", "abcd ", true}, {"Buy milk", "abc", false},
                  {"Two lines", "a\r\nb ", false}};
  for (const Expected& e : expected) {
    ASSERT_FALSE(table_.AtEnd());
    EXPECT_EQ(table_.FieldText(TodoTable::kDescript), e.descript);
    EXPECT_EQ(table_.Memo(TodoTable::kNote), e.note);
    EXPECT_EQ(table_.FieldBool(TodoTable::kDone), e.done);
    EXPECT_EQ(table_.FieldText(TodoTable::kPriority), "B");
    table_.Next();
  }
  EXPECT_TRUE(table_.AtEnd());
  table_.First();
  EXPECT_EQ(table_.FieldText(TodoTable::kDate), "20240305");
  EXPECT_EQ(table_.FieldText(TodoTable::kTime), "09:30");
  EXPECT_EQ(table_.FieldText(TodoTable::kKeys), "work phone");
}

TEST_F(UpgradeTaskFilesTest, EmptyTableAndLeftoverBackup) {
  WriteOldTable({});
  {
    QFile stale(Path("JLBAK.DBF"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("stale backup");
  }
  ASSERT_TRUE(table_.OpenTaskFiles(false));
  EXPECT_EQ(host_.messages.last(), "File update was successful");
  EXPECT_EQ(table_.RecordCount(), 0u);
  // The leftover was replaced by the real backup, which is a table again.
  std::unique_ptr<xbase::Table> backup;
  EXPECT_TRUE(xbase::Table::Open(Path("JLBAK.DBF").toStdString(), xbase::OpenMode::kReadOnly,
                                 &backup)
                  .ok());
}

TEST_F(UpgradeTaskFilesTest, DeletedOldTasksStayDeleted) {
  WriteOldTable({{"20240101", "", "kept", "", false, ""},
                 {"20240102", "", "gone", "", false, "", true}});
  ASSERT_TRUE(table_.OpenTaskFiles(false));
  EXPECT_EQ(table_.RecordCount(), 1u);
  table_.First();
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "kept");
}

TEST_F(UpgradeTaskFilesTest, MissingMemoFileFailsWithoutLosingTheTable) {
  WriteOldTable({{"20240101", "", "task", "note", false, ""}});
  ASSERT_TRUE(QFile::remove(Path("JLIST.FPT")));
  (void)table_.OpenTaskFiles(false);  // the messages below say how it went
  EXPECT_TRUE(host_.messages.contains("Unable to rename old JLIST.* files"));
  EXPECT_TRUE(host_.messages.contains("There was an error updating the files."));
  // The old table was not renamed away.
  EXPECT_TRUE(QFile::exists(Path("JLIST.DBF")));
  EXPECT_FALSE(QFile::exists(Path("JLBAK.DBF")));
}

TEST_F(UpgradeTaskFilesTest, FailedTableRenamePutsTheMemoFileBack) {
  WriteOldTable({{"20240101", "", "task", "note", false, ""}});
  // A folder in the backup's place makes the rename of the table fail; the memo file,
  // renamed first, must come back.
  ASSERT_TRUE(QDir(dir_.path()).mkpath("JLBAK.DBF/blocker"));
  (void)table_.OpenTaskFiles(false);  // the messages below say how it went
  EXPECT_TRUE(host_.messages.contains("Unable to rename old JLIST.* files"));
  EXPECT_TRUE(QFile::exists(Path("JLIST.DBF")));
  EXPECT_TRUE(QFile::exists(Path("JLIST.FPT")));
  EXPECT_FALSE(QFile::exists(Path("JLBAK.FPT")));
}

}  // namespace
