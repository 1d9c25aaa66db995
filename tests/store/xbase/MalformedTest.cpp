// Damaged and foreign bytes: every open of a malformed table gives a typed error and
// leaves the files as they were; damage inside records shows up in Check and in typed
// errors when the damaged value is read, never in a crash.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "store/xbase/Table.h"
#include "tests/store/xbase/TableTestSupport.h"

namespace xbase::testing {
namespace {

class MalformedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto t = CreateTaskTable(dir_);
    for (int i = 1; i <= 4; ++i) {
      ASSERT_TRUE(AppendTask(t.get(), {"20240101", "", "task " + std::to_string(i), "note " + std::to_string(i),
                                       false, "", "A"}).ok());
    }
    good_dbf_ = ReadBytes(dbf());
    good_fpt_ = ReadBytes(fpt());
  }
  std::string dbf() const { return dir_.File("JLIST.DBF"); }
  std::string fpt() const { return dir_.File("JLIST.FPT"); }
  static uint32_t RecordAt(uint32_t n) { return 258 + (n - 1) * 136; }

  // Every open mode fails with `code`, and no byte of either file changes.
  void ExpectRefused(Status::Code code, const std::string& what) {
    const std::vector<uint8_t> d = ReadBytes(dbf());
    const std::vector<uint8_t> m = ReadBytes(fpt());
    for (OpenMode mode : {OpenMode::kReadOnly, OpenMode::kShared, OpenMode::kExclusive}) {
      std::unique_ptr<Table> t;
      const Status s = Table::Open(dbf(), mode, &t);
      EXPECT_EQ(s.code(), code) << what << ": " << s.ToString();
      EXPECT_FALSE(s.message().empty());
      EXPECT_EQ(t, nullptr);
    }
    EXPECT_EQ(ReadBytes(dbf()), d) << what;
    EXPECT_EQ(ReadBytes(fpt()), m) << what;
  }

  TempDir dir_;
  std::vector<uint8_t> good_dbf_;
  std::vector<uint8_t> good_fpt_;
};

TEST_F(MalformedTest, BrokenFilesAreRefusedUntouched) {
  WriteBytes(dbf(), {});
  ExpectRefused(Status::Code::kCorrupt, "empty file");
  WriteBytes(dbf(), std::vector<uint8_t>(good_dbf_.begin(), good_dbf_.begin() + 100));
  ExpectRefused(Status::Code::kCorrupt, "cut inside the header");
  std::vector<uint8_t> b = good_dbf_;
  b[10] = 99;
  WriteBytes(dbf(), b);
  ExpectRefused(Status::Code::kCorrupt, "record length");
  b = good_dbf_;
  b[0] = 0x8B;
  WriteBytes(dbf(), b);
  ExpectRefused(Status::Code::kNotSupported, "dBASE IV memo");
  b = good_dbf_;
  const std::string text = "This is a plain text file, not a table at all.\n";
  WriteBytes(dbf(), std::vector<uint8_t>(text.begin(), text.end()));
  ExpectRefused(Status::Code::kCorrupt, "text file");

  WriteBytes(dbf(), good_dbf_);
  std::filesystem::remove(fpt());
  ExpectRefused(Status::Code::kCorrupt, "memo file missing");
  WriteBytes(fpt(), std::vector<uint8_t>(512, 0));
  ExpectRefused(Status::Code::kCorrupt, "memo block size 0");
  WriteBytes(fpt(), good_fpt_);

  std::unique_ptr<Table> t;
  EXPECT_EQ(Table::Open(dir_.File("NONE.DBF"), OpenMode::kShared, &t).code(), Status::Code::kNotFound);
  EXPECT_NE(Table::Open(dir_.path(), OpenMode::kReadOnly, &t).code(), Status::Code::kOk);  // a folder
}

// The header counts more records than the file holds: writable opens refuse, a read-only
// open shows the whole records that are there and Check names the problem.
TEST_F(MalformedTest, TruncatedTableOpensReadOnlyWithTheRecordsItHolds) {
  std::vector<uint8_t> b(good_dbf_.begin(), good_dbf_.begin() + RecordAt(3) + 50);
  WriteBytes(dbf(), b);
  std::unique_ptr<Table> t;
  Status s = Table::Open(dbf(), OpenMode::kShared, &t);
  EXPECT_EQ(s.code(), Status::Code::kCorrupt);
  EXPECT_NE(s.message().find("truncated"), std::string::npos) << s.message();
  EXPECT_EQ(ReadBytes(dbf()), b);
  ASSERT_TRUE(Table::Open(dbf(), OpenMode::kReadOnly, &t).ok());
  EXPECT_EQ(t->RecordCount(), 2u);
  EXPECT_EQ(VisibleRecords(t.get()), (std::vector<uint32_t>{1, 2}));
  EXPECT_EQ(t->Go(3).code(), Status::Code::kInvalidArgument);
  std::vector<std::string> problems;
  ASSERT_TRUE(t->Check(&problems).ok());
  ASSERT_FALSE(problems.empty());
  EXPECT_NE(problems[0].find("counts 4 records"), std::string::npos) << problems[0];
  EXPECT_EQ(ReadBytes(dbf()), b);
}

