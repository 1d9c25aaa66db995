// Building the task table's index: file layout, tag orders against an independent sort,
// cursors, seeks and progress.
#include <gtest/gtest.h>

#include "store/xbase/CdxFormat.h"
#include "tests/store/xbase/CdxTestSupport.h"

namespace xbase::cdxtest {
namespace {

class CdxIndexTest : public ::testing::Test {
 protected:
  void Fill(uint32_t count, uint32_t seed = 7) {
    TaskMaker maker(seed);
    for (uint32_t i = 0; i < count; ++i) table_.Append(maker.Make());
  }

  std::unique_ptr<CdxIndex> BuildIndex(const std::vector<TagDefinition>& tags = TaskTags()) {
    std::unique_ptr<CdxIndex> index;
    const Status s = CdxIndex::Build(path_, fields_, tags, table_, {}, &index);
    EXPECT_TRUE(s.ok()) << s.ToString();
    return index;
  }

  TempDir dir_;
  std::string path_ = dir_.File("JLIST.CDX");
  std::vector<FieldDesc> fields_ = TaskFields();
  MemoryTable table_;
};

TEST_F(CdxIndexTest, SmallFileHasTheStandardLayout) {
  table_.Append({"20240305", "09:30", "Buy milk", "shop", "B", 'F', false});
  table_.Append({"", "", "Call Mom", "", "A", 'T', true});
  table_.Append({"20240101", "", "tax", "money", "C", 'T', false});
  std::unique_ptr<CdxIndex> index = BuildIndex();
  ASSERT_NE(index, nullptr);
  const std::vector<uint8_t> f = ReadAll(path_);
  ASSERT_EQ(f.size() % 512, 0u);
  // Directory header: root 0x400, no free list, counter 0, key length 10, options E0.
  EXPECT_EQ(base::Le32(&f[0]), 0x400u);
  EXPECT_EQ(base::Le32(&f[4]), 0u);
  EXPECT_EQ(base::Le32(&f[8]), 0u);
  EXPECT_EQ(base::Le16(&f[12]), 10);
  EXPECT_EQ(f[14], 0xE0);
  EXPECT_EQ(f[15], 1);
  EXPECT_EQ(std::vector<uint8_t>(f.begin() + 502, f.begin() + 512),
            (std::vector<uint8_t>{0, 0, 1, 0, 1, 0, 0, 0, 1, 0}));
  for (size_t i = 16; i < 502; ++i) ASSERT_EQ(f[i], 0) << i;
  for (size_t i = 512; i < 1024; ++i) ASSERT_EQ(f[i], 0) << i;

  // Directory leaf: five names in name order, each pointing at a header; the first tag
  // created has its header at 0x600 and its root leaf right after it.
  const uint8_t* dir = &f[0x400];
  EXPECT_EQ(base::Le16(dir), 3);
  EXPECT_EQ(base::Le16(dir + 2), 5);
  const std::vector<std::string> names = {"DATETIME", "DESCRIPT", "DONE", "KEYS", "PRIORITY"};
  for (int t = 0; t < 5; ++t) EXPECT_EQ(index->Tag(t).name, names[t]);
  const uint8_t* h = &f[0x600];
  EXPECT_EQ(base::Le32(h), 0xA00u);
  EXPECT_EQ(base::Le16(h + 12), 13);
  EXPECT_EQ(h[14], 0x68);
  EXPECT_EQ(h[15], 1);
  EXPECT_EQ(base::Le16(h + 502), 0);
  EXPECT_EQ(base::Le16(h + 504), 10);  // "DATE+TIME" and its NUL
  EXPECT_EQ(base::Le16(h + 506), 11);  // "!Deleted()" and its NUL
  EXPECT_EQ(base::Le16(h + 508), 0);
  EXPECT_EQ(base::Le16(h + 510), 10);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(h + 512), 21),
            std::string("DATE+TIME\0!Deleted()", 21));
  EXPECT_EQ(h[512 + 21], 0);
  // Root leaf of DATETIME: two keys (the deleted record has none), blank date first.
  const uint8_t* root = &f[0xA00];
  EXPECT_EQ(base::Le16(root), 3);
  EXPECT_EQ(base::Le16(root + 2), 2);
  EXPECT_EQ(base::Le32(root + 4), cdx::kNoPage);
  EXPECT_EQ(root[23], 3);  // entries of three bytes
  EXPECT_EQ(root[20], 16);
  // Key lengths of the five tags, as derived from the expressions.
  const uint16_t lengths[] = {13, 50, 1, 60, 14};
  std::vector<uint32_t> headers;
  for (int i = 0; i < 5; ++i) {
    const uint32_t v = dir[24 + i * 3] | (dir[25 + i * 3] << 8) | (dir[26 + i * 3] << 16);
    headers.push_back(v & 0xFFFF);
  }
  for (int i = 0; i < 5; ++i) EXPECT_EQ(base::Le16(&f[headers[i] + 12]), lengths[i]) << names[i];
}

