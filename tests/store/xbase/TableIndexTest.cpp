// The table with its structural index: tag orders, seek, upkeep on edits, missing and
// damaged index files, and the index through pack and zap.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "store/xbase/Table.h"
#include "tests/store/xbase/TableTestSupport.h"

namespace xbase::testing {
namespace {

std::vector<TagDefinition> TaskTags() {
  return {
      {"DATETIME", "DATE+TIME", "!Deleted()"},
      {"DESCRIPT", "upper(DESCRIPT)", "!Deleted()"},
      {"DONE", "DONE", "!Deleted()"},
      {"KEYS", "upper(KEYS)", "!Deleted()"},
      {"PRIORITY", "upper(PRIORITY)+DATE+TIME", "!Deleted()"},
  };
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

class TableIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table_ = CreateTaskTable(dir_);
    // Dates, times and texts chosen so that each order differs from record order.
    tasks_ = {
        {"20240305", "09:30", "call Bob", "", false, "home", "b"},
        {"", "", "undated", "", false, "WORK", "A"},
        {"20240301", "14:00", "Buy milk", "", true, "home", "C"},
        {"20240305", "", "file taxes", "", false, "work", "A"},
        {"20240305", "08:15", "CALL bob", "", true, "", "B"},
        {"20240229", "23:59", "alpha", "", false, "zzz", "a"},
    };
    for (const TaskValues& v : tasks_) ASSERT_TRUE(AppendTask(table_.get(), v).ok());
    ASSERT_TRUE(table_->Reindex(TaskTags()).ok());
  }

  // Record numbers of the live tasks sorted by `key`, ties in record order.
  std::vector<uint32_t> Expected(std::string (*key)(const TaskValues&), const std::vector<uint32_t>& gone = {}) {
    std::vector<uint32_t> r;
    for (uint32_t i = 1; i <= tasks_.size(); ++i) {
      if (std::find(gone.begin(), gone.end(), i) == gone.end()) r.push_back(i);
    }
    std::stable_sort(r.begin(), r.end(), [&](uint32_t a, uint32_t b) { return key(tasks_[a - 1]) < key(tasks_[b - 1]); });
    return r;
  }
  static std::string Pad(const std::string& s, size_t n) { return s + std::string(n - s.size(), ' '); }
  static std::string DateTime(const TaskValues& v) { return Pad(v.date, 8) + Pad(v.time, 5); }
  static std::string Descript(const TaskValues& v) { return Upper(Pad(v.descript, 50)); }
  static std::string Priority(const TaskValues& v) { return Upper(v.priority) + DateTime(v); }

  TempDir dir_;
  std::unique_ptr<Table> table_;
  std::vector<TaskValues> tasks_;
};

TEST_F(TableIndexTest, TagsAreNumberedAndWalkedInKeyOrder) {
  Table& t = *table_;
  ASSERT_EQ(t.index_state(), Table::IndexState::kOk);
  ASSERT_EQ(t.TagCount(), 5);
  EXPECT_EQ(t.TagName(1), "DATETIME");
  EXPECT_EQ(t.TagName(5), "PRIORITY");
  EXPECT_EQ(t.TagName(6), "");
  EXPECT_EQ(t.OrderOfTag("keys"), 4);
  EXPECT_EQ(t.OrderOfTag("nope"), 0);
  EXPECT_EQ(ReadBytes(dir_.File("JLIST.DBF"))[28], 0x01);

  EXPECT_EQ(t.SetOrder(1), 0);
  EXPECT_EQ(t.SetOrder(9), 1);  // out of range: unchanged
  EXPECT_EQ(t.Order(), 1);
  const std::vector<uint32_t> by_date = Expected(DateTime);
  EXPECT_EQ(by_date.front(), 2u);  // undated first
  EXPECT_EQ(VisibleRecords(&t), by_date);
  t.SetOrder(2);
  EXPECT_EQ(VisibleRecords(&t), Expected(Descript));
  t.SetOrder(5);
  EXPECT_EQ(VisibleRecords(&t), Expected(Priority));

  // Backwards from the bottom gives the same order reversed, with bof at the top.
  std::vector<uint32_t> back;
  ASSERT_TRUE(t.GoBottom().ok());
  while (!t.Bof()) {
    back.push_back(t.RecNo());
    ASSERT_TRUE(t.Skip(-1).ok());
  }
  std::reverse(back.begin(), back.end());
  EXPECT_EQ(back, Expected(Priority));
  EXPECT_EQ(t.RecNo(), Expected(Priority).front());

  // Eof, then back one step.
  ASSERT_TRUE(t.GoBottom().ok());
  ASSERT_TRUE(t.Skip(1).ok());
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.RecNo(), 7u);
  ASSERT_TRUE(t.Skip(-1).ok());
  EXPECT_EQ(t.RecNo(), Expected(Priority).back());
  EXPECT_EQ(t.SetOrder(0), 5);
  EXPECT_EQ(VisibleRecords(&t), (std::vector<uint32_t>{1, 2, 3, 4, 5, 6}));
}

