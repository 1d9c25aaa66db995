// The bytes of the table file: what Create writes, what an append changes, which
// headers are accepted, and tables written by other programs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/ByteOrder.h"
#include "store/xbase/DbfHeader.h"
#include "store/xbase/Table.h"
#include "tests/store/xbase/TableTestSupport.h"

namespace xbase::testing {
namespace {

TEST(DbfFileTest, CreateWritesTheTaskTableHeader) {
  TempDir dir;
  ASSERT_TRUE(Table::Create(dir.File("JLIST.DBF"), TaskFieldSpecs()).ok());
  const std::vector<uint8_t> b = ReadBytes(dir.File("JLIST.DBF"));
  ASSERT_EQ(b.size(), 259u);  // 258-byte header and the end-of-file marker
  EXPECT_EQ(b[0], 0xF5);
  EXPECT_GE(b[2], 1);
  EXPECT_LE(b[2], 12);
  EXPECT_EQ(base::Le32(&b[4]), 0u);
  EXPECT_EQ(base::Le16(&b[8]), 258u);
  EXPECT_EQ(base::Le16(&b[10]), 136u);
  EXPECT_EQ(b[28], 0x00);  // no index yet
  EXPECT_EQ(b[29], 0x03);
  const char* names[] = {"DATE", "TIME", "DESCRIPT", "NOTE", "DONE", "KEYS", "PRIORITY"};
  const char types[] = {'C', 'C', 'C', 'M', 'L', 'C', 'C'};
  const int widths[] = {8, 5, 50, 10, 1, 60, 1};
  uint32_t offset = 1;
  for (int i = 0; i < 7; ++i) {
    const size_t d = 32 + 32 * i;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[d])), names[i]);
    EXPECT_EQ(b[d + 10], 0);
    EXPECT_EQ(b[d + 11], types[i]);
    EXPECT_EQ(base::Le32(&b[d + 12]), offset);
    EXPECT_EQ(b[d + 16], widths[i]);
    EXPECT_EQ(b[d + 17], 0);
    offset += widths[i];
  }
  EXPECT_EQ(b[256], 0x0D);
  EXPECT_EQ(b[257], 0x00);
  EXPECT_EQ(b[258], 0x1A);

  const std::vector<uint8_t> m = ReadBytes(dir.File("JLIST.FPT"));
  ASSERT_EQ(m.size(), 512u);
  EXPECT_EQ((std::vector<uint8_t>(m.begin(), m.begin() + 8)), (std::vector<uint8_t>{0, 0, 0, 8, 0, 0, 0, 64}));

  // A table without memo fields has version 0x03 and no memo file.
  ASSERT_TRUE(Table::Create(dir.File("PLAIN.DBF"), {{"NAME", FieldType::kCharacter, 20, 0}}).ok());
  EXPECT_EQ(ReadBytes(dir.File("PLAIN.DBF"))[0], 0x03);
  EXPECT_FALSE(std::filesystem::exists(dir.File("PLAIN.FPT")));

  EXPECT_EQ(Table::Create(dir.File("JLIST.DBF"), TaskFieldSpecs()).code(), Status::Code::kIoError);
}

TEST(DbfFileTest, AppendWritesRecordMarkerAndCount) {
  TempDir dir;
  auto t = CreateTaskTable(dir);
  ASSERT_TRUE(AppendTask(t.get(), {"20240305", "09:30", "Call", "hello", true, "HOME", "A"}).ok());
  ASSERT_TRUE(AppendTask(t.get(), {"", "", "Second", "", false, "", "B"}).ok());
  const std::vector<uint8_t> b = ReadBytes(dir.File("JLIST.DBF"));
  ASSERT_EQ(b.size(), 258u + 2 * 136u + 1u);
  EXPECT_EQ(base::Le32(&b[4]), 2u);
  const std::string r1(b.begin() + 258, b.begin() + 258 + 136);
  EXPECT_EQ(r1.substr(0, 14), " 2024030509:30");
  EXPECT_EQ(r1.substr(14, 50), "Call" + std::string(46, ' '));
  EXPECT_EQ(r1.substr(64, 10), "         8");
  EXPECT_EQ(r1.substr(74, 1), "T");
  EXPECT_EQ(r1.substr(135, 1), "A");
  const std::string r2(b.begin() + 258 + 136, b.begin() + 258 + 272);
  EXPECT_EQ(r2.substr(64, 10), std::string(10, ' '));
  EXPECT_EQ(r2.substr(74, 1), "F");
  EXPECT_EQ(b.back(), 0x1A);
}

