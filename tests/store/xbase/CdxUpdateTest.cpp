// Keeping the tags current: random changes checked against a model after every step,
// trees growing and shrinking through several levels, page reuse, cursors that keep
// their place, and a second open that notices the changes.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <set>

#include "store/xbase/CdxFormat.h"
#include "tests/store/xbase/CdxTestSupport.h"

namespace xbase::cdxtest {
namespace {

class CdxUpdateTest : public ::testing::Test {
 protected:
  void Open(std::vector<TagDefinition> tags = TaskTags()) {
    const Status s = CdxIndex::Build(path_, fields_, tags, table_, {}, &index_);
    ASSERT_TRUE(s.ok()) << s.ToString();
    for (int t = 0; t < 5; ++t) {
      model_[t].clear();
      for (const Entry& e : ExpectedOrder(table_, t)) model_[t].insert(e);
    }
  }

  // Changes record `recno` to `now` (appending when it is new) through the index and the
  // model.
  void Change(uint32_t recno, const std::vector<uint8_t>& now) {
    const bool is_new = recno > table_.RecordCount();
    std::vector<uint8_t> before;
    if (!is_new) before = table_.at(recno);
    for (int t = 0; t < 5; ++t) {
      if (!is_new && before[0] != '*') model_[t].erase({ExpectedKey(t, before), recno});
      if (now[0] != '*') model_[t].insert({ExpectedKey(t, now), recno});
    }
    if (is_new) {
      Task blank;
      ASSERT_EQ(table_.Append(blank), recno);
    }
    table_.at(recno) = now;
    const Status s = index_->Update(recno, is_new ? nullptr : before.data(), now.data());
    ASSERT_TRUE(s.ok()) << s.ToString();
  }

  void ExpectModel(const std::string& when) {
    for (int t = 0; t < 5; ++t) {
      const std::vector<Entry> want(model_[t].begin(), model_[t].end());
      ASSERT_EQ(Walk(*index_, t), want) << index_->Tag(t).name << " " << when;
    }
  }

  void ExpectVerified(const std::string& when) {
    std::vector<std::string> problems;
    const Status s = index_->Verify(table_, &problems);
    ASSERT_TRUE(s.ok()) << when << ": " << s.ToString() << " "
                        << (problems.empty() ? "" : problems[0]);
    ASSERT_TRUE(index_->QuickCheck(table_).ok()) << when;
  }

  // A random change of one record: new record, edit, delete or recall.
  void RandomStep(TaskMaker& maker) {
    const uint32_t n = table_.RecordCount();
    const int what = n == 0 ? 0 : maker.Pick(10);
    if (what < 4) {
      Task t = maker.Make();
      Change(n + 1, Image(t));
      return;
    }
    const uint32_t r = 1 + static_cast<uint32_t>(maker.Pick(n));
    std::vector<uint8_t> img = table_.at(r);
    if (what < 7) {
      std::vector<uint8_t> other = Image(maker.Make());
      // Change one or two fields, keep the rest.
      const uint32_t fields[][2] = {{1, 8}, {9, 5}, {14, 50}, {74, 1}, {75, 60}, {135, 1}};
      for (int k = 0; k < 1 + maker.Pick(2); ++k) {
        const auto& f = fields[maker.Pick(6)];
        std::memcpy(&img[f[0]], &other[f[0]], f[1]);
      }
    } else if (what < 9) {
      img[0] = '*';
    } else {
      img[0] = ' ';
    }
    Change(r, img);
  }