TEST_F(TableIndexTest, EditsDeletesAndRecallsKeepOrdersRight) {
  Table& t = *table_;
  t.SetOrder(1);
  // Moving record 6 (the earliest dated) to the end of the date order.
  ASSERT_TRUE(t.Go(6).ok());
  ASSERT_TRUE(t.Edit().ok());
  ASSERT_TRUE(t.SetString(kDate, "20991231").ok());
  ASSERT_TRUE(t.Post().ok());
  tasks_[5].date = "20991231";
  EXPECT_EQ(t.RecNo(), 6u);
  ASSERT_TRUE(t.Skip(1).ok());
  EXPECT_TRUE(t.Eof());  // it is now the last one
  EXPECT_EQ(VisibleRecords(&t), Expected(DateTime));

  // Deleting the current record: it leaves every tag; the next step goes on from it.
  const std::vector<uint32_t> order = Expected(DateTime);
  ASSERT_TRUE(t.Go(order[2]).ok());
  ASSERT_TRUE(t.Skip(0).ok());
  ASSERT_TRUE(t.Delete().ok());
  ASSERT_TRUE(t.Skip(1).ok());
  EXPECT_EQ(t.RecNo(), order[3]);
  ASSERT_TRUE(t.Go(order[2]).ok());  // Go reaches it although it is in no tag
  EXPECT_TRUE(t.Deleted());
  ASSERT_TRUE(t.Skip(-1).ok());
  EXPECT_EQ(t.RecNo(), order[1]);
  EXPECT_EQ(VisibleRecords(&t), Expected(DateTime, {order[2]}));
  for (int o = 1; o <= 5; ++o) {
    t.SetOrder(o);
    const std::vector<uint32_t> seen = VisibleRecords(&t);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), order[2]), 0) << "order " << o;
    EXPECT_EQ(seen.size(), 5u);
  }
  t.SetOrder(1);
  ASSERT_TRUE(t.Go(order[2]).ok());
  ASSERT_TRUE(t.Recall().ok());
  EXPECT_EQ(VisibleRecords(&t), Expected(DateTime));

  // A filter applies within the order.
  t.SetOrder(2);
  ASSERT_TRUE(t.SetFilter("DONE").ok());
  EXPECT_EQ(VisibleRecords(&t), (std::vector<uint32_t>{3, 5}));
  uint32_t n = 0;
  ASSERT_TRUE(t.CountFiltered(&n).ok());
  EXPECT_EQ(n, 2u);
  ASSERT_TRUE(t.SetFilter("").ok());
  ASSERT_TRUE(t.CountFiltered(&n).ok());
  EXPECT_EQ(n, 6u);

  // A new record takes its place in the current order.
  ASSERT_TRUE(AppendTask(&t, {"", "", "aardvark", "", false, "", "C"}).ok());
  EXPECT_EQ(t.RecNo(), 7u);
  ASSERT_TRUE(t.Skip(-1).ok());
  EXPECT_TRUE(t.Bof());
  EXPECT_EQ(t.RecNo(), 7u);
  std::vector<std::string> problems;
  ASSERT_TRUE(t.Check(&problems).ok());
  EXPECT_TRUE(problems.empty()) << problems.front();
}

