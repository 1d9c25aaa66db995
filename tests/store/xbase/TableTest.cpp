// The table's records, fields, memos, navigation, filter, pack and zap in one open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/xbase/Table.h"
#include "tests/store/xbase/TableTestSupport.h"

namespace xbase::testing {
namespace {

TaskValues Task(int i, std::string note = "") {
  TaskValues v;
  v.date = "202403" + std::string(i < 10 ? "0" : "") + std::to_string(i);
  v.time = "09:00";
  v.descript = "Task " + std::to_string(i);
  v.note = std::move(note);
  v.done = i % 2 == 0;
  v.keys = i % 3 == 0 ? "HOME" : "WORK";
  v.priority = i % 2 == 0 ? "A" : "B";
  return v;
}

class TableTest : public ::testing::Test {
 protected:
  void SetUp() override { table_ = CreateTaskTable(dir_); }
  void Fill(int n) {
    for (int i = 1; i <= n; ++i) ASSERT_TRUE(AppendTask(table_.get(), Task(i)).ok());
  }
  TempDir dir_;
  std::unique_ptr<Table> table_;
};

TEST_F(TableTest, EmptyTableIsAtBothEnds) {
  Table& t = *table_;
  EXPECT_EQ(t.RecordCount(), 0u);
  EXPECT_TRUE(t.GoTop().ok());
  EXPECT_TRUE(t.Eof());
  EXPECT_TRUE(t.Bof());
  EXPECT_EQ(t.RecNo(), 1u);
  EXPECT_TRUE(t.GoBottom().ok());
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.Edit().code(), Status::Code::kState);
  EXPECT_EQ(t.Delete().code(), Status::Code::kState);
  EXPECT_EQ(t.index_state(), Table::IndexState::kNone);
  EXPECT_EQ(t.FieldIndex("descript"), kDescript);
  EXPECT_EQ(t.FieldIndex("NOPE"), -1);
  EXPECT_EQ(t.record_length(), 136u);
}

TEST_F(TableTest, AppendedRecordsReadBackInRecordOrder) {
  Fill(5);
  Table& t = *table_;
  EXPECT_EQ(t.RecordCount(), 5u);
  EXPECT_EQ(VisibleRecords(&t), (std::vector<uint32_t>{1, 2, 3, 4, 5}));
  ASSERT_TRUE(t.Go(3).ok());
  EXPECT_EQ(Trimmed(t.GetString(kDescript)), "Task 3");
  EXPECT_EQ(t.GetString(kDescript).size(), 50u);  // padded to the width
  EXPECT_EQ(t.GetString(kDate), "20240303");
  EXPECT_FALSE(t.GetLogical(kDone));
  ASSERT_TRUE(t.Go(4).ok());
  EXPECT_TRUE(t.GetLogical(kDone));
  EXPECT_EQ(t.GetString(kPriority), "A");
}

TEST_F(TableTest, SkipStopsAtTheEndsAndEofRecNoIsCountPlusOne) {
  Fill(3);
  Table& t = *table_;
  ASSERT_TRUE(t.GoBottom().ok());
  EXPECT_EQ(t.RecNo(), 3u);
  ASSERT_TRUE(t.Skip(1).ok());
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.RecNo(), 4u);
  EXPECT_EQ(Trimmed(t.GetString(kDescript)), "");  // a blank record at eof
  ASSERT_TRUE(t.Skip(1).ok());  // staying at eof is no error
  EXPECT_TRUE(t.Eof());
  ASSERT_TRUE(t.Skip(-1).ok());  // back from eof to the last record
  EXPECT_FALSE(t.Eof());
  EXPECT_EQ(t.RecNo(), 3u);
  ASSERT_TRUE(t.Skip(-5).ok());
  EXPECT_TRUE(t.Bof());
  EXPECT_EQ(t.RecNo(), 1u);  // bof keeps the first record current
  ASSERT_TRUE(t.Skip(2).ok());
  EXPECT_FALSE(t.Bof());
  EXPECT_EQ(t.RecNo(), 3u);

  EXPECT_EQ(t.Go(0).code(), Status::Code::kInvalidArgument);
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.Go(4).code(), Status::Code::kInvalidArgument);
  EXPECT_EQ(t.RecNo(), 4u);
}