TEST_F(MalformedTest, DamagedMemoPointersGiveTypedErrorsAndArePacked) {
  std::vector<uint8_t> b = good_dbf_;
  auto set_pointer = [&](uint32_t rec, const std::string& ptr) {
    std::copy(ptr.begin(), ptr.end(), b.begin() + RecordAt(rec) + 64);
  };
  set_pointer(1, "     99999");  // past the end of the memo file
  set_pointer(2, "         3");  // inside the memo header
  set_pointer(3, "  12ab    ");  // not a number
  set_pointer(4, "         8");  // shares record 1's original block... now only record 4's
  b[RecordAt(4)] = '#';          // and a bad deleted mark
  b[RecordAt(4) + 74] = 'X';     // and a bad logical
  WriteBytes(dbf(), b);
  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(dbf(), OpenMode::kExclusive, &t).ok());
  std::string note;
  for (uint32_t r = 1; r <= 3; ++r) {
    ASSERT_TRUE(t->Go(r).ok());
    EXPECT_EQ(t->GetMemo(kNote, &note).code(), Status::Code::kCorrupt) << r;
  }
  ASSERT_TRUE(t->Go(4).ok());
  ASSERT_TRUE(t->GetMemo(kNote, &note).ok());
  EXPECT_EQ(note, "note 1");

  std::vector<std::string> problems;
  ASSERT_TRUE(t->Check(&problems).ok());
  auto mentions = [&](const std::string& what) {
    for (const std::string& p : problems) {
      if (p.find(what) != std::string::npos) return true;
    }
    return false;
  };
  EXPECT_TRUE(mentions("record 1:")) << ::testing::PrintToString(problems);
  EXPECT_TRUE(mentions("record 2:"));
  EXPECT_TRUE(mentions("record 3:"));
  EXPECT_TRUE(mentions("deleted mark"));
  EXPECT_TRUE(mentions("logical"));

  // A new text for a broken pointer goes to fresh blocks, never over the header.
  ASSERT_TRUE(t->Go(2).ok());
  ASSERT_TRUE(t->Edit().ok());
  ASSERT_TRUE(t->SetMemo(kNote, "repaired").ok());
  ASSERT_TRUE(t->Post().ok());
  ASSERT_TRUE(t->GetMemo(kNote, &note).ok());
  EXPECT_EQ(note, "repaired");
  EXPECT_EQ(t->GetString(kNote), "        12");  // the next free block after the four notes

  // Pack keeps the records and drops only what could not be read.
  ASSERT_TRUE(t->Pack().ok());
  EXPECT_EQ(t->RecordCount(), 4u);
  ASSERT_TRUE(t->Go(1).ok());
  ASSERT_TRUE(t->GetMemo(kNote, &note).ok());
  EXPECT_EQ(note, "");
  EXPECT_EQ(Trimmed(t->GetString(kDescript)), "task 1");
  ASSERT_TRUE(t->Go(2).ok());
  ASSERT_TRUE(t->GetMemo(kNote, &note).ok());
  EXPECT_EQ(note, "repaired");
}

TEST_F(MalformedTest, OverlappingMemosAreReported) {
  std::vector<uint8_t> b = good_dbf_;
  const std::string ptr(b.begin() + RecordAt(1) + 64, b.begin() + RecordAt(1) + 74);
  std::copy(ptr.begin(), ptr.end(), b.begin() + RecordAt(3) + 64);
  WriteBytes(dbf(), b);
  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(dbf(), OpenMode::kReadOnly, &t).ok());
  std::vector<std::string> problems;
  ASSERT_TRUE(t->Check(&problems).ok());
  ASSERT_EQ(problems.size(), 1u) << ::testing::PrintToString(problems);
  EXPECT_NE(problems[0].find("overlaps the memo of record 1"), std::string::npos) << problems[0];
}

// Random damage: a valid table with bytes overwritten, cut short or extended, opened
// read-only and read from end to end. Whatever happens is a status, never a crash, and
// the files are never written.
TEST_F(MalformedTest, RandomDamageNeverCrashes) {
  std::mt19937 rng(20240305);
  int opened = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> d = good_dbf_;
    std::vector<uint8_t> m = good_fpt_;
    std::vector<uint8_t>& target = round % 3 == 2 ? m : d;
    const int edits = std::uniform_int_distribution<int>(1, 8)(rng);
    for (int e = 0; e < edits; ++e) {
      const size_t at = std::uniform_int_distribution<size_t>(0, target.size() - 1)(rng);
      target[at] = static_cast<uint8_t>(rng());
    }
    if (round % 7 == 0) target.resize(std::uniform_int_distribution<size_t>(0, target.size())(rng));
    if (round % 11 == 0) target.resize(target.size() + 300, static_cast<uint8_t>(rng()));
    WriteBytes(dbf(), d);
    WriteBytes(fpt(), m);
    std::unique_ptr<Table> t;
    if (!Table::Open(dbf(), OpenMode::kReadOnly, &t).ok()) continue;
    ++opened;
    std::string note;
    for (Status s = t->GoTop(); s.ok() && !t->Eof(); s = t->Skip(1)) {
      for (int f = 0; f < static_cast<int>(t->fields().size()); ++f) {
        EXPECT_LE(t->GetString(f).size(), 254u);
        if (t->fields()[f].type == FieldType::kMemo) (void)t->GetMemo(f, &note);
      }
    }
    std::vector<std::string> problems;
    EXPECT_TRUE(t->Check(&problems).ok());
    t.reset();
    EXPECT_EQ(ReadBytes(dbf()), d);
    EXPECT_EQ(ReadBytes(fpt()), m);
  }
  EXPECT_GT(opened, 50);  // most damage leaves a readable table
}

}  // namespace
}  // namespace xbase::testing
