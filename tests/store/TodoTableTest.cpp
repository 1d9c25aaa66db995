// The task table component: files, view, navigation, edits that move records, seek,
// filter, batches, index rebuild.
#include "store/TodoTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "store/CodePage.h"
#include "store/IndexRebuild.h"
#include "store/xbase/Table.h"
#include "Unprivileged.h"

namespace {

// Records what the table asks of the windows; builds indexes without a window.
class FakeHost : public TodoTableHost {
 public:
  void InfoBox(const QString& message) override { messages << message; }
  void UpdateStatus(const QString& text) override { statuses << text; }
  void ProcessMessages() override {}
  bool RunRebuild(TodoTable& table, bool pack_first) override {
    rebuilds << pack_first;
    exclusive_at_rebuild = table.Exclusive();
    return IndexRebuild(table).Run(pack_first).ok();
  }
  QStringList messages;
  QStringList statuses;
  QList<bool> rebuilds;
  bool exclusive_at_rebuild = false;
};

// Keeps a copy of the view from the change notifications alone, to check that they
// describe every change.
class MirrorObserver : public TodoTableObserver {
 public:
  explicit MirrorObserver(TodoTable& table) : table_(table) { table_.AddObserver(this); }
  ~MirrorObserver() override { table_.RemoveObserver(this); }
  void EndReset() override {
    rows.clear();
    if (table_.InBatch()) return;
    for (int i = 0; i < table_.ViewCount(); ++i) rows.push_back(table_.RecnoAt(i));
  }
  void BeginInsertRow(int row) override { pending_ = row; }
  void EndInsertRow() override { rows.insert(rows.begin() + pending_, table_.RecnoAt(pending_)); }
  void BeginRemoveRow(int row) override { rows.erase(rows.begin() + row); }
  void CurrentChanged() override { ++current_changes; }
  std::vector<uint32_t> rows;
  int current_changes = 0;

 private:
  TodoTable& table_;
  int pending_ = 0;
};

struct Task {
  const char* date;
  const char* time;
  const char* descript;
  bool done;
  const char* keys;
  const char* priority;
};

class TodoTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    table_.SetDirectory(dir_.path());
  }

  QString Path(const char* name) const { return dir_.path() + "/" + name; }

  void OpenNew() { ASSERT_TRUE(table_.OpenTaskFiles(false)); }

  // A failed open's message: the program's sentence, a blank line, then the table file's
  // full path and the cause.
  void ExpectOpenFailure(const QString& message, const QString& sentence, const QString& cause) const {
    const QString head = sentence + "\r\r" + QDir::toNativeSeparators(Path("JLIST.DBF")) + ": ";
    EXPECT_TRUE(message.startsWith(head)) << message.toStdString();
    EXPECT_TRUE(message.mid(head.size()).contains(cause)) << message.toStdString();
  }

  uint32_t Add(const Task& task, const QString& note = QString()) {
    EXPECT_TRUE(table_.Append().ok());
    EXPECT_TRUE(table_.SetFieldText(TodoTable::kDate, task.date).ok());
    EXPECT_TRUE(table_.SetFieldText(TodoTable::kTime, task.time).ok());
    EXPECT_TRUE(table_.SetFieldText(TodoTable::kDescript, task.descript).ok());
    EXPECT_TRUE(table_.SetFieldBool(TodoTable::kDone, task.done).ok());
    EXPECT_TRUE(table_.SetFieldText(TodoTable::kKeys, task.keys).ok());
    EXPECT_TRUE(table_.SetFieldText(TodoTable::kPriority, task.priority).ok());
    if (!note.isEmpty()) {
      EXPECT_TRUE(table_.SetMemo(TodoTable::kNote, note).ok());
    }
    const xbase::Status status = table_.Post();
    EXPECT_TRUE(status.ok()) << status.ToString();
    return table_.RecordNumber();
  }

  // Descriptions of the list, top to bottom.
  QStringList Descriptions() {
    QStringList out;
    for (int row = 0; row < table_.ViewCount(); ++row) {
      TaskRecord task;
      EXPECT_TRUE(table_.ReadRow(row, &task));
      out << task.descript;
    }
    return out;
  }

  // Walks the list with First/Next, as the commands do.
  QStringList Walk() {
    QStringList out;
    for (table_.First(); !table_.AtEnd(); table_.Next()) out << table_.FieldText(TodoTable::kDescript);
    return out;
  }

  void AddSample() {
    Add({"20240310", "09:00", "dentist", false, "health", "B"});
    Add({"", "", "someday", false, "", "C"});
    Add({"20240305", "", "Buy milk", true, "home shop", "A"});
    Add({"20240305", "14:30", "call Joe", false, "work", "A"});
    Add({"20240301", "08:00", "apple", false, "home", "B"});
  }

  QTemporaryDir dir_;
  FakeHost host_;
  TodoTable table_{&host_};
};