TEST_F(TableTest, FieldWritersCutPadAndCheckTypes) {
  Table& t = *table_;
  EXPECT_EQ(t.SetString(kDescript, "x").code(), Status::Code::kState);  // nothing pending
  ASSERT_TRUE(t.Append().ok());
  EXPECT_EQ(t.RecNo(), 1u);
  ASSERT_TRUE(t.SetString(kTime, "12:30:45").ok());
  EXPECT_EQ(t.GetString(kTime), "12:30");
  ASSERT_TRUE(t.SetString(kKeys, "A").ok());
  EXPECT_EQ(t.GetString(kKeys), "A" + std::string(59, ' '));
  EXPECT_EQ(t.SetString(kNote, "text").code(), Status::Code::kInvalidArgument);
  EXPECT_EQ(t.SetLogical(kKeys, true).code(), Status::Code::kInvalidArgument);
  EXPECT_EQ(t.SetMemo(kDone, "x").code(), Status::Code::kInvalidArgument);
  EXPECT_EQ(t.SetString(99, "x").code(), Status::Code::kInvalidArgument);
  EXPECT_EQ(t.Append().code(), Status::Code::kState);
  EXPECT_EQ(t.GoTop().code(), Status::Code::kState);  // no moving off a pending record
  ASSERT_TRUE(t.SetLogical(kDone, true).ok());
  ASSERT_TRUE(t.Post().ok());
  EXPECT_FALSE(t.editing());
  EXPECT_EQ(t.RecNo(), 1u);
  EXPECT_TRUE(t.GetLogical(kDone));
  EXPECT_EQ(t.Post().code(), Status::Code::kState);
}

TEST_F(TableTest, CancelDropsEditAndAppend) {
  Fill(2);
  Table& t = *table_;
  ASSERT_TRUE(t.Go(2).ok());
  ASSERT_TRUE(t.Edit().ok());
  ASSERT_TRUE(t.SetString(kDescript, "changed").ok());
  ASSERT_TRUE(t.SetMemo(kNote, "new note").ok());
  t.Cancel();
  EXPECT_EQ(Trimmed(t.GetString(kDescript)), "Task 2");
  std::string note;
  ASSERT_TRUE(t.GetMemo(kNote, &note).ok());
  EXPECT_EQ(note, "");
  ASSERT_TRUE(t.Append().ok());
  ASSERT_TRUE(t.SetString(kDescript, "never").ok());
  t.Cancel();
  EXPECT_EQ(t.RecNo(), 2u);  // back where the append started
  EXPECT_EQ(t.RecordCount(), 2u);
  ASSERT_TRUE(t.Skip(0).ok());
  EXPECT_EQ(Trimmed(t.GetString(kDescript)), "Task 2");
}

