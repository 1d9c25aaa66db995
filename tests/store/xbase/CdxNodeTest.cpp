// Node encoding against hand-written bytes of small index leaves, the width rule, key
// transforms and the stored form of expressions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "store/xbase/CdxIndex.h"
#include "store/xbase/CdxKeyMaker.h"
#include "store/xbase/CdxNode.h"

namespace xbase::cdx {
namespace {

std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    out.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    i += 2;
  }
  return out;
}

std::string Padded(const std::string& s, size_t n, char pad = ' ') {
  return s + std::string(n - s.size(), pad);
}

NodeEntries Entries(uint32_t key_length,
                    const std::vector<std::pair<std::string, uint32_t>>& list) {
  NodeEntries e(key_length);
  for (const auto& [key, recno] : list) {
    e.Append(reinterpret_cast<const uint8_t*>(key.data()), recno);
  }
  return e;
}

// Three keys of a 20-byte upper-case name tag: BOLT M6 (2), BOLT M8 (1), WASHER (3).
NodeEntries BoltEntries() {
  return Entries(
      20, {{Padded("BOLT M6", 20), 2}, {Padded("BOLT M8", 20), 1}, {Padded("WASHER", 20), 3}});
}

TEST(CdxNodeTest, ThreeKeyLeafMatchesTheKnownBytesWithMinimalWidths) {
  Page page{};
  ASSERT_TRUE(EncodeLeaf(BoltEntries(), 0, 3, kCharacterPad, LeafWidths{6, 5, 5, 2},
                         kAttrRoot | kAttrLeaf, kNoPage, kNoPage, page.data()));
  EXPECT_EQ(std::vector<uint8_t>(page.begin(), page.begin() + 30),
            Hex("03 00 03 00 ff ff ff ff ff ff ff ff d4 01 3f 00 00 00 1f 1f 06 05 05 02 "
                "02 68 81 69 03 70"));
  for (size_t i = 30; i < 498; ++i) ASSERT_EQ(page[i], 0) << "at " << i;
  EXPECT_EQ(std::string(page.begin() + 498, page.end()), "WASHER8BOLT M6");
}

TEST(CdxNodeTest, ThreeKeyLeafWithOurWidthsDiffersOnlyInHeaderAndEntries) {
  const LeafWidths w = ChooseLeafWidths(20, 3);
  EXPECT_EQ(w.record_bits, 14);
  EXPECT_EQ(w.dup_bits, 5);
  EXPECT_EQ(w.trail_bits, 5);
  EXPECT_EQ(w.entry_bytes, 3);
  Page page{};
  ASSERT_TRUE(EncodeLeaf(BoltEntries(), 0, 3, kCharacterPad, w, kAttrRoot | kAttrLeaf, kNoPage,
                         kNoPage, page.data()));
  EXPECT_EQ(std::vector<uint8_t>(page.begin() + 12, page.begin() + 33),
            Hex("d1 01 ff 3f 00 00 1f 1f 0e 05 05 03 02 00 68 01 80 69 03 00 70"));
  EXPECT_EQ(std::string(page.begin() + 498, page.end()), "WASHER8BOLT M6");

  NodeEntries back;
  LeafWidths read;
  ASSERT_TRUE(DecodeLeaf(page.data(), 20, kCharacterPad, &back, &read).ok());
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.key(1)), 20), Padded("BOLT M8", 20));
  EXPECT_EQ(back.recno(1), 1u);
  EXPECT_EQ(read.entry_bytes, 3);
}

TEST(CdxNodeTest, DecodesALeafWrittenWithNarrowWidthsAndStaleBytes) {
  // A 50-byte key leaf as another program writes it: attribute 7, two-byte entries and
  // two stale bytes after them.
  Page page{};
  const std::vector<uint8_t> head =
      Hex("07 00 03 00 ff ff ff ff ff ff ff ff d0 01 0f 00 00 00 3f 3f 04 06 06 02 01 b4 12 a8 73 "
          "94 03 70");
  std::memcpy(page.data(), head.data(), head.size());
  const std::string keys = "_TYPESONTACTSCALLS";
  std::memcpy(page.data() + 512 - keys.size(), keys.data(), keys.size());
  NodeEntries e;
  ASSERT_TRUE(DecodeLeaf(page.data(), 50, kCharacterPad, &e).ok());
  ASSERT_EQ(e.size(), 3u);
  const char* expected[] = {"CALLS", "CONTACTS", "CONTACT_TYPES"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(e.key(i)), 50), Padded(expected[i], 50));
    EXPECT_EQ(e.recno(i), i + 1);
  }
}