TEST(CodePageTest, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(ToCp1252(FromCp1252(all)), all);
}

TEST(CodePageTest, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
  EXPECT_EQ(ToCp1252(QString::fromUtf8("Caf\u00e9 \u20ac5 \u2013 ok")), "Caf\xe9 \x80" "5 \x96 ok");
  EXPECT_EQ(FromCp1252("\x80\x93\x94"), QString::fromUtf8("\u20ac\u201c\u201d"));
  EXPECT_EQ(ToCp1252(QString::fromUtf8("\u4e2d\U0001F600x")), "??x");
}

TEST(PadNoteLengthTest, PadsTextsWhoseLengthIsAMultipleOfFour) {
  EXPECT_EQ(PadNoteLength("abcd"), "abcd ");
  EXPECT_EQ(PadNoteLength("abc"), "abc");
  EXPECT_EQ(PadNoteLength("abcdefgh"), "abcdefgh ");
  EXPECT_EQ(PadNoteLength(""), "");
  // Two lines of one character: four characters with the break, blank after the second.
  EXPECT_EQ(PadNoteLength("a\r\nb"), "a\r\nb ");
  // A final line break stays last.
  EXPECT_EQ(PadNoteLength("ab\r\n"), "ab \r\n");
}

TEST(PadNoteLengthTest, LoneBreaksBecomeCrLfBeforeCounting) {
  EXPECT_EQ(PadNoteLength("a\nb"), "a\r\nb ");
  EXPECT_EQ(PadNoteLength("a\rb"), "a\r\nb ");
  EXPECT_EQ(PadNoteLength("a\n"), "a\r\n");  // three characters once converted
  EXPECT_EQ(PadNoteLength("ab\n\n"), "ab\r\n\r\n");  // six
}

TEST_F(TodoTableTest, FirstRunCreatesTheFilesAndBuildsTheFiveTags) {
  OpenNew();
  EXPECT_TRUE(QFile::exists(Path("JLIST.DBF")));
  EXPECT_TRUE(QFile::exists(Path("JLIST.FPT")));
  EXPECT_TRUE(QFile::exists(Path("JLIST.CDX")));
  EXPECT_EQ(host_.statuses, QStringList({"Opening files...", "Creating indexes..."}));
  EXPECT_TRUE(host_.messages.isEmpty());
  ASSERT_EQ(host_.rebuilds, QList<bool>{false});
  EXPECT_TRUE(host_.exclusive_at_rebuild);

  EXPECT_FALSE(table_.Exclusive());
  EXPECT_TRUE(table_.AtEnd());
  EXPECT_EQ(table_.RecordNumber(), 1u);
  EXPECT_EQ(table_.TagName(table_.CurrentOrder()), "DATETIME");
  const QStringList tags = {"DATETIME", "DESCRIPT", "DONE", "KEYS", "PRIORITY"};
  for (int i = 0; i < tags.size(); ++i) EXPECT_EQ(table_.OrderOfTag(tags[i]), i + 1);

  const auto& fields = table_.engine()->fields();
  ASSERT_EQ(fields.size(), 7u);
  const char* names[] = {"DATE", "TIME", "DESCRIPT", "NOTE", "DONE", "KEYS", "PRIORITY"};
  const int widths[] = {8, 5, 50, 10, 1, 60, 1};
  for (size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(fields[i].name, names[i]);
    EXPECT_EQ(fields[i].width, widths[i]);
  }
}