  TempDir dir_;
  std::string path_ = dir_.File("JLIST.CDX");
  std::vector<FieldDesc> fields_ = TaskFields();
  MemoryTable table_;
  std::unique_ptr<CdxIndex> index_;
  std::set<Entry> model_[5];
};

TEST_F(CdxUpdateTest, RandomChangesMatchTheModelAfterEveryStep) {
  TaskMaker maker(21);
  for (int i = 0; i < 300; ++i) table_.Append(maker.Make());
  Open();
  index_->SetSharedAccess(false);
  for (int step = 0; step < 1200; ++step) {
    RandomStep(maker);
    ExpectModel("after step " + std::to_string(step));
    if (step % 200 == 199) ExpectVerified("after step " + std::to_string(step));
  }
  ExpectVerified("at the end");
}

TEST_F(CdxUpdateTest, TreesGrowAndShrinkThroughSeveralLevels) {
  Open();  // empty table: every tag an empty root leaf
  index_->SetSharedAccess(false);
  TaskMaker maker(3);
  // Long distinct keys give the 60-byte tag seven entries a node, so 2500 records make
  // a tree five levels deep, grown only by splits.
  for (uint32_t r = 1; r <= 2500; ++r) {
    Task t = maker.Make();
    t.deleted = false;
    t.keys = "key " + std::to_string((r * 7919u) % 2500u) + " " + t.keys;
    t.descript = std::string(40, 'd') + std::to_string(r % 97);
    Change(r, Image(t));
    if (r % 250 == 0) ExpectModel("growing, " + std::to_string(r));
  }
  ExpectModel("grown");
  ExpectVerified("grown");
  const uint64_t grown_size = std::filesystem::file_size(path_);

  // Delete in random order down to nothing: leaves empty out and merge, the root
  // collapses, and the freed pages go to the free list.
  std::vector<uint32_t> order(2500);
  for (uint32_t i = 0; i < 2500; ++i) order[i] = i + 1;
  std::shuffle(order.begin(), order.end(), maker.rng());
  for (size_t i = 0; i < order.size(); ++i) {
    std::vector<uint8_t> img = table_.at(order[i]);
    img[0] = '*';
    Change(order[i], img);
    if (i % 100 == 0) ExpectModel("shrinking, " + std::to_string(i));
    if (i % 500 == 0) ExpectVerified("shrinking, " + std::to_string(i));
  }
  ExpectModel("empty");
  ExpectVerified("empty");
  const std::vector<uint8_t> f = ReadAll(path_);
  EXPECT_NE(base::Le32(&f[cdx::kHdrFreeList]), 0u) << "freed pages are listed";
  // Every tag's root is an empty root leaf again.
  for (int t = 0; t < 5; ++t) {
    std::unique_ptr<CdxIndex::Cursor> c = index_->NewCursor(t);
    ASSERT_TRUE(c->First().ok());
    EXPECT_TRUE(c->eof() && c->bof());
  }

  // Recalling everything grows the trees again from the free pages: the file does not
  // grow beyond what it was.
  for (uint32_t r = 1; r <= 2500; ++r) {
    std::vector<uint8_t> img = table_.at(r);
    img[0] = ' ';
    Change(r, img);
  }
  ExpectModel("recalled");
  ExpectVerified("recalled");
  EXPECT_LE(std::filesystem::file_size(path_), grown_size);
}

TEST_F(CdxUpdateTest, UnchangedKeysLeaveTheFileAlone) {
  TaskMaker maker(5);
  for (int i = 0; i < 50; ++i) table_.Append(maker.Make());
  Open();
  const std::vector<uint8_t> before = ReadAll(path_);
  uint32_t r = 1;
  while (table_.at(r)[0] == '*') ++r;
  std::vector<uint8_t> img = table_.at(r);
  img[64] = '7';  // the memo pointer is in no key
  ASSERT_TRUE(index_->Update(r, table_.at(r).data(), img.data()).ok());
  EXPECT_EQ(ReadAll(path_), before);
  // A deleted record changing stays out of every tag.
  uint32_t d = 1;
  while (table_.at(d)[0] != '*') ++d;
  img = table_.at(d);
  img[14] = 'Q';
  ASSERT_TRUE(index_->Update(d, table_.at(d).data(), img.data()).ok());
  EXPECT_EQ(ReadAll(path_), before);
}

TEST_F(CdxUpdateTest, EveryChangeRaisesTheBigEndianCounterOnce) {
  Open();
  TaskMaker maker(8);
  for (uint32_t r = 1; r <= 300; ++r) {
    Task t = maker.Make();
    t.deleted = false;
    Change(r, Image(t));
  }
  const std::vector<uint8_t> f = ReadAll(path_);
  EXPECT_EQ(base::Be32(&f[cdx::kHdrChangeCounter]), 300u);
  // Tag headers keep their counters and free lists at zero.
  for (uint32_t offset : {0x600u}) {
    EXPECT_EQ(base::Le32(&f[offset + 4]), 0u);
    EXPECT_EQ(base::Le32(&f[offset + 8]), 0u);
  }
}

TEST_F(CdxUpdateTest, CursorKeepsItsPlaceAcrossChanges) {
  const char* dates[] = {"20240101", "20240102", "20240103", "20240104", "20240105"};
  for (const char* d : dates) table_.Append({d, "", "x", "", "A", 'F', false});
  Open();
  std::unique_ptr<CdxIndex::Cursor> c = index_->NewCursor(0);
  bool exact = false;
  ASSERT_TRUE(c->Seek("20240103", &exact).ok());
  ASSERT_EQ(c->recno(), 3u);

  // The current entry goes away: Next lands on what followed it.
  std::vector<uint8_t> img = table_.at(3);
  img[0] = '*';
  Change(3, img);
  ASSERT_TRUE(c->Next().ok());
  EXPECT_EQ(c->recno(), 4u);

  // An entry appears right after the current one: Next finds it.
  Change(6, Image({"20240104", "", "y", "", "A", 'F', false}));
  ASSERT_TRUE(c->Next().ok());
  EXPECT_EQ(c->recno(), 6u);

  // The current entry moves away and back: Prior goes to what preceded its old place.
  img = table_.at(6);
  std::memcpy(&img[1], "20991231", 8);
  Change(6, img);
  ASSERT_TRUE(c->Prior().ok());
  EXPECT_EQ(c->recno(), 4u);

  // Everything after the cursor is deleted: Next gives eof, Prior the last entry.
  for (uint32_t r : {4u, 5u, 6u}) {
    img = table_.at(r);
    img[0] = '*';
    Change(r, img);
  }
  ASSERT_TRUE(c->Seek("20240102", &exact).ok());
  img = table_.at(2);
  img[0] = '*';
  Change(2, img);
  std::unique_ptr<CdxIndex::Cursor> d = index_->NewCursor(0);
  ASSERT_TRUE(d->Last().ok());
  ASSERT_EQ(d->recno(), 1u);
  ASSERT_TRUE(c->Prior().ok());
  EXPECT_EQ(c->recno(), 1u);
}

TEST_F(CdxUpdateTest, ASecondOpenNoticesChangesThroughTheCounter) {
  TaskMaker maker(13);
  for (int i = 0; i < 400; ++i) table_.Append(maker.Make());
  Open();
  std::unique_ptr<CdxIndex> other;
  ASSERT_TRUE(CdxIndex::Open(path_, fields_, false, &other).ok());
  EXPECT_FALSE(other->ChangedElsewhere());
  // The other open reads (and caches) the tree, positioned in the middle.
  std::unique_ptr<CdxIndex::Cursor> c = other->NewCursor(1);
  ASSERT_EQ(Walk(*other, 1), ExpectedOrder(table_, 1));
  ASSERT_TRUE(c->First().ok());
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(c->Next().ok());
  const std::string key(c->key());
  const uint32_t recno = c->recno();

  for (int i = 0; i < 300; ++i) RandomStep(maker);
  EXPECT_TRUE(other->ChangedElsewhere());
  EXPECT_FALSE(other->ChangedElsewhere());  // reported once
  for (int t = 0; t < 5; ++t) EXPECT_EQ(Walk(*other, t), ExpectedOrder(table_, t));
  // Its cursor went on from where it was in the new tree.
  ASSERT_TRUE(c->Next().ok());
  const std::vector<Entry> now = ExpectedOrder(table_, 1);
  const auto it = std::upper_bound(now.begin(), now.end(), Entry{key, recno});
  ASSERT_NE(it, now.end());
  EXPECT_EQ(c->recno(), it->second);

  // And the other way round: changes through the second open reach the first.
  const uint32_t r = 1 + static_cast<uint32_t>(maker.Pick(table_.RecordCount()));
  std::vector<uint8_t> img = table_.at(r);
  img[0] = img[0] == '*' ? ' ' : '*';
  ASSERT_TRUE(other->Update(r, table_.at(r).data(), img.data()).ok());
  table_.at(r) = img;
  EXPECT_TRUE(index_->ChangedElsewhere());
  for (int t = 0; t < 5; ++t) EXPECT_EQ(Walk(*index_, t), ExpectedOrder(table_, t));
}

TEST_F(CdxUpdateTest, IndexLockHeldElsewhereStopsWritesAndReads) {
  TaskMaker maker(17);
  for (int i = 0; i < 20; ++i) table_.Append(maker.Make());
  Open();
  index_->SetLockTimeout(50);
  const int fd = ::open(path_.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  auto lock = [&](short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = cdx::kIndexLockOffset;
    fl.l_len = 1;
    return ::fcntl(fd, F_OFD_SETLK, &fl);
  };
  std::vector<uint8_t> img = Image(maker.Make());
  img[0] = ' ';
  ASSERT_EQ(lock(F_RDLCK), 0);  // a reader elsewhere: reading goes on, writing waits
  std::unique_ptr<CdxIndex::Cursor> c = index_->NewCursor(0);
  EXPECT_TRUE(c->First().ok());
  EXPECT_TRUE(index_->Update(21, nullptr, img.data()).IsInUse());
  ASSERT_EQ(lock(F_WRLCK), 0);  // a writer elsewhere: reading waits too
  EXPECT_TRUE(c->First().IsInUse());
  ASSERT_EQ(lock(F_UNLCK), 0);
  table_.Append({});
  table_.at(21) = img;
  EXPECT_TRUE(index_->Update(21, nullptr, img.data()).ok());
  ::close(fd);
  EXPECT_EQ(Walk(*index_, 0), ExpectedOrder(table_, 0));
}

TEST_F(CdxUpdateTest, ClearEmptiesEveryTagAndKeepsTheDefinitions) {
  TaskMaker maker(19);
  for (int i = 0; i < 2000; ++i) table_.Append(maker.Make());
  std::vector<TagDefinition> tags = TaskTags();
  tags[3].for_condition = "!Deleted() .AND. DONE";
  Open(tags);
  std::unique_ptr<CdxIndex::Cursor> c = index_->NewCursor(0);
  ASSERT_TRUE(c->First().ok());
  ASSERT_TRUE(index_->Clear().ok());
  EXPECT_EQ(index_->Definitions()[3].for_condition, "!Deleted() .AND. DONE");
  EXPECT_LE(std::filesystem::file_size(path_), 0x600u + 5u * 1536u);
  MemoryTable empty;
  std::vector<std::string> problems;
  EXPECT_TRUE(index_->Verify(empty, &problems).ok());
  ASSERT_TRUE(c->Next().ok());  // the old position is gone
  EXPECT_TRUE(c->eof());
  // The emptied index takes new records.
  table_ = MemoryTable();
  for (int t = 0; t < 5; ++t) model_[t].clear();
  for (uint32_t r = 1; r <= 50; ++r) {
    Task t = maker.Make();
    t.done = 'T';
    Change(r, Image(t));
  }
  for (int t : {0, 1, 2, 4}) {
    EXPECT_EQ(Walk(*index_, t), std::vector<Entry>(model_[t].begin(), model_[t].end()));
  }
  EXPECT_TRUE(index_->Verify(table_, &problems).ok()) << (problems.empty() ? "" : problems[0]);
}

}  // namespace
}  // namespace xbase::cdxtest