TEST_F(TableTest, MemosAreStoredReplacedAndEmptied) {
  Table& t = *table_;
  ASSERT_TRUE(AppendTask(&t, Task(1, "first note")).ok());
  ASSERT_TRUE(AppendTask(&t, Task(2)).ok());
  ASSERT_TRUE(t.Go(1).ok());
  std::string note;
  ASSERT_TRUE(t.GetMemo(kNote, &note).ok());
  EXPECT_EQ(note, "first note");
  EXPECT_EQ(t.GetString(kNote), "         8");  // first block after the 512-byte header
  ASSERT_TRUE(t.Go(2).ok());
  EXPECT_EQ(t.GetString(kNote), std::string(10, ' '));
  ASSERT_TRUE(t.GetMemo(kNote, &note).ok());
  EXPECT_EQ(note, "");
  EXPECT_EQ(t.GetMemo(kDate, &note).code(), Status::Code::kInvalidArgument);

  // A changed text always goes to the next free block, never over the old one, so that a
  // crash before the record points at it leaves the old text whole.
  ASSERT_TRUE(t.Go(1).ok());
  ASSERT_TRUE(t.Edit().ok());
  ASSERT_TRUE(t.SetMemo(kNote, "short").ok());
  ASSERT_TRUE(t.GetMemo(kNote, &note).ok());
  EXPECT_EQ(note, "short");  // the pending text is what the record shows
  ASSERT_TRUE(t.Post().ok());
  EXPECT_EQ(t.GetString(kNote), "         9");
  const std::string long_text(200, 'x');
  ASSERT_TRUE(t.Edit().ok());
  ASSERT_TRUE(t.SetMemo(kNote, long_text).ok());
  ASSERT_TRUE(t.Post().ok());
  EXPECT_EQ(t.GetString(kNote), "        10");
  ASSERT_TRUE(t.GetMemo(kNote, &note).ok());
  EXPECT_EQ(note, long_text);
  ASSERT_TRUE(t.Edit().ok());
  ASSERT_TRUE(t.SetMemo(kNote, "").ok());
  ASSERT_TRUE(t.Post().ok());
  EXPECT_EQ(t.GetString(kNote), std::string(10, ' '));

  // Texts with every byte value survive, including CR LF and NUL.
  std::string binary;
  for (int c = 0; c < 256; ++c) binary.push_back(static_cast<char>(c));
  ASSERT_TRUE(t.Edit().ok());
  ASSERT_TRUE(t.SetMemo(kNote, binary).ok());
  ASSERT_TRUE(t.Post().ok());
  table_.reset();
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kReadOnly, &table_).ok());
  ASSERT_TRUE(table_->Go(1).ok());
  ASSERT_TRUE(table_->GetMemo(kNote, &note).ok());
  EXPECT_EQ(note, binary);
}

TEST_F(TableTest, DeleteAndRecallMarkTheRecord) {
  Fill(3);
  Table& t = *table_;
  ASSERT_TRUE(t.Go(2).ok());
  ASSERT_TRUE(t.Delete().ok());
  EXPECT_TRUE(t.Deleted());
  EXPECT_EQ(t.RecNo(), 2u);
  EXPECT_EQ(VisibleRecords(&t), (std::vector<uint32_t>{1, 2, 3}));  // record order shows deleted ones
  ASSERT_TRUE(t.Go(2).ok());
  EXPECT_TRUE(t.Deleted());
  ASSERT_TRUE(t.Delete().ok());  // twice is harmless
  ASSERT_TRUE(t.Recall().ok());
  EXPECT_FALSE(t.Deleted());
  ASSERT_TRUE(t.Edit().ok());
  EXPECT_EQ(t.Delete().code(), Status::Code::kState);
  t.Cancel();
  const std::vector<uint8_t> bytes = ReadBytes(dir_.File("JLIST.DBF"));
  ASSERT_GE(bytes.size(), 258u + 3 * 136u);
  EXPECT_EQ(bytes[258 + 136], ' ');
}

TEST_F(TableTest, FilterSkipsFailingRecordsAndCounts) {
  Fill(9);
  Table& t = *table_;
  EXPECT_EQ(t.SetFilter("PRIORITY = \"A\"").code(), Status::Code::kOk);
  EXPECT_EQ(t.filter(), "PRIORITY = \"A\"");
  EXPECT_EQ(VisibleRecords(&t), (std::vector<uint32_t>{2, 4, 6, 8}));
  uint32_t n = 0;
  ASSERT_TRUE(t.CountFiltered(&n).ok());
  EXPECT_EQ(n, 4u);
  ASSERT_TRUE(t.GoBottom().ok());
  EXPECT_EQ(t.RecNo(), 8u);
  ASSERT_TRUE(t.Skip(-2).ok());
  EXPECT_EQ(t.RecNo(), 4u);

  // A bad expression leaves the previous filter in force.
  EXPECT_EQ(t.SetFilter("PRIORITY = ").code(), Status::Code::kSyntax);
  EXPECT_EQ(t.SetFilter("NOSUCHFIELD").code(), Status::Code::kSyntax);
  EXPECT_EQ(t.SetFilter("DESCRIPT").code(), Status::Code::kTypeMismatch);
  EXPECT_EQ(t.filter(), "PRIORITY = \"A\"");
  ASSERT_TRUE(t.CountFiltered(&n).ok());
  EXPECT_EQ(n, 4u);

  // Go ignores the filter; Edit of a record that fails it is refused.
  ASSERT_TRUE(t.Go(3).ok());
  EXPECT_EQ(t.RecNo(), 3u);
  EXPECT_EQ(t.Edit().code(), Status::Code::kNotFound);
  EXPECT_FALSE(t.editing());

  ASSERT_TRUE(t.SetFilter(".not. DONE .and. \"HOME\" $ KEYS").ok());
  EXPECT_EQ(VisibleRecords(&t), (std::vector<uint32_t>{3, 9}));
  ASSERT_TRUE(t.SetFilter("DATE > \"20990101\"").ok());
  EXPECT_EQ(VisibleRecords(&t), std::vector<uint32_t>{});
  EXPECT_TRUE(t.Eof());
  EXPECT_TRUE(t.Bof());
  ASSERT_TRUE(t.SetFilter("").ok());
  ASSERT_TRUE(t.CountFiltered(&n).ok());
  EXPECT_EQ(n, 9u);
}