TEST_F(TodoTableTest, OrdersSortAsTheirKeysSayAndHideDeletedTasks) {
  OpenNew();
  AddSample();
  // Blank dates first; on one date a blank time first.
  EXPECT_EQ(Walk(), QStringList({"someday", "apple", "Buy milk", "call Joe", "dentist"}));
  EXPECT_EQ(Descriptions(), Walk());

  table_.SetOrder(table_.OrderOfTag("DESCRIPT"));
  EXPECT_EQ(Walk(), QStringList({"apple", "Buy milk", "call Joe", "dentist", "someday"}));
  table_.SetOrder(table_.OrderOfTag("PRIORITY"));
  EXPECT_EQ(Walk(), QStringList({"Buy milk", "call Joe", "apple", "dentist", "someday"}));
  table_.SetOrder(0);
  EXPECT_EQ(Walk(), QStringList({"dentist", "someday", "Buy milk", "call Joe", "apple"}));

  // A deleted task leaves every order, record order included.
  table_.First();
  table_.Next();
  ASSERT_TRUE(table_.Delete().ok());
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "Buy milk");
  EXPECT_EQ(Walk(), QStringList({"dentist", "Buy milk", "call Joe", "apple"}));
  for (const char* tag : {"DATETIME", "DESCRIPT", "DONE", "KEYS", "PRIORITY"}) {
    table_.SetOrder(table_.OrderOfTag(tag));
    EXPECT_FALSE(Walk().contains("someday")) << tag;
    EXPECT_EQ(table_.ViewCount(), 4) << tag;
  }
  EXPECT_EQ(table_.RecordCount(), 5u);
}

TEST_F(TodoTableTest, FieldsRoundTripThroughTheCodePageAndAreCutToTheirWidth) {
  OpenNew();
  const QString text = QString::fromUtf8("Caf\u00e9 \u20ac \u4e2d");
  Add({"20240101", "10:00", "", false, "", "A"}, QString::fromUtf8("line one\r\n\u00fcber"));
  ASSERT_TRUE(table_.Edit().ok());
  ASSERT_TRUE(table_.SetFieldText(TodoTable::kDescript, text).ok());
  ASSERT_TRUE(table_.SetFieldText(TodoTable::kKeys, QString(70, 'k')).ok());
  ASSERT_TRUE(table_.Post().ok());
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), QString::fromUtf8("Caf\u00e9 \u20ac ?"));
  EXPECT_EQ(table_.FieldText(TodoTable::kKeys), QString(60, 'k'));
  EXPECT_EQ(table_.Memo(TodoTable::kNote), QString::fromUtf8("line one\r\n\u00fcber"));

  TaskRecord row;
  ASSERT_TRUE(table_.ReadRow(0, &row));
  EXPECT_EQ(row.date, "20240101");
  EXPECT_EQ(row.time, "10:00");
  EXPECT_EQ(row.priority, "A");
  EXPECT_EQ(row.descript, QString::fromUtf8("Caf\u00e9 \u20ac ?"));
}

