// Damaged index files: every damage is either reported (at open, by the quick check or
// by the full check) or harmless, and nothing crashes on the way.
#include <gtest/gtest.h>

#include "store/xbase/CdxFormat.h"
#include "tests/store/xbase/CdxTestSupport.h"

namespace xbase::cdxtest {
namespace {

struct Outcome {
  bool opened = false;
  bool quick_ok = false;
  bool verified = false;
  bool orders_right = true;
};

// Walks a tag both ways without trusting it; false on any failure.
bool TryWalk(CdxIndex& index, int tag, bool backward, std::vector<Entry>* out) {
  std::unique_ptr<CdxIndex::Cursor> c = index.NewCursor(tag);
  if (!(backward ? c->Last() : c->First()).ok()) return false;
  for (size_t guard = 0; !(backward ? c->bof() : c->eof()); ++guard) {
    if (guard > 100000) return false;
    out->emplace_back(std::string(c->key()), c->recno());
    if (!(backward ? c->Prior() : c->Next()).ok()) return false;
  }
  if (backward) std::reverse(out->begin(), out->end());
  return true;
}

class CdxDamageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TaskMaker maker(31);
    for (int i = 0; i < 700; ++i) table_.Append(maker.Make());
    std::unique_ptr<CdxIndex> index;
    ASSERT_TRUE(CdxIndex::Build(good_path_, fields_, TaskTags(), table_, {}, &index).ok());
    // A few changes so the file holds split nodes and free pages too.
    for (uint32_t r = 1; r <= 120; ++r) {
      std::vector<uint8_t> img = table_.at(r);
      img[0] = img[0] == '*' ? ' ' : '*';
      ASSERT_TRUE(index->Update(r, table_.at(r).data(), img.data()).ok());
      table_.at(r) = img;
    }
    good_ = ReadAll(good_path_);
    for (int t = 0; t < 5; ++t) expected_[t] = ExpectedOrder(table_, t);
  }

  // Opens `bytes` as the index and runs everything on it.
  Outcome Try(const std::vector<uint8_t>& bytes) {
    WriteAll(path_, bytes);
    Outcome o;
    std::unique_ptr<CdxIndex> index;
    if (!CdxIndex::Open(path_, fields_, false, &index).ok()) return o;
    o.opened = true;
    index->SetSharedAccess(false);
    o.quick_ok = index->QuickCheck(table_).ok();
    std::vector<std::string> problems;
    o.verified = index->Verify(table_, &problems).ok();
    EXPECT_EQ(o.verified, problems.empty());
    for (int t = 0; t < index->TagCount(); ++t) {
      std::vector<Entry> forward;
      std::vector<Entry> backward;
      const bool f = TryWalk(*index, t, false, &forward);
      const bool b = TryWalk(*index, t, true, &backward);
      if (!f || !b || forward != expected_[t] || backward != expected_[t]) o.orders_right = false;
      bool exact = false;
      std::unique_ptr<CdxIndex::Cursor> c = index->NewCursor(t);
      (void)c->Seek("2024", &exact);
      (void)c->Seek("\xff", &exact);
    }
    if (o.verified) {
      // A file that passes every check must also take changes.
      std::vector<uint8_t> img = table_.at(5);
      img[14] = img[14] == 'Q' ? 'R' : 'Q';
      EXPECT_TRUE(index->Update(5, table_.at(5).data(), img.data()).ok());
    } else {
      // Changes to a damaged file may fail, but must fail cleanly.
      std::vector<uint8_t> img = table_.at(6);
      img[0] = img[0] == '*' ? ' ' : '*';
      (void)index->Update(6, table_.at(6).data(), img.data());
    }
    return o;
  }

  TempDir dir_;
  std::string good_path_ = dir_.File("GOOD.CDX");
  std::string path_ = dir_.File("JLIST.CDX");
  std::vector<FieldDesc> fields_ = TaskFields();
  MemoryTable table_;
  std::vector<uint8_t> good_;
  std::vector<Entry> expected_[5];
};

TEST_F(CdxDamageTest, TheUndamagedFilePassesEverything) {
  const Outcome o = Try(good_);
  EXPECT_TRUE(o.opened && o.quick_ok && o.verified && o.orders_right);
}

