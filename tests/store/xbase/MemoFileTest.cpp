// The memo file on its own: bytes written, block reuse, header variants, bad pointers.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "store/xbase/MemoFile.h"
#include "tests/store/xbase/TableTestSupport.h"

namespace xbase::testing {
namespace {

TEST(MemoFileTest, WritesTheDocumentedBytes) {
  TempDir dir;
  const std::string path = dir.File("M.FPT");
  ASSERT_TRUE(MemoFile::CreateNew(path).ok());
  EXPECT_EQ(MemoFile::CreateNew(path).code(), Status::Code::kIoError);
  MemoFile m;
  ASSERT_TRUE(MemoFile::Open(path, true, true, &m).ok());
  EXPECT_EQ(m.block_size(), 64u);
  EXPECT_EQ(m.first_block(), 8u);
  uint32_t block = 0;
  ASSERT_TRUE(m.Write("Zinc plated", &block).ok());
  EXPECT_EQ(block, 8u);
  ASSERT_TRUE(m.Sync().ok());
  const std::vector<uint8_t> b = ReadBytes(path);
  ASSERT_EQ(b.size(), 576u);  // padded to the end of block 8
  EXPECT_EQ((std::vector<uint8_t>(b.begin(), b.begin() + 8)), (std::vector<uint8_t>{0, 0, 0, 9, 0, 0, 0, 64}));
  const std::vector<uint8_t> expect = {0, 0, 0, 1, 0, 0, 0, 11, 'Z', 'i', 'n', 'c', ' ', 'p', 'l', 'a', 't', 'e', 'd'};
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 512, b.begin() + 512 + expect.size()), expect);
  for (size_t i = 512 + expect.size(); i < b.size(); ++i) ASSERT_EQ(b[i], 0) << i;
}

TEST(MemoFileTest, ReusesTheRunOnlyWhenTheTextFits) {
  TempDir dir;
  const std::string path = dir.File("M.FPT");
  ASSERT_TRUE(MemoFile::CreateNew(path).ok());
  MemoFile m;
  ASSERT_TRUE(MemoFile::Open(path, true, false, &m).ok());
  uint32_t a = 0;
  uint32_t b = 0;
  ASSERT_TRUE(m.Write(std::string(56, 'a'), &a).ok());  // 8 + 56 = one block exactly
  ASSERT_TRUE(m.Write("b", &b).ok());
  EXPECT_EQ(a, 8u);
  EXPECT_EQ(b, 9u);
  uint32_t a2 = a;
  ASSERT_TRUE(m.Write(std::string(10, 'c'), &a2).ok());  // shorter: same block
  EXPECT_EQ(a2, a);
  ASSERT_TRUE(m.Write(std::string(56, 'd'), &a2).ok());  // grown, still one block
  EXPECT_EQ(a2, a);
  ASSERT_TRUE(m.Write(std::string(57, 'e'), &a2).ok());  // one byte too many: moves
  EXPECT_EQ(a2, 10u);
  uint32_t next = 0;
  ASSERT_TRUE(m.ReadHeader(&next).ok());
  EXPECT_EQ(next, 12u);
  std::string text;
  ASSERT_TRUE(m.Read(a2, &text).ok());
  EXPECT_EQ(text, std::string(57, 'e'));
  ASSERT_TRUE(m.Read(b, &text).ok());
  EXPECT_EQ(text, "b");  // the neighbour is untouched
  uint32_t gone = a2;
  ASSERT_TRUE(m.Write("", &gone).ok());
  EXPECT_EQ(gone, 0u);
  ASSERT_TRUE(m.Read(0, &text).ok());
  EXPECT_EQ(text, "");

  // Another open appending through its own header sees the first one's blocks.
  MemoFile other;
  ASSERT_TRUE(MemoFile::Open(path, true, false, &other).ok());
  uint32_t c = 0;
  ASSERT_TRUE(other.Write("from the other open", &c).ok());
  EXPECT_EQ(c, 12u);
  uint32_t d = 0;
  ASSERT_TRUE(m.Write("and back", &d).ok());
  EXPECT_EQ(d, 13u);

  ASSERT_TRUE(m.Reset().ok());
  ASSERT_TRUE(m.ReadHeader(&next).ok());
  EXPECT_EQ(next, 8u);
  EXPECT_EQ(ReadBytes(path).size(), 512u);
}