TEST_F(TodoTableTest, EditsThatChangeTheKeyMoveTheTaskAndKeepItCurrent) {
  OpenNew();
  AddSample();
  MirrorObserver mirror(table_);
  mirror.EndReset();

  // "someday" (blank date, first) gets the latest date: it moves to the end.
  table_.First();
  ASSERT_TRUE(table_.Edit().ok());
  ASSERT_TRUE(table_.SetFieldText(TodoTable::kDate, "20250101").ok());
  ASSERT_TRUE(table_.Post().ok());
  EXPECT_EQ(Descriptions(), QStringList({"apple", "Buy milk", "call Joe", "dentist", "someday"}));
  EXPECT_EQ(table_.CurrentRow(), 4);
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "someday");

  // Into the middle, between two tasks of the same date.
  ASSERT_TRUE(table_.Edit().ok());
  ASSERT_TRUE(table_.SetFieldText(TodoTable::kDate, "20240305").ok());
  ASSERT_TRUE(table_.SetFieldText(TodoTable::kTime, "10:00").ok());
  ASSERT_TRUE(table_.Post().ok());
  EXPECT_EQ(Descriptions(), QStringList({"apple", "Buy milk", "someday", "call Joe", "dentist"}));
  EXPECT_EQ(table_.CurrentRow(), 2);

  // A new task joins the list in order and becomes current.
  Add({"20240302", "", "new one", false, "", ""});
  EXPECT_EQ(Descriptions(), QStringList({"apple", "new one", "Buy milk", "someday", "call Joe", "dentist"}));
  EXPECT_EQ(table_.CurrentRow(), 1);

  std::vector<uint32_t> view;
  for (int i = 0; i < table_.ViewCount(); ++i) view.push_back(table_.RecnoAt(i));
  EXPECT_EQ(mirror.rows, view);
}

TEST_F(TodoTableTest, FilterDropsTasksThatStopPassingAndKeepsOthersCurrent) {
  OpenNew();
  AddSample();
  MirrorObserver mirror(table_);
  ASSERT_TRUE(table_.SetFilter("(.not.DONE)").ok());
  EXPECT_EQ(table_.CurrentFilter(), "(.not.DONE)");
  EXPECT_EQ(Descriptions(), QStringList({"someday", "apple", "call Joe", "dentist"}));
  EXPECT_EQ(table_.FilterRecordCount(), 4);

  // Marking "call Joe" done drops it; the following task becomes current.
  ASSERT_TRUE(table_.GoToRow(2).ok());
  ASSERT_TRUE(table_.Edit().ok());
  ASSERT_TRUE(table_.SetFieldBool(TodoTable::kDone, true).ok());
  ASSERT_TRUE(table_.Post().ok());
  EXPECT_EQ(Descriptions(), QStringList({"someday", "apple", "dentist"}));
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "dentist");

  // A done task appended under the filter does not join the list.
  Add({"20240101", "", "old and done", true, "", ""});
  EXPECT_EQ(table_.ViewCount(), 3);
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "dentist");

  // A record outside the list cannot be made current.
  const uint32_t before = table_.RecordNumber();
  EXPECT_TRUE(table_.GoToRecord(3).IsNotFound());
  EXPECT_EQ(table_.RecordNumber(), before);

  // An expression the engine cannot read keeps the filter in force.
  EXPECT_FALSE(table_.SetFilter("(DONE .and.").ok());
  EXPECT_EQ(table_.CurrentFilter(), "(.not.DONE)");
  EXPECT_EQ(table_.ViewCount(), 3);

  ASSERT_TRUE(table_.SetFilter("").ok());
  EXPECT_EQ(table_.ViewCount(), 6);
  std::vector<uint32_t> view;
  for (int i = 0; i < table_.ViewCount(); ++i) view.push_back(table_.RecnoAt(i));
  EXPECT_EQ(mirror.rows, view);
}

TEST_F(TodoTableTest, TheFilterStaysAcrossCloseAndOpen) {
  OpenNew();
  AddSample();
  ASSERT_TRUE(table_.SetFilter("(.not.DONE)").ok());
  EXPECT_TRUE(table_.Close().ok());
  ASSERT_TRUE(table_.OpenTaskFiles(false));
  EXPECT_EQ(table_.CurrentFilter(), "(.not.DONE)");
  EXPECT_EQ(table_.ViewCount(), 4);
}