TEST_F(TableIndexTest, SeekFindsPrefixesAndSoftSeekStopsOnTheNextKey) {
  Table& t = *table_;
  bool found = false;
  EXPECT_EQ(t.Seek("2024", false, &found).code(), Status::Code::kState);  // record order
  t.SetOrder(1);
  ASSERT_TRUE(t.Seek("20240305", false, &found).ok());
  EXPECT_TRUE(found);
  EXPECT_EQ(t.RecNo(), 4u);  // the first of that date: blank time
  ASSERT_TRUE(t.Skip(1).ok());
  EXPECT_EQ(t.RecNo(), 5u);
  ASSERT_TRUE(t.Seek("2024030509:30", false, &found).ok());
  EXPECT_TRUE(found);
  EXPECT_EQ(t.RecNo(), 1u);
  ASSERT_TRUE(t.Seek("20240302", false, &found).ok());
  EXPECT_FALSE(found);
  EXPECT_TRUE(t.Eof());
  ASSERT_TRUE(t.Seek("20240302", true, &found).ok());
  EXPECT_FALSE(found);
  EXPECT_FALSE(t.Eof());
  EXPECT_EQ(t.RecNo(), 4u);  // the next greater key
  ASSERT_TRUE(t.Seek("2025", true, &found).ok());
  EXPECT_FALSE(found);
  EXPECT_TRUE(t.Eof());
  // Seek honours the filter: the first match that passes it.
  ASSERT_TRUE(t.SetFilter("DONE").ok());
  ASSERT_TRUE(t.Seek("20240305", false, &found).ok());
  EXPECT_TRUE(found);
  EXPECT_EQ(t.RecNo(), 5u);
  ASSERT_TRUE(t.SetFilter("").ok());
  t.SetOrder(2);
  ASSERT_TRUE(t.Seek("CALL BOB", false, &found).ok());
  EXPECT_TRUE(found);
  EXPECT_EQ(t.RecNo(), 1u);
}

TEST_F(TableIndexTest, MissingOrDamagedIndexOpensInRecordOrderAndIsRebuilt) {
  table_.reset();
  std::filesystem::remove(dir_.File("JLIST.CDX"));
  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kShared, &t).ok());
  EXPECT_EQ(t->index_state(), Table::IndexState::kMissing);
  EXPECT_FALSE(t->index_problem().empty());
  EXPECT_EQ(t->TagCount(), 0);
  EXPECT_EQ(t->SetOrder(1), 0);
  EXPECT_EQ(t->Order(), 0);
  EXPECT_EQ(VisibleRecords(t.get()), (std::vector<uint32_t>{1, 2, 3, 4, 5, 6}));
  ASSERT_TRUE(AppendTask(t.get(), {"20240101", "", "while missing", "", false, "", "B"}).ok());
  std::vector<std::string> problems;
  ASSERT_TRUE(t->Check(&problems).ok());
  EXPECT_FALSE(problems.empty());
  EXPECT_EQ(t->Reindex(TaskTags()).code(), Status::Code::kNeedExclusive);
  t.reset();
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kExclusive, &t).ok());
  std::vector<int> progress;
  ASSERT_TRUE(t->Reindex(TaskTags(), [&](int p) { progress.push_back(p); }).ok());
  EXPECT_EQ(std::count(progress.begin(), progress.end(), 100), 5);
  EXPECT_EQ(t->index_state(), Table::IndexState::kOk);
  t->SetOrder(1);
  EXPECT_EQ(VisibleRecords(t.get()).front(), 2u);
  EXPECT_EQ(VisibleRecords(t.get()).size(), 7u);
  t.reset();

  // An index file full of garbage: the table opens, says why, and Reindex repairs it.
  std::vector<uint8_t> junk(4096);
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<uint8_t>(i * 7 + 3);
  WriteBytes(dir_.File("JLIST.CDX"), junk);
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kExclusive, &t).ok());
  EXPECT_EQ(t->index_state(), Table::IndexState::kDamaged);
  EXPECT_FALSE(t->index_problem().empty());
  EXPECT_EQ(t->TagCount(), 0);
  ASSERT_TRUE(t->Reindex(TaskTags()).ok());
  EXPECT_EQ(t->TagCount(), 5);
  ASSERT_TRUE(t->Check(&problems).ok());
  EXPECT_TRUE(problems.empty()) << problems.front();
  t.reset();

  // A key that no longer matches its record (the date changed behind the index's back):
  // the open check counts keys only, Check compares them with the records.
  std::vector<uint8_t> dbf = ReadBytes(dir_.File("JLIST.DBF"));
  dbf[258 + 1] = '1';
  WriteBytes(dir_.File("JLIST.DBF"), dbf);
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kReadOnly, &t).ok());
  ASSERT_EQ(t->index_state(), Table::IndexState::kOk);
  ASSERT_TRUE(t->Check(&problems).ok());
  ASSERT_FALSE(problems.empty());
  EXPECT_EQ(problems[0].rfind("index: ", 0), 0u) << problems[0];
  t.reset();

  // An index that lost keys (the table changed behind its back) fails the open check.
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kExclusive, &t).ok());
  ASSERT_EQ(t->index_state(), Table::IndexState::kOk);
  t.reset();
  dbf = ReadBytes(dir_.File("JLIST.DBF"));
  dbf[258] = '*';  // record 1 deleted without the index knowing
  WriteBytes(dir_.File("JLIST.DBF"), dbf);
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kShared, &t).ok());
  EXPECT_EQ(t->index_state(), Table::IndexState::kDamaged);
}