TEST(CdxNodeTest, BinaryKeysCompressTrailingNulsAndSharedPrefixes) {
  // Integer-style keys 80 00 00 01..03 with one-byte entries, and with our widths.
  NodeEntries e(4);
  for (uint8_t r = 1; r <= 3; ++r) {
    const uint8_t key[4] = {0x80, 0, 0, r};
    e.Append(key, r);
  }
  Page page{};
  ASSERT_TRUE(EncodeLeaf(e, 0, 3, kBinaryPad, LeafWidths{2, 3, 3, 1}, kAttrRoot | kAttrLeaf,
                         kNoPage, kNoPage, page.data()));
  EXPECT_EQ(std::vector<uint8_t>(page.begin() + 24, page.begin() + 27), Hex("01 0e 0f"));
  EXPECT_EQ(base::Le16(page.data() + kLeafFreeSpace), 479);
  EXPECT_EQ(std::vector<uint8_t>(page.begin() + 506, page.end()), Hex("03 02 80 00 00 01"));

  ASSERT_TRUE(EncodeLeaf(e, 0, 3, kBinaryPad, ChooseLeafWidths(4, 3), kAttrRoot | kAttrLeaf,
                         kNoPage, kNoPage, page.data()));
  EXPECT_EQ(std::vector<uint8_t>(page.begin() + 24, page.begin() + 33),
            Hex("01 00 00 02 00 0c 03 00 0c"));
  EXPECT_EQ(base::Le16(page.data() + kLeafFreeSpace), 473);

  // A key of pad bytes only stores nothing; a repeat of the previous key stores nothing.
  NodeEntries z(8);
  const uint8_t empty_date[8] = {0x80, 0, 0, 0, 0, 0, 0, 0};
  z.Append(empty_date, 1);
  z.Append(empty_date, 2);
  ASSERT_TRUE(EncodeLeaf(z, 0, 2, kBinaryPad, ChooseLeafWidths(8, 2), kAttrLeaf, kNoPage, kNoPage,
                         page.data()));
  EXPECT_EQ(base::Le16(page.data() + kLeafFreeSpace), 488 - 2 * 3 - 1);
  NodeEntries back;
  ASSERT_TRUE(DecodeLeaf(page.data(), 8, kBinaryPad, &back).ok());
  EXPECT_EQ(std::memcmp(back.key(1), empty_date, 8), 0);
}

TEST(CdxNodeTest, DirectoryLeafOfOneTagMatchesTheKnownBytes) {
  NodeEntries e = Entries(10, {{Padded("KEY_NAME", 10), 0x600}});
  Page page{};
  ASSERT_TRUE(EncodeLeaf(e, 0, 1, kCharacterPad, ChooseLeafWidths(10, 0x600), kAttrRoot | kAttrLeaf,
                         kNoPage, kNoPage, page.data()));
  EXPECT_EQ(
      std::vector<uint8_t>(page.begin(), page.begin() + 27),
      Hex("03 00 01 00 ff ff ff ff ff ff ff ff dd 01 ff ff 00 00 0f 0f 10 04 04 03 00 06 20"));
  EXPECT_EQ(std::string(page.begin() + 504, page.end()), "KEY_NAME");
}

TEST(CdxNodeTest, WidthRuleKeepsThreeBytesAndGrowsWithTheRecordCount) {
  struct Case {
    uint32_t key_length, records;
    int rb, db, e;
  } cases[] = {{1, 3, 22, 1, 3},         {1, 1000, 22, 1, 3},       {50, 1000, 12, 6, 3},
               {50, 5000, 20, 6, 4},     {50, 100000, 20, 6, 4},    {13, 100000, 24, 4, 4},
               {10, 0x355C00, 24, 4, 4}, {240, 1u << 30, 32, 8, 6}, {4, 0x07FFFFFF, 32, 4, 5}};
  for (const Case& c : cases) {
    const LeafWidths w = ChooseLeafWidths(c.key_length, c.records);
    EXPECT_EQ(w.record_bits, c.rb) << c.key_length << "/" << c.records;
    EXPECT_EQ(w.dup_bits, c.db) << c.key_length << "/" << c.records;
    EXPECT_EQ(w.entry_bytes, c.e) << c.key_length << "/" << c.records;
    EXPECT_EQ(w.record_bits + w.dup_bits + w.trail_bits, 8 * w.entry_bytes);
  }
}

TEST(CdxNodeTest, PackerCapsDuplicatesAndFillsALeafExactly) {
  // A key equal to its predecessor but for two trailing blanks is stored as dup 18,
  // trail 2 and no bytes.
  NodeEntries e = Entries(20, {{std::string(18, 'X') + "  ", 1}, {std::string(18, 'X') + "  ", 2}});
  Page page{};
  ASSERT_TRUE(EncodeLeaf(e, 0, 2, kCharacterPad, ChooseLeafWidths(20, 2), kAttrLeaf, kNoPage,
                         kNoPage, page.data()));
  EXPECT_EQ(base::Le16(page.data() + kLeafFreeSpace), 488 - 6 - 18);
  const uint32_t v = page[27] | (page[28] << 8) | (page[29] << 16);
  EXPECT_EQ(v & 0x3FFF, 2u);
  EXPECT_EQ((v >> 14) & 0x1F, 18u);
  EXPECT_EQ((v >> 19) & 0x1F, 2u);

  // Distinct 13-byte keys fill a page until the next would not fit; free space stays exact.
  LeafPacker packer(13, kCharacterPad, ChooseLeafWidths(13, 100));
  packer.Reset();
  std::vector<std::string> keys;
  for (int i = 0; i < 200; ++i) keys.push_back("2024" + std::to_string(1000 + i * 37) + "12:00");
  size_t added = 0;
  while (added < keys.size() && packer.Add(reinterpret_cast<const uint8_t*>(keys[added].data()),
                                           static_cast<uint32_t>(added + 1))) {
    ++added;
  }
  ASSERT_LT(added, keys.size());
  packer.Finish(kAttrLeaf, kNoPage, kNoPage);
  NodeEntries back;
  ASSERT_TRUE(DecodeLeaf(packer.page(), 13, kCharacterPad, &back).ok());
  ASSERT_EQ(back.size(), added);
  EXPECT_LT(packer.free_space(), 3u + 13u);
  for (size_t i = 0; i < added; ++i) {
    ASSERT_EQ(std::string(reinterpret_cast<const char*>(back.key(i)), 13), keys[i]);
  }
}