TEST_F(CdxIndexTest, EveryTagOrderMatchesAnIndependentSort) {
  Fill(3000);
  std::unique_ptr<CdxIndex> index = BuildIndex();
  ASSERT_NE(index, nullptr);
  for (int tag = 0; tag < 5; ++tag) {
    const std::vector<Entry> expected = ExpectedOrder(table_, tag);
    EXPECT_EQ(Walk(*index, tag), expected) << index->Tag(tag).name;
    EXPECT_EQ(Walk(*index, tag, true), expected) << index->Tag(tag).name;
  }
  // Blank dates first, deleted records nowhere.
  const std::vector<Entry> by_date = Walk(*index, 0);
  ASSERT_FALSE(by_date.empty());
  EXPECT_EQ(by_date.front().first.substr(0, 8), "        ");
  for (const Entry& e : by_date) EXPECT_NE(table_.at(e.second)[0], '*');
  std::vector<std::string> problems;
  EXPECT_TRUE(index->Verify(table_, &problems).ok()) << (problems.empty() ? "" : problems[0]);
  EXPECT_TRUE(index->QuickCheck(table_).ok());
}

TEST_F(CdxIndexTest, ReopenedIndexReadsTheSameTagsAndOrders) {
  Fill(500);
  std::vector<TagDefinition> tags = TaskTags("not Deleted()");
  tags[2].for_condition = "";  // every record, deleted or not
  ASSERT_NE(BuildIndex(tags), nullptr);
  std::unique_ptr<CdxIndex> index;
  ASSERT_TRUE(CdxIndex::Open(path_, fields_, true, &index).ok());
  ASSERT_EQ(index->TagCount(), 5);
  const std::vector<TagDefinition> defs = index->Definitions();
  EXPECT_EQ(defs[0].name, "DATETIME");
  EXPECT_EQ(defs[1].key, "upper(DESCRIPT)");
  EXPECT_EQ(defs[0].for_condition, "!Deleted()");  // stored without the bare word
  EXPECT_EQ(defs[2].for_condition, "");
  EXPECT_EQ(Walk(*index, 1), ExpectedOrder(table_, 1));
  const std::vector<Entry> done = Walk(*index, 2);
  EXPECT_EQ(done.size(), table_.RecordCount());
  EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
  EXPECT_TRUE(index->QuickCheck(table_, &tags).ok());
  std::vector<TagDefinition> other = tags;
  other[4].key = "PRIORITY+DATE";
  EXPECT_TRUE(index->QuickCheck(table_, &other).IsCorrupt());
  other = tags;
  other.push_back({"EXTRA", "KEYS", ""});
  EXPECT_TRUE(index->QuickCheck(table_, &other).IsCorrupt());
  EXPECT_EQ(index->Update(1, nullptr, table_.at(1).data()).code(), Status::Code::kReadOnly);
}