TEST_F(TodoTableTest, NavigationStopsAtBothEnds) {
  OpenNew();
  AddSample();
  table_.Last();
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "dentist");
  const uint32_t last = table_.RecordNumber();
  table_.Next();
  EXPECT_TRUE(table_.AtEnd());
  EXPECT_EQ(table_.RecordNumber(), table_.RecordCount() + 1);
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "");
  table_.Prior();
  EXPECT_EQ(table_.RecordNumber(), last);
  table_.First();
  table_.Prior();
  EXPECT_TRUE(table_.AtStart());
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "someday");
}

TEST_F(TodoTableTest, SoftSeekFindsTheFirstTaskOnOrAfterADate) {
  OpenNew();
  AddSample();
  table_.SetSoftSeek(true);
  EXPECT_TRUE(table_.Seek("20240305"));
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "Buy milk");
  EXPECT_FALSE(table_.Seek("20240302"));
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "Buy milk");
  EXPECT_FALSE(table_.Seek("20991231"));
  EXPECT_TRUE(table_.AtEnd());

  // Under a filter the seek lands on the first task that passes.
  ASSERT_TRUE(table_.SetFilter("(.not.DONE)").ok());
  table_.Seek("20240305");
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "call Joe");
  EXPECT_EQ(table_.CurrentRow(), 2);

  // Without soft seek a miss leaves the list at its end.
  table_.SetSoftSeek(false);
  table_.First();
  EXPECT_FALSE(table_.Seek("20240302"));
  EXPECT_TRUE(table_.AtEnd());
  // Record order has no key to seek.
  table_.SetOrder(0);
  EXPECT_FALSE(table_.Seek("2024"));
}

TEST_F(TodoTableTest, SeekBeforeTheListIsBuiltPositionsOnceItIs) {
  OpenNew();
  AddSample();
  EXPECT_TRUE(table_.Close().ok());
  table_.BeginBatch();
  ASSERT_TRUE(table_.OpenTaskFiles(false));
  table_.SetOrder(table_.OrderOfTag("DESCRIPT"));
  const int order = table_.SetOrder(table_.OrderOfTag("DATETIME"));
  table_.SetSoftSeek(true);
  table_.Seek("20240303");
  table_.SetSoftSeek(false);
  table_.SetOrder(order);
  EXPECT_TRUE(table_.EndBatch().ok());
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "Buy milk");
  EXPECT_EQ(table_.CurrentRow(), 1);  // apple, Buy milk, call Joe, ...
}

TEST_F(TodoTableTest, DeleteMovesToTheFollowingTaskOrThePreviousAtTheEnd) {
  OpenNew();
  AddSample();
  ASSERT_TRUE(table_.GoToRow(1).ok());
  ASSERT_TRUE(table_.Delete().ok());
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "Buy milk");
  table_.Last();
  ASSERT_TRUE(table_.Delete().ok());
  EXPECT_EQ(table_.FieldText(TodoTable::kDescript), "call Joe");
  EXPECT_EQ(table_.ViewCount(), 3);
  // Deleting every task leaves an empty list.
  while (!table_.AtEnd()) ASSERT_TRUE(table_.Delete().ok());
  EXPECT_EQ(table_.ViewCount(), 0);
  EXPECT_FALSE(table_.Delete().ok());
}

TEST_F(TodoTableTest, AWalkThatDeletesInsideABatchReachesEveryRecord) {
  OpenNew();
  AddSample();
  MirrorObserver mirror(table_);
  table_.BeginBatch();
  table_.SetOrder(0);
  int deleted = 0;
  for (table_.First(); !table_.AtEnd(); table_.Next()) {
    if (table_.EvalLogical("DONE") || table_.FieldText(TodoTable::kPriority) == "A") {
      ASSERT_TRUE(table_.Delete().ok());
      ++deleted;
    }
  }
  EXPECT_EQ(deleted, 2);  // "Buy milk" and "call Joe" sit next to each other
  EXPECT_TRUE(table_.EndBatch().ok());
  EXPECT_EQ(Descriptions(), QStringList({"dentist", "someday", "apple"}));
  std::vector<uint32_t> view;
  for (int i = 0; i < table_.ViewCount(); ++i) view.push_back(table_.RecnoAt(i));
  EXPECT_EQ(mirror.rows, view);
}