// The close mark in the memo header: after a clean close the next open only counts each
// tag's keys against the records; while writers are counted in (they are from open to
// clean close, and one that dies stays counted) an open walks every tree.
TEST_F(TableIndexTest, OnlyACleanCloseSparesTheNextOpenTheTreeWalk) {
  const auto mark = [](const std::string& memo) {
    const std::vector<uint8_t> bytes = ReadBytes(memo);
    return std::string(bytes.begin() + 8, bytes.begin() + 12);
  };
  const auto writers = [](char n) { return std::string("JL\0", 3) + n; };
  // The head of the free-page list on the directory's own page: damage a power cut can
  // leave, with every key count still right, which only the walk finds.
  const auto damage = [](const std::string& index) {
    std::vector<uint8_t> bytes = ReadBytes(index);
    bytes[4] = 0x00;
    bytes[5] = 0x04;
    WriteBytes(index, bytes);
  };
  std::unique_ptr<Table> t;

  // The files as a crash leaves them: copied while their writer has them open.
  TempDir crashed;
  for (const char* name : {"JLIST.DBF", "JLIST.FPT", "JLIST.CDX"}) {
    std::filesystem::copy_file(dir_.File(name), crashed.File(name));
  }
  EXPECT_EQ(mark(crashed.File("JLIST.FPT")), writers(1));
  damage(crashed.File("JLIST.CDX"));
  ASSERT_TRUE(Table::Open(crashed.File("JLIST.DBF"), OpenMode::kShared, &t).ok());
  EXPECT_EQ(t->index_state(), Table::IndexState::kDamaged);
  EXPECT_EQ(mark(crashed.File("JLIST.FPT")), writers(1));  // the dead writer's count is stale
  t.reset();
  EXPECT_EQ(mark(crashed.File("JLIST.FPT")), writers(1));  // a damaged index is not vouched for

  table_.reset();
  EXPECT_EQ(mark(dir_.File("JLIST.FPT")), "JLCL");
  // Readers leave the mark alone; writers count in and out.
  std::unique_ptr<Table> reader;
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kReadOnly, &reader).ok());
  EXPECT_EQ(mark(dir_.File("JLIST.FPT")), "JLCL");
  std::unique_ptr<Table> other;
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kShared, &t).ok());
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kShared, &other).ok());
  EXPECT_EQ(mark(dir_.File("JLIST.FPT")), writers(2));
  ASSERT_TRUE(AppendTask(other.get(), {"20240102", "", "second writer", "", false, "", "B"}).ok());
  t.reset();
  EXPECT_EQ(mark(dir_.File("JLIST.FPT")), writers(1));
  other.reset();
  EXPECT_EQ(mark(dir_.File("JLIST.FPT")), "JLCL");
  reader.reset();

  // A writer that dies without closing stays counted, so the close of one that outlives
  // it does not vouch for the files; the next open, alone, walks and starts the count anew.
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kShared, &other).ok());
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::unique_ptr<Table> dying;
    const bool ok = Table::Open(dir_.File("JLIST.DBF"), OpenMode::kShared, &dying).ok() &&
                    AppendTask(dying.get(), {"20240103", "", "died", "", false, "", "C"}).ok();
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(mark(dir_.File("JLIST.FPT")), writers(2));
  other.reset();
  EXPECT_EQ(mark(dir_.File("JLIST.FPT")), writers(1));
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kShared, &t).ok());
  EXPECT_EQ(t->index_state(), Table::IndexState::kOk);
  EXPECT_EQ(mark(dir_.File("JLIST.FPT")), writers(1));
  t.reset();
  EXPECT_EQ(mark(dir_.File("JLIST.FPT")), "JLCL");

  // The same damage after a clean close goes unseen: nothing of this engine's leaves it
  // then, and the open only counts keys.
  damage(dir_.File("JLIST.CDX"));
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kShared, &t).ok());
  EXPECT_EQ(t->index_state(), Table::IndexState::kOk);
  EXPECT_EQ(VisibleRecords(t.get()).size(), 8u);
  t.reset();

  // A batch cut off before its end is not vouched for, and the next open rebuilds.
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kExclusive, &t).ok());
  ASSERT_TRUE(t->Reindex(TaskTags()).ok());
  t->BeginBatch();
  ASSERT_TRUE(t->Go(2).ok());
  ASSERT_TRUE(t->Delete().ok());
  t.reset();
  EXPECT_EQ(mark(dir_.File("JLIST.FPT")), writers(1));
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kShared, &t).ok());
  EXPECT_EQ(t->index_state(), Table::IndexState::kDamaged);
}