// A note is read with one read of its head and first bytes, and a second for the rest:
// texts on both sides of that first read, the last block of the file (shorter than the
// first read), and a length that runs past the end all come back right.
TEST(MemoFileTest, NotesOfEveryLengthReadBackWhole) {
  TempDir dir;
  const std::string path = dir.File("M.FPT");
  ASSERT_TRUE(MemoFile::CreateNew(path).ok());
  MemoFile m;
  ASSERT_TRUE(MemoFile::Open(path, true, true, &m).ok());
  std::vector<std::pair<uint32_t, std::string>> notes;
  for (const size_t length : {1, 55, 56, 57, 503, 504, 505, 511, 512, 1000, 5000, 3}) {
    std::string text(length, 'a');
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + (i * 7 + length) % 26);
    uint32_t block = 0;
    ASSERT_TRUE(m.Write(text, &block).ok()) << length;
    notes.emplace_back(block, text);
  }
  ASSERT_TRUE(m.Sync().ok());
  MemoFile reader;
  ASSERT_TRUE(MemoFile::Open(path, false, false, &reader).ok());
  for (const auto& [block, text] : notes) {
    std::string got;
    ASSERT_TRUE(reader.Read(block, &got).ok()) << text.size();
    EXPECT_EQ(got, text) << text.size();
  }
  // The last note's length made to run one byte past the end of the file.
  std::vector<uint8_t> bytes = ReadBytes(path);
  const uint64_t last = uint64_t{notes.back().first} * 64;
  const uint32_t past = static_cast<uint32_t>(bytes.size() - last - 8 + 1);
  for (int i = 0; i < 4; ++i) bytes[last + 4 + i] = static_cast<uint8_t>(past >> (24 - 8 * i));
  WriteBytes(path, bytes);
  MemoFile damaged;
  ASSERT_TRUE(MemoFile::Open(path, false, false, &damaged).ok());
  std::string got;
  EXPECT_EQ(damaged.Read(notes.back().first, &got).code(), Status::Code::kCorrupt);
  ASSERT_TRUE(damaged.Read(notes.front().first, &got).ok());
  EXPECT_EQ(got, notes.front().second);
}

TEST(MemoFileTest, ReadsTheLongHeaderVariantAndOtherBlockSizes) {
  TempDir dir;
  // 1024-byte header with signatures, first value at block 16, block size as u32 at 4.
  std::vector<uint8_t> v(1024 + 64, 0);
  v[3] = 17;
  v[7] = 64;
  const std::string sig = "some engine's own signature";
  std::copy(sig.begin(), sig.end(), v.begin() + 8);
  std::copy(sig.begin(), sig.end(), v.begin() + 0x200);
  const uint8_t value[] = {0, 0, 0, 1, 0, 0, 0, 3, 'a', 'b', 'c'};
  std::copy(std::begin(value), std::end(value), v.begin() + 1024);
  v.back() = 0xAF;
  WriteBytes(dir.File("V.FPT"), v);
  MemoFile m;
  ASSERT_TRUE(MemoFile::Open(dir.File("V.FPT"), true, false, &m).ok());
  std::string text;
  ASSERT_TRUE(m.Read(16, &text).ok());
  EXPECT_EQ(text, "abc");
  uint32_t block = 0;
  ASSERT_TRUE(m.Write("new", &block).ok());
  EXPECT_EQ(block, 17u);  // appended at the next free block, never inside the header
  ASSERT_TRUE(m.Read(16, &text).ok());
  EXPECT_EQ(text, "abc");

  // 512-byte blocks: the first value is in block 1.
  std::vector<uint8_t> big(512, 0);
  big[3] = 1;
  big[6] = 2;
  WriteBytes(dir.File("B.FPT"), big);
  MemoFile b;
  ASSERT_TRUE(MemoFile::Open(dir.File("B.FPT"), true, true, &b).ok());
  EXPECT_EQ(b.first_block(), 1u);
  ASSERT_TRUE(b.Write(std::string(600, 'q'), &block).ok());
  EXPECT_EQ(block, 1u);
  ASSERT_TRUE(b.ReadHeader(&block).ok());
  EXPECT_EQ(block, 3u);
}

TEST(MemoFileTest, BadPointersAndHeadersGiveCorrupt) {
  TempDir dir;
  const std::string path = dir.File("M.FPT");
  ASSERT_TRUE(MemoFile::CreateNew(path).ok());
  MemoFile m;
  ASSERT_TRUE(MemoFile::Open(path, true, true, &m).ok());
  uint32_t block = 0;
  ASSERT_TRUE(m.Write("0123456789", &block).ok());
  std::string text;
  EXPECT_EQ(m.Read(3, &text).code(), Status::Code::kCorrupt);      // inside the header
  EXPECT_EQ(m.Read(500, &text).code(), Status::Code::kCorrupt);    // past the end
  EXPECT_EQ(m.Read(0xFFFFFFFF, &text).code(), Status::Code::kCorrupt);
  uint32_t blocks = 0;
  EXPECT_TRUE(m.CheckValue(8, 9, &blocks).ok());
  EXPECT_EQ(blocks, 1u);
  EXPECT_EQ(m.CheckValue(9, 9, &blocks).code(), Status::Code::kCorrupt);  // not handed out yet

  // A length word that runs past the end of the file.
  std::vector<uint8_t> b = ReadBytes(path);
  b[512 + 4] = 0x7F;
  WriteBytes(path, b);
  MemoFile broken;
  ASSERT_TRUE(MemoFile::Open(path, false, false, &broken).ok());
  EXPECT_EQ(broken.Read(8, &text).code(), Status::Code::kCorrupt);
  EXPECT_EQ(broken.CheckValue(8, 9, &blocks).code(), Status::Code::kCorrupt);
  EXPECT_EQ(broken.Write("x", &block).code(), Status::Code::kReadOnly);

  // Unusable headers.
  WriteBytes(path, {0, 0, 0});
  EXPECT_EQ(MemoFile::Open(path, false, false, &broken).code(), Status::Code::kCorrupt);
  WriteBytes(path, std::vector<uint8_t>(512, 0));  // block size 0
  EXPECT_EQ(MemoFile::Open(path, false, false, &broken).code(), Status::Code::kCorrupt);
  EXPECT_EQ(MemoFile::Open(dir.File("NONE.FPT"), false, false, &broken).code(), Status::Code::kNotFound);
}

}  // namespace
}  // namespace xbase::testing