TEST_F(TodoTableTest, ObserversSeeAnEmptyListDuringABatch) {
  OpenNew();
  AddSample();
  MirrorObserver mirror(table_);
  mirror.EndReset();
  const int changes = mirror.current_changes;
  table_.BeginBatch();
  EXPECT_TRUE(mirror.rows.empty());
  table_.First();
  table_.Next();
  table_.BeginBatch();  // nested
  EXPECT_TRUE(table_.EndBatch().ok());
  EXPECT_EQ(mirror.current_changes, changes);
  EXPECT_TRUE(table_.EndBatch().ok());
  EXPECT_EQ(mirror.rows.size(), 5u);
  EXPECT_EQ(table_.CurrentRow(), 1);
}

TEST_F(TodoTableTest, DeletedIndexIsRebuiltAtTheNextOpenWithoutAQuestion) {
  OpenNew();
  AddSample();
  EXPECT_TRUE(table_.Close().ok());
  ASSERT_TRUE(QFile::remove(Path("JLIST.CDX")));
  host_.statuses.clear();
  host_.rebuilds.clear();
  ASSERT_TRUE(table_.OpenTaskFiles(false));
  EXPECT_TRUE(QFile::exists(Path("JLIST.CDX")));
  EXPECT_EQ(host_.rebuilds, QList<bool>{false});
  EXPECT_TRUE(host_.statuses.contains("Creating indexes..."));
  EXPECT_TRUE(host_.messages.isEmpty());
  EXPECT_EQ(Walk(), QStringList({"someday", "apple", "Buy milk", "call Joe", "dentist"}));
}

TEST_F(TodoTableTest, DamagedIndexIsRebuiltLikeAMissingOne) {
  OpenNew();
  AddSample();
  EXPECT_TRUE(table_.Close().ok());
  QFile cdx(Path("JLIST.CDX"));
  ASSERT_TRUE(cdx.open(QIODevice::ReadWrite));
  cdx.write(QByteArray(1024, '\xAB'));
  cdx.close();
  host_.rebuilds.clear();
  ASSERT_TRUE(table_.OpenTaskFiles(false));
  EXPECT_EQ(host_.rebuilds, QList<bool>{false});
  EXPECT_TRUE(host_.messages.isEmpty());
  EXPECT_EQ(Walk(), QStringList({"someday", "apple", "Buy milk", "call Joe", "dentist"}));
}

TEST_F(TodoTableTest, RebuildWithPackRemovesDeletedTasksAndKeepsFilterAndOrder) {
  OpenNew();
  AddSample();
  table_.First();
  ASSERT_TRUE(table_.Delete().ok());  // someday
  ASSERT_TRUE(table_.SetFilter("(.not.DONE)").ok());
  table_.SetOrder(table_.OrderOfTag("DESCRIPT"));
  EXPECT_TRUE(table_.Close().ok());
  ASSERT_TRUE(table_.OpenTaskFiles(true));
  ASSERT_TRUE(table_.Exclusive());
  table_.SetOrder(table_.OrderOfTag("DESCRIPT"));

  IndexRebuild rebuild(table_);
  QStringList phases;
  rebuild.SetPhaseListener([&](const QString& phase) { phases << phase; });
  ASSERT_TRUE(rebuild.Run(true).ok());
  EXPECT_EQ(phases, QStringList({"", "Permanently removing deleted tasks", "Rebuilding indexes"}));
  EXPECT_EQ(table_.RecordCount(), 4u);
  EXPECT_EQ(table_.CurrentFilter(), "(.not.DONE)");
  EXPECT_EQ(table_.TagName(table_.CurrentOrder()), "DESCRIPT");
  EXPECT_EQ(Walk(), QStringList({"apple", "call Joe", "dentist"}));
}