TEST(CdxNodeTest, DecodingRejectsInconsistentLeaves) {
  Page good{};
  ASSERT_TRUE(EncodeLeaf(BoltEntries(), 0, 3, kCharacterPad, ChooseLeafWidths(20, 3), kAttrLeaf,
                         kNoPage, kNoPage, good.data()));
  NodeEntries e;
  auto damaged = [&](size_t at, uint8_t value) {
    Page p = good;
    p[at] = value;
    return DecodeLeaf(p.data(), 20, kCharacterPad, &e);
  };
  EXPECT_TRUE(damaged(2, 200).IsCorrupt());    // more entries than the page holds
  EXPECT_TRUE(damaged(14, 0x7F).IsCorrupt());  // record mask not matching the bit count
  EXPECT_TRUE(damaged(23, 9).IsCorrupt());     // entry width
  EXPECT_TRUE(damaged(21, 12).IsCorrupt());    // duplicate bits beyond a byte
  EXPECT_TRUE(damaged(26, 0xF8).IsCorrupt());  // counts larger than the key length
  EXPECT_TRUE(damaged(0, 0).IsCorrupt());      // not a leaf
  Page interior{};
  base::PutLe16(interior.data() + kNodeKeyCount, 100);
  EXPECT_TRUE(DecodeInterior(interior.data(), 60, &e).IsCorrupt());
}

TEST(CdxNodeTest, NumericAndDateKeysSortAsNumbers) {
  struct Case {
    double value;
    const char* bytes;
  } cases[] = {{-2.5, "3f fb ff ff ff ff ff ff"}, {-1, "40 0f ff ff ff ff ff ff"},
               {0, "80 00 00 00 00 00 00 00"},    {-0.0, "80 00 00 00 00 00 00 00"},
               {1, "bf f0 00 00 00 00 00 00"},    {2, "c0 00 00 00 00 00 00 00"},
               {10, "c0 24 00 00 00 00 00 00"},   {100.5, "c0 59 20 00 00 00 00 00"}};
  for (const Case& c : cases) {
    uint8_t key[8];
    NumericKey(c.value, key);
    EXPECT_EQ(std::vector<uint8_t>(key, key + 8), Hex(c.bytes)) << c.value;
  }
  const auto day = [](const char* text) {
    return JulianDay(reinterpret_cast<const uint8_t*>(text));
  };
  EXPECT_EQ(day("20000101"), 2451545);
  EXPECT_EQ(day("19000101"), 2415021);
  EXPECT_EQ(day("20240115"), 2460325);
  EXPECT_EQ(day("        "), 0);
  EXPECT_EQ(day("20241301"), 0);
  uint8_t key[8];
  NumericKey(static_cast<double>(day("19991231")), key);
  EXPECT_EQ(std::vector<uint8_t>(key, key + 8), Hex("c1 42 b4 2c 00 00 00 00"));
}

TEST(CdxNodeTest, StoredExpressionsAvoidTheBareLogicalWords) {
  EXPECT_EQ(CdxIndex::StoredExpression("not Deleted()"), "!Deleted()");
  EXPECT_EQ(CdxIndex::StoredExpression("NOT DELETED()"), "!DELETED()");
  EXPECT_EQ(CdxIndex::StoredExpression("!Deleted() and !DONE"), "!Deleted() .AND. !DONE");
  EXPECT_EQ(CdxIndex::StoredExpression("!Deleted() Or DONE"), "!Deleted() .OR. DONE");
  EXPECT_EQ(CdxIndex::StoredExpression("!Deleted() .AND.not DONE"), "!Deleted() .AND.!DONE");
  // Already acceptable forms, names containing the words and literals stay as written.
  for (const char* kept :
       {"!Deleted()", ".NOT.DELETED()", ".not. deleted()", "!Deleted() .OR. DONE", "DATE+TIME",
        "upper(NOTE)", "'not and or' $ KEYS", "[or] $ KEYS", "M.and", "ORDERS->or", "or.KEYS",
        "NOT_DONE", "ANDES", "not.T."}) {
    if (std::string(kept) == "not.T.") {
      EXPECT_EQ(CdxIndex::StoredExpression(kept), "!.T.");
      continue;
    }
    EXPECT_EQ(CdxIndex::StoredExpression(kept), kept);
  }
}

}  // namespace
}  // namespace xbase::cdx