TEST_F(TableIndexTest, CreateTagAddsToTheIndex) {
  Table& t = *table_;
  EXPECT_EQ(t.CreateTag("DATETIME", "DATE", "").code(), Status::Code::kInvalidArgument);
  EXPECT_EQ(t.CreateTag("BAD NAME", "DATE", "").code(), Status::Code::kInvalidArgument);
  EXPECT_FALSE(t.CreateTag("BROKEN", "DATE +", "").ok());
  EXPECT_EQ(t.TagCount(), 5);
  std::vector<int> progress;
  ASSERT_TRUE(t.CreateTag("rev", "TIME", "DONE", [&](int p) { progress.push_back(p); }).ok());
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front(), 0);
  EXPECT_EQ(progress.back(), 100);
  for (size_t i = 1; i < progress.size(); ++i) EXPECT_LT(progress[i - 1], progress[i]);
  EXPECT_EQ(t.TagCount(), 6);
  EXPECT_EQ(t.TagName(6), "REV");
  t.SetOrder(6);
  EXPECT_EQ(VisibleRecords(&t), (std::vector<uint32_t>{5, 3}));  // only done tasks, by time
}

TEST_F(TableIndexTest, PackAndZapKeepTheIndexInStep) {
  Table& t = *table_;
  for (uint32_t r : {1u, 4u}) {
    ASSERT_TRUE(t.Go(r).ok());
    ASSERT_TRUE(t.Delete().ok());
  }
  t.SetOrder(1);
  std::vector<int> progress;
  ASSERT_TRUE(t.Pack([&](int p) { progress.push_back(p); }).ok());
  // The pack's own 0..100, then 0..100 for each of the five tags.
  EXPECT_EQ(std::count(progress.begin(), progress.end(), 100), 6);
  EXPECT_EQ(progress.front(), 0);
  EXPECT_EQ(t.RecordCount(), 4u);
  EXPECT_EQ(t.index_state(), Table::IndexState::kOk);
  EXPECT_EQ(t.Order(), 1);
  tasks_ = {tasks_[1], tasks_[2], tasks_[4], tasks_[5]};
  EXPECT_EQ(VisibleRecords(&t), Expected(DateTime));
  std::vector<std::string> problems;
  ASSERT_TRUE(t.Check(&problems).ok());
  EXPECT_TRUE(problems.empty()) << problems.front();

  ASSERT_TRUE(t.Zap().ok());
  EXPECT_EQ(t.TagCount(), 5);
  ASSERT_TRUE(t.GoTop().ok());
  EXPECT_TRUE(t.Eof());
  ASSERT_TRUE(AppendTask(&t, {"20240101", "", "fresh", "", false, "", "A"}).ok());
  EXPECT_EQ(VisibleRecords(&t), (std::vector<uint32_t>{1}));
  ASSERT_TRUE(t.Check(&problems).ok());
  EXPECT_TRUE(problems.empty()) << problems.front();
}

