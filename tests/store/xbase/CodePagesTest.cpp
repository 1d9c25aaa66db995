// The table's code page: the header mark that names it, conversion to and from UTF-8,
// and UPPER in index keys and filters following it. Python's dbfread reads the text by
// the mark alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/xbase/Codepage.h"
#include "store/xbase/ExprCase.h"
#include "store/xbase/Table.h"
#include "tests/store/xbase/JlistdbTestSupport.h"
#include "tests/store/xbase/TableTestSupport.h"

namespace xbase::testing {
namespace {

std::string Upper(std::string_view text, int code_page) {
  std::string out(text);
  UpperCopy(reinterpret_cast<const uint8_t*>(text.data()), text.size(), reinterpret_cast<uint8_t*>(out.data()),
            code_page);
  return out;
}

TEST(CodePagesTest, MarksNameTheCodePagesAndUnknownMarksReadAsWestern) {
  const std::pair<int, uint8_t> marks[] = {{1252, 0x03}, {1250, 0xC8}, {1251, 0xC9},
                                           {1253, 0xCB}, {1254, 0xCA}, {1257, 0xCC}};
  for (const auto& [code_page, mark] : marks) {
    EXPECT_TRUE(KnownCodePage(code_page));
    EXPECT_EQ(MarkOfCodePage(code_page), mark) << code_page;
    EXPECT_EQ(CodePageOfMark(mark), code_page) << int(mark);
  }
  EXPECT_EQ(CodePageOfMark(0x00), 1252);  // not marked
  EXPECT_EQ(CodePageOfMark(0x65), 1252);  // a DOS code page this engine does not keep
  EXPECT_FALSE(KnownCodePage(866));
  EXPECT_EQ(MarkOfCodePage(866), 0x03);
}

TEST(CodePagesTest, EveryByteSurvivesARoundTripAndEachCodePageHoldsItsLetters) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  for (const int code_page : {1252, 1250, 1251, 1253, 1254, 1257}) {
    EXPECT_EQ(Utf8ToCodePage(CodePageToUtf8(all, code_page), code_page), all) << code_page;
  }
  EXPECT_EQ(Utf8ToCodePage("Привет мир 😀 café €", 1251), "\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0 ? caf? \x88");
  EXPECT_EQ(Utf8ToCodePage("Łódź", 1250), "\xA3\xF3\x64\x9F");
  EXPECT_EQ(Utf8ToCodePage("Καλημέρα", 1253), "\xCA\xE1\xEB\xE7\xEC\xDD\xF1\xE1");
  EXPECT_EQ(Utf8ToCodePage("İstanbul ğ", 1254), "\xDDstanbul \xF0");
  EXPECT_EQ(Utf8ToCodePage("Rīga ų", 1257), "R\xEEga \xF8");
  EXPECT_EQ(CodePageToUtf8("\xCF\xF0\xE8\xE2\xE5\xF2", 1251), "Привет");
  // The Western code page keeps its own reading.
  EXPECT_EQ(CodePageToUtf8("caf\xE9 \x80", 1252), "café €");
  EXPECT_EQ(Utf8ToCodePage("Привет", 1252), "??????");
}

TEST(CodePagesTest, UpperAndLowerFollowTheCodePage) {
  EXPECT_EQ(Upper("\xEF\xF0\xE8\xE2\xE5\xF2 abc", 1251), "\xCF\xD0\xC8\xC2\xC5\xD2 ABC");  // привет
  EXPECT_EQ(Upper("\xB3\xF3\x64\x9F", 1250), "\xA3\xD3\x44\x8F");                          // łódź
  EXPECT_EQ(Upper("\xEA\xE1\xEB\xE7", 1253), "\xCA\xC1\xCB\xC7");                          // καλη
  EXPECT_EQ(Upper("\xF0\xFE", 1254), "\xD0\xDE");                                          // ğş
  EXPECT_EQ(Upper("\xEE\xF8", 1257), "\xCE\xD8");                                          // īų
  // The same bytes in the Western code page are other letters, or none.
  EXPECT_EQ(Upper("\xEF\xF0\xE8", 1252), "\xCF\xD0\xC8");
  EXPECT_EQ(Upper("\xB3", 1252), "\xB3");
  EXPECT_EQ(LowerByte(0xC0, 1251), 0xE0);
  EXPECT_EQ(LowerByte(0xA8, 1251), 0xB8);  // Ё
  // A letter whose other case is more than one letter stays: German sharp s.
  EXPECT_EQ(UpperByte(0xDF, 1252), 0xDF);
}

// A Cyrillic table: the header names its code page, the UPPER tag orders the words
// without regard to case, a filter with UPPER finds them, and dbfread reads them by the
// mark alone.
TEST(CodePagesTest, ACyrillicTableSortsAndFiltersCaseBlindAndOthersReadIt) {
  TempDir dir;
  const std::string path = dir.File("JLIST.DBF");
  ASSERT_TRUE(Table::Create(path, TaskFieldSpecs(), 1251).ok());
  EXPECT_EQ(ReadBytes(path)[29], 0xC9);
  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(path, OpenMode::kExclusive, &t).ok());
  EXPECT_EQ(t->code_page(), 1251);
  const char* words[] = {"вишня", "Арбуз", "банан", "ВИНО"};
  for (const char* word : words) {
    TaskValues v;
    v.descript = Utf8ToCodePage(word, 1251);
    v.keys = v.descript;
    v.priority = "B";
    ASSERT_TRUE(AppendTask(t.get(), v).ok());
  }
  ASSERT_TRUE(t->Reindex({{"DESCRIPT", "upper(DESCRIPT)", "not Deleted()"}}).ok());
  t->SetOrder(1);
  std::vector<std::string> order;
  ASSERT_TRUE(t->GoTop().ok());
  while (!t->Eof()) {
    order.push_back(CodePageToUtf8(Trimmed(t->GetString(kDescript)), 1251));
    ASSERT_TRUE(t->Skip().ok());
  }
  EXPECT_EQ(order, (std::vector<std::string>{"Арбуз", "банан", "ВИНО", "вишня"}));

  ASSERT_TRUE(t->SetFilter("upper(KEYS) = '" + Utf8ToCodePage("ВИ", 1251) + "'").ok());
  uint32_t count = 0;
  ASSERT_TRUE(t->CountFiltered(&count).ok());
  EXPECT_EQ(count, 2u);
  t.reset();

  std::unique_ptr<Table> reopened;
  ASSERT_TRUE(Table::Open(path, OpenMode::kShared, &reopened).ok());
  EXPECT_EQ(reopened->code_page(), 1251);
  reopened.reset();

  const std::string script = dir.File("read.py");
  const std::string reader =
      "import sys\nfrom dbfread import DBF\n"
      "table = DBF(sys.argv[1], char_decode_errors='strict')\n"
      "sys.stdout.buffer.write('|'.join(r['DESCRIPT'] for r in table).encode('utf-8'))\n";
  WriteBytes(script, std::vector<uint8_t>(reader.begin(), reader.end()));
  const RunResult r = RunProgram(dir, {JOTLIST_PYTHON_PATH, script, path});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "вишня|Арбуз|банан|ВИНО");
}

}  // namespace
}  // namespace xbase::testing