TEST_F(CdxIndexTest, SeekFindsPrefixesAndStopsOnTheNextGreaterKey) {
  const char* dates[] = {"20240301", "20240305", "20240305", "20240310", "", "20231231"};
  const char* times[] = {"08:00", "10:00", "09:00", "", "", "23:59"};
  for (int i = 0; i < 6; ++i) table_.Append({dates[i], times[i], "x", "", "A", 'F', false});
  std::unique_ptr<CdxIndex> index = BuildIndex();
  ASSERT_NE(index, nullptr);
  std::unique_ptr<CdxIndex::Cursor> c = index->NewCursor(0);
  bool exact = false;
  ASSERT_TRUE(c->Seek("20240305", &exact).ok());
  EXPECT_TRUE(exact);
  EXPECT_EQ(c->recno(), 3u);  // 09:00 sorts before 10:00
  ASSERT_TRUE(c->Next().ok());
  EXPECT_EQ(c->recno(), 2u);

  ASSERT_TRUE(c->Seek("20240304", &exact).ok());  // miss in the middle
  EXPECT_FALSE(exact);
  EXPECT_EQ(c->recno(), 3u);
  ASSERT_TRUE(c->Seek("1", &exact).ok());  // before every dated key
  EXPECT_FALSE(exact);
  EXPECT_EQ(c->recno(), 6u);
  ASSERT_TRUE(c->Seek(" ", &exact).ok());  // the blank date
  EXPECT_TRUE(exact);
  EXPECT_EQ(c->recno(), 5u);
  ASSERT_TRUE(c->Seek("2024031", &exact).ok());  // the last key
  EXPECT_TRUE(exact);
  EXPECT_EQ(c->recno(), 4u);
  ASSERT_TRUE(c->Seek("20240311", &exact).ok());  // past the end
  EXPECT_FALSE(exact);
  EXPECT_TRUE(c->eof());
  EXPECT_EQ(c->recno(), 0u);
  ASSERT_TRUE(c->Prior().ok());  // from eof back to the last entry
  EXPECT_EQ(c->recno(), 4u);
  ASSERT_TRUE(c->Seek("2024030509:00 and more", &exact).ok());  // longer than the key
  EXPECT_TRUE(exact);
  EXPECT_EQ(c->recno(), 3u);

  // Locate finds a record's own entry; a record outside the tag is not found.
  ASSERT_TRUE(c->Locate(2, table_.at(2).data()).ok());
  EXPECT_EQ(c->key(), "2024030510:00");
  std::vector<uint8_t> deleted = table_.at(2);
  deleted[0] = '*';
  EXPECT_TRUE(c->Locate(2, deleted.data()).IsNotFound());
}

TEST_F(CdxIndexTest, SeekAcrossManyLeavesAgreesWithTheSortedKeys) {
  Fill(5000, 11);
  std::unique_ptr<CdxIndex> index = BuildIndex();
  ASSERT_NE(index, nullptr);
  for (int tag : {0, 1, 4}) {
    const std::vector<Entry> expected = ExpectedOrder(table_, tag);
    std::unique_ptr<CdxIndex::Cursor> c = index->NewCursor(tag);
    std::mt19937 rng(5);
    for (int i = 0; i < 300; ++i) {
      // Prefixes of existing keys, and the same with the last byte moved on.
      std::string probe = expected[rng() % expected.size()].first.substr(0, 1 + rng() % 10);
      if (i % 2 == 1) probe.back() = static_cast<char>(probe.back() + 1);
      bool exact = false;
      ASSERT_TRUE(c->Seek(probe, &exact).ok());
      const auto it = std::lower_bound(expected.begin(), expected.end(), Entry{probe, 0});
      if (it == expected.end()) {
        EXPECT_TRUE(c->eof()) << probe;
        continue;
      }
      EXPECT_EQ(c->recno(), it->second) << probe;
      EXPECT_EQ(exact, it->first.compare(0, probe.size(), probe) == 0) << probe;
    }
  }
}