TEST_F(TableTest, EvalLogicalOnTheCurrentRecord) {
  Fill(2);
  Table& t = *table_;
  bool v = false;
  ASSERT_TRUE(t.Go(2).ok());
  ASSERT_TRUE(t.EvalLogical("DONE", &v).ok());
  EXPECT_TRUE(v);
  ASSERT_TRUE(t.EvalLogical("Deleted()", &v).ok());
  EXPECT_FALSE(v);
  ASSERT_TRUE(t.Delete().ok());
  ASSERT_TRUE(t.EvalLogical("Deleted()", &v).ok());
  EXPECT_TRUE(v);
  ASSERT_TRUE(t.Go(1).ok());
  ASSERT_TRUE(t.EvalLogical("DONE", &v).ok());
  EXPECT_FALSE(v);
  EXPECT_EQ(t.EvalLogical("DATE", &v).code(), Status::Code::kTypeMismatch);
  EXPECT_EQ(t.EvalLogical("(", &v).code(), Status::Code::kSyntax);
}

TEST_F(TableTest, ChangesSurviveReopenAndBatchesSyncAtTheEnd) {
  Table& t = *table_;
  t.BeginBatch();
  for (int i = 1; i <= 50; ++i) ASSERT_TRUE(AppendTask(&t, Task(i, "note " + std::to_string(i))).ok());
  EXPECT_EQ(t.RecordCount(), 50u);
  ASSERT_TRUE(t.EndBatch().ok());
  EXPECT_EQ(t.EndBatch().code(), Status::Code::kState);
  table_.reset();
  std::unique_ptr<Table> again;
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kShared, &again).ok());
  EXPECT_EQ(again->RecordCount(), 50u);
  ASSERT_TRUE(again->Go(37).ok());
  std::string note;
  ASSERT_TRUE(again->GetMemo(kNote, &note).ok());
  EXPECT_EQ(note, "note 37");
  EXPECT_EQ(Trimmed(again->GetString(kDescript)), "Task 37");
  std::vector<std::string> problems;
  ASSERT_TRUE(again->Check(&problems).ok());
  EXPECT_TRUE(problems.empty()) << problems.front();
}

TEST_F(TableTest, ReadOnlyAndSharedOpensRefuseWhatTheyMayNotDo) {
  Fill(2);
  table_.reset();
  std::unique_ptr<Table> ro;
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kReadOnly, &ro).ok());
  EXPECT_EQ(ro->Append().code(), Status::Code::kReadOnly);
  ASSERT_TRUE(ro->Go(1).ok());
  EXPECT_EQ(ro->Edit().code(), Status::Code::kReadOnly);
  EXPECT_EQ(ro->Delete().code(), Status::Code::kReadOnly);
  EXPECT_EQ(ro->Pack().code(), Status::Code::kNeedExclusive);
  EXPECT_EQ(ro->Zap().code(), Status::Code::kNeedExclusive);
  ro.reset();
  std::unique_ptr<Table> shared;
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kShared, &shared).ok());
  EXPECT_EQ(shared->Pack().code(), Status::Code::kNeedExclusive);
  EXPECT_EQ(shared->Zap().code(), Status::Code::kNeedExclusive);
  EXPECT_EQ(shared->CreateTag("DATETIME", "DATE+TIME", "").code(), Status::Code::kNeedExclusive);
  EXPECT_EQ(shared->RecordCount(), 2u);
}