TEST(DbfFileTest, BuildRefusesBadFieldLists) {
  DbfHeader h;
  std::vector<uint8_t> bytes;
  const std::vector<std::vector<FieldSpec>> bad = {
      {},
      {{"", FieldType::kCharacter, 5, 0}},
      {{"ELEVENCHARS", FieldType::kCharacter, 5, 0}},
      {{"1ST", FieldType::kCharacter, 5, 0}},
      {{"A B", FieldType::kCharacter, 5, 0}},
      {{"NAME", FieldType::kCharacter, 0, 0}},
      {{"NAME", FieldType::kCharacter, 255, 0}},
      {{"N", FieldType::kNumeric, 21, 0}},
      {{"N", FieldType::kNumeric, 5, 4}},
      {{"L", FieldType::kLogical, 2, 0}},
      {{"D", FieldType::kDate, 6, 0}},
      {{"M", FieldType::kMemo, 4, 0}},
      {{"NAME", FieldType::kCharacter, 5, 0}, {"name", FieldType::kCharacter, 5, 0}},
  };
  for (const auto& fields : bad) {
    EXPECT_EQ(DbfHeader::Build(fields, &h, &bytes).code(), Status::Code::kInvalidArgument)
        << (fields.empty() ? "(none)" : fields[0].name);
  }
  std::vector<FieldSpec> too_long;
  for (int i = 0; i < 258; ++i) too_long.push_back({"F" + std::to_string(i), FieldType::kCharacter, 254, 0});
  EXPECT_EQ(DbfHeader::Build(too_long, &h, &bytes).code(), Status::Code::kInvalidArgument);
  // Default widths for the fixed-width types.
  ASSERT_TRUE(DbfHeader::Build({{"d", FieldType::kDate, 0, 0}, {"l", FieldType::kLogical, 0, 0},
                                {"m", FieldType::kMemo, 0, 0}, {"f", FieldType::kFloat, 10, 3}},
                               &h, &bytes).ok());
  EXPECT_EQ(h.record_length, 1u + 8 + 1 + 10 + 10);
  EXPECT_EQ(h.fields[0].name, "D");
  EXPECT_EQ(bytes[32 + 3 * 32 + 11], 'F');
}

// A valid header to break in one place at a time.
std::vector<uint8_t> ValidHeader() {
  DbfHeader h;
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(DbfHeader::Build({{"NAME", FieldType::kCharacter, 10, 0}, {"NOTE", FieldType::kMemo, 10, 0}}, &h,
                               &bytes).ok());
  bytes.pop_back();  // the end-of-file marker
  return bytes;
}