TEST_F(CdxDamageTest, NamedDamagesAreReportedWhereExpected) {
  auto with = [&](size_t at, std::initializer_list<uint8_t> bytes) {
    std::vector<uint8_t> f = good_;
    size_t i = at;
    for (uint8_t b : bytes) f[i++] = b;
    return f;
  };
  std::unique_ptr<CdxIndex> index;
  auto open = [&](const std::vector<uint8_t>& f) {
    WriteAll(path_, f);
    return CdxIndex::Open(path_, fields_, false, &index);
  };
  EXPECT_TRUE(open(with(15, {2})).IsCorrupt());             // directory signature
  EXPECT_TRUE(open(with(12, {11})).IsCorrupt());            // directory key length
  EXPECT_TRUE(open(with(0x600 + 15, {0})).IsCorrupt());     // tag signature
  EXPECT_TRUE(open(with(0x600 + 12, {14})).IsCorrupt());    // key length against the expression
  EXPECT_TRUE(open(with(0x600 + 512, {'X'})).IsCorrupt());  // key expression "XATE+TIME"
  EXPECT_TRUE(
      open(with(0x600 + 508, {0x0A, 0x00, 0x00, 0x02})).IsCorrupt());    // expression past the pool
  EXPECT_TRUE(open(with(0x600, {0x11, 0x22, 0x33, 0x44})).IsCorrupt());  // root outside the file
  EXPECT_EQ(open(with(0x600 + 14, {0x61})).code(), Status::Code::kNotSupported);  // unique
  EXPECT_EQ(open(with(0x600 + 502, {1})).code(), Status::Code::kNotSupported);    // descending
  EXPECT_TRUE(open(with(0x400 + 24, {0x01, 0x00, 0x00})).IsCorrupt());  // tag header offset
  EXPECT_TRUE(open(std::vector<uint8_t>(good_.begin(), good_.begin() + 700)).IsCorrupt());

  // A changed key byte: the counts still agree, the full check finds the wrong key.
  std::vector<uint8_t> f = good_;
  const uint32_t root = base::Le32(&f[0x600]);
  uint32_t leaf = root;
  while ((base::Le16(&f[leaf]) & cdx::kAttrLeaf) == 0) leaf = base::Be32(&f[leaf + 12 + 13 + 4]);
  f[leaf + 511] ^= 0x01;
  Outcome o = Try(f);
  EXPECT_TRUE(o.opened);
  EXPECT_TRUE(o.quick_ok);
  EXPECT_FALSE(o.verified);

  // One key fewer in a leaf: the quick check sees the count.
  f = good_;
  base::PutLe16(&f[leaf + 2], static_cast<uint16_t>(base::Le16(&f[leaf + 2]) - 1));
  o = Try(f);
  EXPECT_FALSE(o.quick_ok);
  EXPECT_FALSE(o.verified);

  // Free list pointing into a tree: the quick check walks the list too, since a power cut
  // can leave it so (a page taken off the list and used, the list head not yet moved on).
  f = good_;
  base::PutLe32(&f[cdx::kHdrFreeList], root);
  o = Try(f);
  EXPECT_FALSE(o.quick_ok);
  EXPECT_FALSE(o.verified);
}

TEST_F(CdxDamageTest, RandomByteDamageIsReportedOrHarmless) {
  std::mt19937 rng(77);
  int detected = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> f = good_;
    const int flips = 1 + static_cast<int>(rng() % 3);
    for (int k = 0; k < flips; ++k) {
      // Mostly node headers and entries, where damage matters most.
      size_t at = rng() % f.size();
      if (rng() % 2 == 0) at = at / 512 * 512 + rng() % 48;
      f[at] = static_cast<uint8_t>(rng());
    }
    const Outcome o = Try(f);
    if (o.opened && o.verified) {
      EXPECT_TRUE(o.orders_right) << "round " << round
                                  << ": damage passed every check but changed an order";
    } else {
      ++detected;
    }
  }
  EXPECT_GT(detected, 0);
}

TEST_F(CdxDamageTest, EveryTruncationIsReported) {
  for (size_t len = 0; len < good_.size(); len += (len < 4096 ? 97 : 1531)) {
    const Outcome o =
        Try(std::vector<uint8_t>(good_.begin(), good_.begin() + static_cast<std::ptrdiff_t>(len)));
    EXPECT_FALSE(o.opened && o.quick_ok && o.verified) << "length " << len;
  }
}

}  // namespace
}  // namespace xbase::cdxtest