TEST_F(TableTest, PackRemovesDeletedRecordsAndCompactsMemos) {
  Table& t = *table_;
  for (int i = 1; i <= 20; ++i) ASSERT_TRUE(AppendTask(&t, Task(i, std::string(100 + i, 'a' + i % 26))).ok());
  // Grow some memos so that their old blocks are abandoned.
  for (uint32_t r = 1; r <= 20; r += 3) {
    ASSERT_TRUE(t.Go(r).ok());
    ASSERT_TRUE(t.Edit().ok());
    ASSERT_TRUE(t.SetMemo(kNote, std::string(300, 'z') + std::to_string(r)).ok());
    ASSERT_TRUE(t.Post().ok());
  }
  for (uint32_t r : {2u, 3u, 10u, 20u}) {
    ASSERT_TRUE(t.Go(r).ok());
    ASSERT_TRUE(t.Delete().ok());
  }
  const size_t memo_before = ReadBytes(dir_.File("JLIST.FPT")).size();
  std::vector<int> progress;
  ASSERT_TRUE(t.Pack([&](int p) { progress.push_back(p); }).ok());
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front(), 0);
  EXPECT_EQ(progress.back(), 100);
  for (size_t i = 1; i < progress.size(); ++i) EXPECT_LT(progress[i - 1], progress[i]);

  EXPECT_EQ(t.RecordCount(), 16u);
  EXPECT_LT(ReadBytes(dir_.File("JLIST.FPT")).size(), memo_before);
  std::vector<std::string> expected_text;
  for (int i = 1; i <= 20; ++i) {
    if (i == 2 || i == 3 || i == 10 || i == 20) continue;
    expected_text.push_back((i - 1) % 3 == 0 ? std::string(300, 'z') + std::to_string(i)
                                             : std::string(100 + i, 'a' + i % 26));
  }
  ASSERT_TRUE(t.GoTop().ok());
  for (const std::string& text : expected_text) {
    ASSERT_FALSE(t.Eof());
    EXPECT_FALSE(t.Deleted());
    std::string note;
    ASSERT_TRUE(t.GetMemo(kNote, &note).ok());
    EXPECT_EQ(note, text);
    ASSERT_TRUE(t.Skip(1).ok());
  }
  EXPECT_TRUE(t.Eof());
  EXPECT_FALSE(std::filesystem::exists(dir_.File("JLIST.DBF.packed")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("JLIST.DBF.packing")));
  // The packed table takes new records and survives a reopen.
  ASSERT_TRUE(AppendTask(&t, Task(21, "after pack")).ok());
  table_.reset();
  std::unique_ptr<Table> again;
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kShared, &again).ok());
  EXPECT_EQ(again->RecordCount(), 17u);
  std::vector<std::string> problems;
  ASSERT_TRUE(again->Check(&problems).ok());
  EXPECT_TRUE(problems.empty()) << problems.front();
}

TEST_F(TableTest, ZapEmptiesTableAndMemoFile) {
  for (int i = 1; i <= 5; ++i) ASSERT_TRUE(AppendTask(table_.get(), Task(i, "note")).ok());
  std::vector<int> progress;
  ASSERT_TRUE(table_->Zap([&](int p) { progress.push_back(p); }).ok());
  EXPECT_EQ(progress.back(), 100);
  EXPECT_EQ(table_->RecordCount(), 0u);
  EXPECT_TRUE(table_->Eof());
  EXPECT_EQ(ReadBytes(dir_.File("JLIST.FPT")).size(), 512u);
  EXPECT_EQ(ReadBytes(dir_.File("JLIST.DBF")).size(), 259u);
  ASSERT_TRUE(AppendTask(table_.get(), Task(1, "again")).ok());
  std::string note;
  ASSERT_TRUE(table_->GetMemo(kNote, &note).ok());
  EXPECT_EQ(note, "again");
  EXPECT_EQ(table_->GetString(kNote), "         8");
}

}  // namespace
}  // namespace xbase::testing