TEST_F(TableIndexTest, SharedOpensSeeEachOthersKeys) {
  table_.reset();
  std::unique_ptr<Table> a;
  std::unique_ptr<Table> b;
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kShared, &a).ok());
  ASSERT_TRUE(Table::Open(dir_.File("JLIST.DBF"), OpenMode::kShared, &b).ok());
  a->SetOrder(1);
  b->SetOrder(1);
  ASSERT_TRUE(AppendTask(b.get(), {"20000101", "", "ancient", "", false, "", "A"}).ok());
  ASSERT_TRUE(b->Go(3).ok());
  ASSERT_TRUE(b->Delete().ok());
  std::vector<uint32_t> seen = VisibleRecords(a.get());
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen[1], 7u);  // after the undated task
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 3u), 0);
  bool found = false;
  ASSERT_TRUE(a->Seek("20000101", false, &found).ok());
  EXPECT_TRUE(found);
  EXPECT_EQ(a->RecNo(), 7u);
}

// Record numbers met by GoTop/Skip in the current order and filter, deleted ones left out.
std::vector<uint32_t> Walked(Table* t) {
  std::vector<uint32_t> r;
  if (!t->GoTop().ok()) return {};
  while (!t->Eof()) {
    if (!t->Deleted()) r.push_back(t->RecNo());
    if (!t->Skip(1).ok()) return {};
  }
  return r;
}

TEST_F(TableIndexTest, CollectVisibleMatchesNavigationInEveryOrder) {
  ASSERT_TRUE(table_->Go(3).ok());
  ASSERT_TRUE(table_->Delete().ok());
  ASSERT_TRUE(table_->SetFilter("!DONE .or. PRIORITY = 'A'").ok());
  std::vector<uint32_t> collected = {99};  // replaced, not appended to
  for (int order = 0; order <= table_->TagCount(); ++order) {
    table_->SetOrder(order);
    ASSERT_TRUE(table_->CollectVisible(true, &collected).ok());
    EXPECT_EQ(collected, Walked(table_.get())) << "order " << order;
  }
  table_->SetOrder(1);
  ASSERT_TRUE(table_->CollectVisible(true, &collected).ok());
  EXPECT_EQ(collected, (std::vector<uint32_t>{2, 6, 4, 1}));

  // Record order keeps deleted records unless asked not to.
  ASSERT_TRUE(table_->SetFilter("").ok());
  table_->SetOrder(0);
  ASSERT_TRUE(table_->CollectVisible(false, &collected).ok());
  EXPECT_EQ(collected, (std::vector<uint32_t>{1, 2, 3, 4, 5, 6}));
  ASSERT_TRUE(table_->CollectVisible(true, &collected).ok());
  EXPECT_EQ(collected, (std::vector<uint32_t>{1, 2, 4, 5, 6}));
}

}  // namespace
}  // namespace xbase::testing