TEST(DbfFileTest, ParseNamesTheBrokenRule) {
  DbfHeader h;
  {
    const std::vector<uint8_t> b = ValidHeader();
    ASSERT_TRUE(DbfHeader::Parse(b.data(), b.size(), &h).ok());
    EXPECT_EQ(h.fields.size(), 2u);
    EXPECT_EQ(h.fields[1].offset, 11u);
    EXPECT_FALSE(h.memo_binary);
  }
  struct Case {
    const char* what;
    void (*mutate)(std::vector<uint8_t>*);
    Status::Code code;
  };
  const Case cases[] = {
      {"short", [](std::vector<uint8_t>* b) { b->resize(20); }, Status::Code::kCorrupt},
      {"version", [](std::vector<uint8_t>* b) { (*b)[0] = 0x42; }, Status::Code::kCorrupt},
      {"dbt memo", [](std::vector<uint8_t>* b) { (*b)[0] = 0x83; }, Status::Code::kNotSupported},
      {"header length", [](std::vector<uint8_t>* b) { (*b)[8] = 40; (*b)[9] = 0; }, Status::Code::kCorrupt},
      {"header past data", [](std::vector<uint8_t>* b) { (*b)[9] = 1; }, Status::Code::kCorrupt},
      {"record length", [](std::vector<uint8_t>* b) { (*b)[10] = 30; }, Status::Code::kCorrupt},
      {"type", [](std::vector<uint8_t>* b) { (*b)[32 + 11] = 'X'; }, Status::Code::kCorrupt},
      {"vfp type", [](std::vector<uint8_t>* b) { (*b)[32 + 11] = 'I'; }, Status::Code::kNotSupported},
      {"name", [](std::vector<uint8_t>* b) { (*b)[32] = '#'; }, Status::Code::kCorrupt},
      {"no name", [](std::vector<uint8_t>* b) { (*b)[32] = 0; }, Status::Code::kCorrupt},
      {"duplicate", [](std::vector<uint8_t>* b) { std::memcpy(&(*b)[64], "NAME", 5); }, Status::Code::kCorrupt},
      {"memo width", [](std::vector<uint8_t>* b) { (*b)[64 + 16] = 4; (*b)[10] = 15; }, Status::Code::kCorrupt},
      {"memo in plain table", [](std::vector<uint8_t>* b) { (*b)[0] = 0x03; }, Status::Code::kCorrupt},
      {"no fields", [](std::vector<uint8_t>* b) { (*b)[32] = 0x0D; }, Status::Code::kCorrupt},
      {"no terminator", [](std::vector<uint8_t>* b) { (*b)[96] = 'X'; }, Status::Code::kCorrupt},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> b = ValidHeader();
    c.mutate(&b);
    const Status s = DbfHeader::Parse(b.data(), b.size(), &h);
    EXPECT_EQ(s.code(), c.code) << c.what << ": " << s.ToString();
    EXPECT_FALSE(s.message().empty()) << c.what;
  }
}

// A table as another program writes it: header without the padding byte, numeric,
// float and date fields, no end-of-file marker.
TEST(DbfFileTest, ReadsAndExtendsForeignTables) {
  TempDir dir;
  std::vector<uint8_t> b(32 + 4 * 32 + 1, 0);
  b[0] = 0x03;
  b[4] = 2;
  b[8] = static_cast<uint8_t>(b.size());
  const uint32_t reclen = 1 + 6 + 8 + 8 + 1;
  b[10] = reclen;
  auto field = [&](int i, const char* name, char type, int width, int dec) {
    std::memcpy(&b[32 + 32 * i], name, std::strlen(name));
    b[32 + 32 * i + 11] = static_cast<uint8_t>(type);
    b[32 + 32 * i + 16] = static_cast<uint8_t>(width);
    b[32 + 32 * i + 17] = static_cast<uint8_t>(dec);
  };
  field(0, "id", 'N', 6, 0);  // lower case and no displacement, as old writers do
  field(1, "RATE", 'F', 8, 3);
  field(2, "BORN", 'D', 8, 0);
  field(3, "OK", 'L', 1, 0);
  b[32 + 4 * 32] = 0x0D;
  const std::string r1 = "      1   1.500200101 1?";
  const std::string r2 = "*    22  -2.250        N";
  b.insert(b.end(), r1.begin(), r1.end());
  b.insert(b.end(), r2.begin(), r2.end());
  ASSERT_EQ(r1.size(), reclen);
  WriteBytes(dir.File("other.dbf"), b);

  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(dir.File("other.dbf"), OpenMode::kShared, &t).ok());
  ASSERT_EQ(t->fields().size(), 4u);
  EXPECT_EQ(t->fields()[0].name, "ID");
  EXPECT_EQ(t->fields()[1].type, FieldType::kNumeric);  // F is read as N
  EXPECT_EQ(t->fields()[2].offset, 15u);
  EXPECT_EQ(t->RecordCount(), 2u);
  ASSERT_TRUE(t->GoTop().ok());
  EXPECT_EQ(t->GetString(0), "     1");
  EXPECT_FALSE(t->GetLogical(3));  // '?' is blank, which is false
  ASSERT_TRUE(t->Skip(1).ok());
  EXPECT_TRUE(t->Deleted());
  bool v = false;
  ASSERT_TRUE(t->EvalLogical("RATE < 0 .and. ID = 22", &v).ok());
  EXPECT_TRUE(v);

  ASSERT_TRUE(t->Append().ok());
  ASSERT_TRUE(t->SetString(0, "333").ok());
  EXPECT_EQ(t->GetString(0), "   333");  // numbers are right-aligned
  EXPECT_EQ(t->SetString(0, "1234567").code(), Status::Code::kInvalidArgument);
  ASSERT_TRUE(t->SetString(2, "20240229").ok());
  ASSERT_TRUE(t->Post().ok());
  t.reset();
  const std::vector<uint8_t> after = ReadBytes(dir.File("other.dbf"));
  EXPECT_EQ(after[4], 3);
  EXPECT_EQ(after[8], 32 + 4 * 32 + 1);  // the header keeps its length
  EXPECT_EQ(after[32 + 11], 'N');
  EXPECT_EQ(after[32 + 32 + 11], 'F');  // the descriptor keeps its type letter
  EXPECT_TRUE(std::equal(b.begin() + 12, b.end(), after.begin() + 12));  // nothing else moved
  EXPECT_EQ(after.back(), 0x1A);
  EXPECT_EQ(after.size(), b.size() + reclen + 1);
}