TEST_F(TodoTableTest, RebuildInAFolderThatCannotBeWrittenFailsNamingTheFileAndLeavesTheFiles) {
  if (!RunHereOrAsUnprivilegedUser()) return;
  OpenNew();
  AddSample();
  table_.First();
  ASSERT_TRUE(table_.Delete().ok());
  EXPECT_TRUE(table_.Close().ok());
  const auto bytes = [this](const char* name) {
    QFile file(Path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  };
  const QByteArray dbf = bytes("JLIST.DBF");
  const QByteArray cdx = bytes("JLIST.CDX");
  ASSERT_FALSE(cdx.isEmpty());

  const QFile::Permissions writable = QFile::permissions(dir_.path());
  ASSERT_TRUE(QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::ExeOwner));
  ASSERT_TRUE(table_.OpenTaskFiles(true));
  const xbase::Status status = IndexRebuild(table_).Run(true);
  EXPECT_TRUE(table_.Close().ok());
  ASSERT_TRUE(QFile::setPermissions(dir_.path(), writable));

  ASSERT_FALSE(status.ok());
  const QString message = QString::fromStdString(status.message());
  EXPECT_TRUE(message.contains(Path("JLIST.CDX"))) << message.toStdString();
  EXPECT_TRUE(message.contains("Permission denied")) << message.toStdString();
  // Nothing packed, nothing indexed.
  EXPECT_EQ(bytes("JLIST.DBF"), dbf);
  EXPECT_EQ(bytes("JLIST.CDX"), cdx);
  ASSERT_TRUE(table_.OpenTaskFiles(false));
  EXPECT_EQ(table_.RecordCount(), 5u);
}

TEST_F(TodoTableTest, ExclusiveOpenWhileTheFileIsInUseGivesTheTwoLineMessage) {
  OpenNew();
  std::unique_ptr<xbase::Table> other;
  ASSERT_TRUE(xbase::Table::Open(Path("JLIST.DBF").toStdString(), xbase::OpenMode::kShared, &other).ok());
  EXPECT_TRUE(table_.Close().ok());
  host_.messages.clear();
  EXPECT_FALSE(table_.OpenTaskFiles(true));
  ASSERT_EQ(host_.messages.size(), 1);
  ExpectOpenFailure(host_.messages[0],
                    "Unable to open the Todo file (JLIST.DBF) for reindexing.\n"
                    "The file may be in use by another user",
                    "JLIST.DBF is open elsewhere");
  EXPECT_FALSE(table_.Active());
  // The shared open goes on working beside the other open.
  EXPECT_TRUE(table_.OpenTaskFiles(false));
}

TEST_F(TodoTableTest, UnreadableTableGivesTheSharedMessageAndKeepsTheFile) {
  QFile dbf(Path("JLIST.DBF"));
  ASSERT_TRUE(dbf.open(QIODevice::WriteOnly));
  dbf.write("this is no table at all");
  dbf.close();
  EXPECT_FALSE(table_.OpenTaskFiles(false));
  ASSERT_EQ(host_.messages.size(), 1);
  ExpectOpenFailure(host_.messages[0], "Unable to open the Todo file: JLIST.DBF", "too short");
  ASSERT_TRUE(dbf.open(QIODevice::ReadOnly));
  EXPECT_EQ(dbf.readAll(), QByteArray("this is no table at all"));
}

// Task files the user may read but not write: the message names the file and the
// system's reason, and the files stay as they were.
TEST_F(TodoTableTest, ReadOnlyTaskFilesAreNamedWithTheCauseAndLeftAlone) {
  if (!RunHereOrAsUnprivilegedUser()) return;
  OpenNew();
  AddSample();
  EXPECT_TRUE(table_.Close().ok());
  QByteArray before;
  for (const char* name : {"JLIST.DBF", "JLIST.FPT", "JLIST.CDX"}) {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    before += file.readAll();
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
  }
  host_.messages.clear();
  EXPECT_FALSE(table_.OpenTaskFiles(false));
  ASSERT_EQ(host_.messages.size(), 1);
  ExpectOpenFailure(host_.messages[0], "Unable to open the Todo file: JLIST.DBF", "Permission denied");
  QByteArray after;
  for (const char* name : {"JLIST.DBF", "JLIST.FPT", "JLIST.CDX"}) {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    after += file.readAll();
  }
  EXPECT_EQ(after, before);
}