TEST_F(CdxIndexTest, CursorEndsAndEmptyTags) {
  // Every record deleted: the tags are empty.
  table_.Append({"20240101", "", "a", "", "A", 'F', true});
  std::unique_ptr<CdxIndex> index = BuildIndex();
  ASSERT_NE(index, nullptr);
  std::unique_ptr<CdxIndex::Cursor> c = index->NewCursor(0);
  EXPECT_FALSE(c->eof());
  ASSERT_TRUE(c->First().ok());
  EXPECT_TRUE(c->eof());
  EXPECT_TRUE(c->bof());
  ASSERT_TRUE(c->Last().ok());
  EXPECT_TRUE(c->eof() && c->bof());
  bool exact = true;
  ASSERT_TRUE(c->Seek("2", &exact).ok());
  EXPECT_FALSE(exact);
  EXPECT_TRUE(c->eof());
  EXPECT_EQ(index->NewCursor(5), nullptr);
  EXPECT_EQ(index->NewCursor(-1), nullptr);

  // Two entries: walking off either end and back.
  table_.at(1)[0] = ' ';
  table_.Append({"20240102", "", "b", "", "A", 'F', false});
  index = BuildIndex();
  c = index->NewCursor(0);
  ASSERT_TRUE(c->First().ok());
  ASSERT_TRUE(c->Prior().ok());
  EXPECT_TRUE(c->bof());
  EXPECT_FALSE(c->eof());
  EXPECT_EQ(c->recno(), 0u);
  ASSERT_TRUE(c->Prior().ok());  // stays at bof
  EXPECT_TRUE(c->bof());
  ASSERT_TRUE(c->Next().ok());  // from bof to the first entry
  EXPECT_EQ(c->recno(), 1u);
  ASSERT_TRUE(c->Next().ok());
  ASSERT_TRUE(c->Next().ok());
  EXPECT_TRUE(c->eof());
  ASSERT_TRUE(c->Next().ok());
  EXPECT_TRUE(c->eof());
}

TEST_F(CdxIndexTest, NumericAndDateTagsSortByValue) {
  // NAME C10 @1, QTY N(8,2) @11, BORN D @19.
  const std::vector<FieldDesc> fields = {{"NAME", FieldType::kCharacter, 1, 10, 0},
                                         {"QTY", FieldType::kNumeric, 11, 8, 2},
                                         {"BORN", FieldType::kDate, 19, 8, 0}};
  class Rows : public RecordSource {
   public:
    uint32_t RecordCount() override { return static_cast<uint32_t>(rows.size()); }
    Status ReadRecord(uint32_t recno, const uint8_t** image) override {
      *image = reinterpret_cast<const uint8_t*>(rows[recno - 1].data());
      return Status::Ok();
    }
    std::vector<std::string> rows;
  } rows;
  const char* qty[] = {"   -2.50", "    0.00", "   10.00", "  100.50",
                       "        ", "   -1.00", "    2.00"};
  const char* born[] = {"20000101", "        ", "19991231", "20240115",
                        "17520914", "20000101", "        "};
  for (int i = 0; i < 7; ++i) {
    rows.rows.push_back(std::string(" row") + std::to_string(i) + "      " + qty[i] + born[i]);
  }
  std::unique_ptr<CdxIndex> index;
  ASSERT_TRUE(CdxIndex::Build(path_, fields, {{"QTY", "QTY", ""}, {"BORN", "BORN", "!Deleted()"}},
                              rows, {}, &index)
                  .ok());
  EXPECT_EQ(base::Le16(&ReadAll(path_)[0x600 + 12]), 8);  // numbers and dates: 8-byte keys
  std::vector<uint32_t> by_qty;
  for (const Entry& e : Walk(*index, 0)) by_qty.push_back(e.second);
  EXPECT_EQ(by_qty, (std::vector<uint32_t>{1, 6, 2, 5, 7, 3, 4}));
  std::vector<uint32_t> by_born;
  for (const Entry& e : Walk(*index, 1)) by_born.push_back(e.second);
  EXPECT_EQ(by_born, (std::vector<uint32_t>{2, 7, 5, 3, 1, 6, 4}));
  // Keys are the transformed doubles: -2.5 and the empty date.
  std::unique_ptr<CdxIndex::Cursor> c = index->NewCursor(0);
  ASSERT_TRUE(c->First().ok());
  EXPECT_EQ(c->key(), std::string("\x3f\xfb\xff\xff\xff\xff\xff\xff", 8));
  c = index->NewCursor(1);
  ASSERT_TRUE(c->First().ok());
  EXPECT_EQ(c->key(), std::string("\x80\0\0\0\0\0\0\0", 8));
  std::vector<std::string> problems;
  EXPECT_TRUE(index->Verify(rows, &problems).ok()) << (problems.empty() ? "" : problems[0]);
}