// Tables of the later file versions: a 263-byte backlink area in the header and memo
// pointers stored as four-byte integers.
TEST(DbfFileTest, ReadsBinaryMemoPointers) {
  TempDir dir;
  const uint32_t header_length = 32 + 2 * 32 + 1 + 263;
  std::vector<uint8_t> b(header_length + 10, 0);
  b[0] = 0x30;
  b[4] = 1;
  b[8] = header_length & 0xFF;
  b[9] = header_length >> 8;
  b[10] = 1 + 5 + 4;
  b[28] = 0x02;
  std::memcpy(&b[32], "NAME", 4);
  b[32 + 11] = 'C';
  b[32 + 16] = 5;
  std::memcpy(&b[64], "NOTES", 5);
  b[64 + 11] = 'M';
  b[64 + 16] = 4;
  b[96] = 0x0D;
  const uint8_t rec[] = {' ', 'B', 'o', 'l', 't', ' ', 8, 0, 0, 0};
  std::copy(std::begin(rec), std::end(rec), b.begin() + header_length);
  WriteBytes(dir.File("VFP.DBF"), b);
  std::vector<uint8_t> m(512 + 64, 0);
  m[3] = 9;
  m[7] = 64;
  const uint8_t value[] = {0, 0, 0, 1, 0, 0, 0, 11, 'Z', 'i', 'n', 'c', ' ', 'p', 'l', 'a', 't', 'e', 'd'};
  std::memcpy(&m[512], value, sizeof value);
  WriteBytes(dir.File("VFP.FPT"), m);

  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(dir.File("VFP.DBF"), OpenMode::kExclusive, &t).ok());
  ASSERT_TRUE(t->Go(1).ok());
  std::string note;
  ASSERT_TRUE(t->GetMemo(1, &note).ok());
  EXPECT_EQ(note, "Zinc plated");
  ASSERT_TRUE(t->Edit().ok());
  ASSERT_TRUE(t->SetMemo(1, std::string(100, 'x')).ok());
  ASSERT_TRUE(t->Post().ok());
  const std::vector<uint8_t> after = ReadBytes(dir.File("VFP.DBF"));
  EXPECT_EQ(after[header_length + 6], 9);  // moved to the next free block, as a u32
  EXPECT_EQ(after[header_length + 7], 0);
}

}  // namespace
}  // namespace xbase::testing