TEST_F(TodoTableTest, TableThatCannotBeCreatedGivesItsMessage) {
  table_.SetDirectory(dir_.path() + "/no/such/folder");
  EXPECT_FALSE(table_.OpenTaskFiles(false));
  EXPECT_EQ(host_.messages, QStringList({"Unable to open or create JLIST.DBF"}));
}

TEST_F(TodoTableTest, OldStructureIsTheSixFieldsWithoutPriority) {
  using xbase::FieldType;
  std::vector<xbase::FieldSpec> old = {{"DATE", FieldType::kCharacter, 8, 0},  {"TIME", FieldType::kCharacter, 5, 0},
                                       {"DESCRIPT", FieldType::kCharacter, 50, 0}, {"NOTE", FieldType::kMemo, 10, 0},
                                       {"DONE", FieldType::kLogical, 1, 0},      {"KEYS", FieldType::kCharacter, 60, 0}};
  ASSERT_TRUE(xbase::Table::Create(Path("JLIST.DBF").toStdString(), old).ok());
  EXPECT_TRUE(table_.IsOldStructure());

  // The upgrader hook runs between the notice and the outcome message.
  bool upgraded = false;
  table_.SetUpgrader([&](TodoTable&) {
    upgraded = true;
    return false;
  });
  // The old files stay as they were, and the tags (one keyed on PRIORITY) cannot be
  // built on them: the open fails with its message instead of running without orders.
  EXPECT_FALSE(table_.OpenTaskFiles(false));
  EXPECT_TRUE(upgraded);
  ASSERT_EQ(host_.messages.size(), 3);
  EXPECT_TRUE(host_.messages[0].startsWith("This version of Jotlist uses a new file structure\n"));
  EXPECT_TRUE(host_.messages[0].contains("older version.\n\nThe program will now"));
  EXPECT_EQ(host_.messages[1], "There was an error updating the files.");
  ExpectOpenFailure(host_.messages[2], "Unable to open the Todo file: JLIST.DBF", "");
  EXPECT_TRUE(table_.IsOldStructure());

  QFile::remove(Path("JLIST.DBF"));
  QFile::remove(Path("JLIST.FPT"));
  QFile::remove(Path("JLIST.CDX"));
  ASSERT_TRUE(table_.CreateTaskTable());
  EXPECT_FALSE(table_.IsOldStructure());
  QFile garbage(Path("JLIST.DBF"));
  ASSERT_TRUE(garbage.open(QIODevice::WriteOnly | QIODevice::Truncate));
  garbage.write("xx");
  garbage.close();
  EXPECT_FALSE(table_.IsOldStructure());
}

TEST(IndexRebuildProgressTest, TagPhaseSumsRisesAndShowsAQuarter) {
  TodoTable table;
  IndexRebuild rebuild(table);
  EXPECT_EQ(rebuild.Progress(0), 0);
  EXPECT_EQ(rebuild.Progress(40), 10);
  EXPECT_EQ(rebuild.Progress(100), 25);
  EXPECT_EQ(rebuild.Progress(0), 25);  // the next tag starts again: a fall adds nothing
  EXPECT_EQ(rebuild.Progress(50), 38);  // 150 * 0.25 rounded
  for (int tag = 0; tag < 3; ++tag) {
    rebuild.Progress(0);
    rebuild.Progress(100);
  }
  EXPECT_EQ(rebuild.ProgressTotal(), 450);
  EXPECT_EQ(rebuild.Progress(100), 100);  // held at the top
}

}  // namespace