TEST_F(CdxIndexTest, BuildReportsEveryPercentageOncePerTag) {
  Fill(2000);
  std::vector<int> seen;
  std::unique_ptr<CdxIndex> index;
  ASSERT_TRUE(CdxIndex::Build(
                  path_, fields_, TaskTags(), table_, [&](int p) { seen.push_back(p); }, &index)
                  .ok());
  ASSERT_EQ(seen.size(), 5u * 101u);
  for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], static_cast<int>(i % 101)) << i;

  // An empty table still reports each tag from 0 to 100.
  MemoryTable empty;
  seen.clear();
  ASSERT_TRUE(CdxIndex::Build(
                  path_, fields_, TaskTags(), empty, [&](int p) { seen.push_back(p); }, &index)
                  .ok());
  EXPECT_EQ(seen.size(), 5u * 101u);
  EXPECT_EQ(Walk(*index, 0).size(), 0u);
}

TEST_F(CdxIndexTest, BuildRefusesBadDefinitionsAndLeavesTheOldFile) {
  Fill(10);
  ASSERT_NE(BuildIndex(), nullptr);
  const std::vector<uint8_t> before = ReadAll(path_);
  std::unique_ptr<CdxIndex> index;
  auto build = [&](std::vector<TagDefinition> tags) {
    return CdxIndex::Build(path_, fields_, tags, table_, {}, &index);
  };
  EXPECT_EQ(build({{"BAD NAME", "DATE", ""}}).code(), Status::Code::kInvalidArgument);
  EXPECT_EQ(build({{"ELEVENCHARS", "DATE", ""}}).code(), Status::Code::kInvalidArgument);
  EXPECT_EQ(build({{"A", "DATE", ""}, {"a", "TIME", ""}}).code(), Status::Code::kInvalidArgument);
  EXPECT_EQ(build({{"A", "NOSUCHFIELD", ""}}).code(), Status::Code::kSyntax);
  EXPECT_EQ(build({{"A", "DATE+", ""}}).code(), Status::Code::kSyntax);
  EXPECT_EQ(build({{"A", "DATE", "DATE"}}).code(), Status::Code::kTypeMismatch);
  EXPECT_EQ(build({{"A", "DESCRIPT+DESCRIPT+DESCRIPT+DESCRIPT+DESCRIPT", ""}}).code(),
            Status::Code::kInvalidArgument);  // 250-byte keys
  EXPECT_EQ(ReadAll(path_), before);
  EXPECT_FALSE(std::filesystem::exists(path_ + ".tmp"));
  EXPECT_TRUE(CdxIndex::Open(dir_.File("MISSING.CDX"), fields_, false, &index).IsNotFound());
}

}  // namespace
}  // namespace xbase::cdxtest
