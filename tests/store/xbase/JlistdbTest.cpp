// jlistdb driven as a user would: round trips through import and dump, orders, filters,
// seeks, deletes and packs, and bad input that must leave the table as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/xbase/Codepage.h"
#include "store/xbase/Table.h"
#include "store/xbase/TableBackup.h"
#include "tests/store/xbase/JlistdbTestSupport.h"

namespace xbase::testing {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    const size_t nl = text.find('\n', start);
    out.push_back(text.substr(start, nl - start));
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return out;
}

class JlistdbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = dir_.File("data");
    std::filesystem::create_directory(data_);
    const RunResult r = Jlistdb(dir_, {"create", data_});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  RunResult Tool(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin() + 1, data_);
    return Jlistdb(dir_, args, input);
  }
  void Import(const std::string& lines) {
    const RunResult r = Tool({"import"}, lines);
    ASSERT_EQ(r.status, 0) << r.err;
  }
  std::vector<uint8_t> Files() {
    std::vector<uint8_t> all;
    for (const char* name : {"JLIST.DBF", "JLIST.FPT", "JLIST.CDX"}) {
      const std::vector<uint8_t> b = ReadBytes(data_ + "/" + name);
      all.insert(all.end(), b.begin(), b.end());
      all.push_back('|');
    }
    return all;
  }
  TempDir dir_;
  std::string data_;
};

TEST_F(JlistdbTest, ImportAndDumpRoundTrip) {
  EXPECT_EQ(ReadBytes(data_ + "/JLIST.DBF")[28], 0x01);  // created with its index
  const std::string input =
      "20240305\t09:30\tCall Bob about the café\tF\thome work\tA\tfirst line\\nsecond \\\\ line\\tend\n"
      "\t\tundated €5 “quoted”\tT\t\tB\t\n"
      "20240306\t\t" + std::string(60, 'x') + "\tf\tZ\tC\tsnow ☃ and smile 😀\r\n"
      "\n"
      "20240301\t12:00\tno note column\tT\tK\tB\n";
  Import(input);
  const RunResult dump = Tool({"dump"});
  ASSERT_EQ(dump.status, 0) << dump.err;
  const std::vector<std::string> expect = {
      "1\t \t20240305\t09:30\tCall Bob about the café\tF\thome work\tA\tfirst line\\nsecond \\\\ line\\tend",
      "2\t \t\t\tundated €5 “quoted”\tT\t\tB\t",
      "3\t \t20240306\t\t" + std::string(50, 'x') + "\tF\tZ\tC\tsnow ? and smile ?",
      "4\t \t20240301\t12:00\tno note column\tT\tK\tB\t",
  };
  EXPECT_EQ(Lines(dump.out), expect);
  // The note is stored with CR LF line breaks, in Windows-1252.
  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(data_ + "/JLIST.DBF", OpenMode::kReadOnly, &t).ok());
  ASSERT_TRUE(t->Go(1).ok());
  std::string note;
  ASSERT_TRUE(t->GetMemo(kNote, &note).ok());
  EXPECT_EQ(note, "first line\r\nsecond \\ line\tend");
  EXPECT_EQ(Trimmed(t->GetString(kDescript)), "Call Bob about the caf\xE9");
  ASSERT_TRUE(t->Go(2).ok());
  EXPECT_EQ(Trimmed(t->GetString(kDescript)), "undated \x80" "5 \x93quoted\x94");
  t.reset();
  EXPECT_EQ(Tool({"count"}).out, "4\n");
  EXPECT_EQ(Tool({"count", "--filter", "DONE"}).out, "2\n");
  const RunResult check = Tool({"check"});
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  EXPECT_EQ(check.out, "");
}

// A table marked with another code page keeps its text in that code page: import, dump,
// filter and seek all convert through it, not through Windows-1252.
TEST_F(JlistdbTest, TextGoesThroughTheTablesCodePage) {
  {
    std::vector<uint8_t> header = ReadBytes(data_ + "/JLIST.DBF");
    header[29] = MarkOfCodePage(1251);
    WriteBytes(data_ + "/JLIST.DBF", header);
  }
  Import("20240305\t\tПозвонить Анне\tF\tдом\tA\tзаметка\n"
         "20240306\t\tКупить молоко\tF\tработа\tB\t\n");
  const RunResult dump = Tool({"dump"});
  ASSERT_EQ(dump.status, 0) << dump.err;
  EXPECT_EQ(Lines(dump.out), (std::vector<std::string>{"1\t \t20240305\t\tПозвонить Анне\tF\tдом\tA\tзаметка",
                                                       "2\t \t20240306\t\tКупить молоко\tF\tработа\tB\t"}));
  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(data_ + "/JLIST.DBF", OpenMode::kReadOnly, &t).ok());
  ASSERT_EQ(t->code_page(), 1251);
  ASSERT_TRUE(t->Go(2).ok());
  EXPECT_EQ(Trimmed(t->GetString(kKeys)), "\xF0\xE0\xE1\xEE\xF2\xE0");  // "работа" in 1251
  t.reset();
  EXPECT_EQ(Tool({"count", "--filter", "\"РАБОТА\" $ UPPER(KEYS)"}).out, "1\n");
  const RunResult seek = Tool({"seek", "DESCRIPT", "КУПИТЬ"});
  EXPECT_EQ(Lines(seek.out).at(0), "found");
  EXPECT_EQ(Tool({"check"}).status, 0);
}

TEST_F(JlistdbTest, OrdersFiltersAndSeeks) {
  Import(
      "20240305\t09:30\tbeta\tF\twork\tB\t\n"
      "\t\tundated\tF\t\tA\t\n"
      "20240301\t14:00\tAlpha\tT\thome\tC\t\n"
      "20240305\t\tgamma\tF\twork\tA\t\n");
  auto recnos = [](const RunResult& r) {
    std::string s;
    for (const std::string& line : Lines(r.out)) s += line.substr(0, line.find('\t'));
    return s;
  };
  EXPECT_EQ(recnos(Tool({"dump", "--order", "DATETIME"})), "2341");
  EXPECT_EQ(recnos(Tool({"dump", "--order", "2"})), "3142");
  EXPECT_EQ(recnos(Tool({"dump", "--order", "priority"})), "2413");
  EXPECT_EQ(recnos(Tool({"dump", "--order", "0"})), "1234");
  EXPECT_EQ(recnos(Tool({"dump", "--order", "1", "--filter", "\"WORK\" $ upper(KEYS)"})), "41");

  RunResult r = Tool({"seek", "DATETIME", "20240305"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"found", "4\t \t20240305\t\tgamma\tF\twork\tA\t"}));
  r = Tool({"seek", "DATETIME", "20240302"});
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.out, "not found\n");
  r = Tool({"seek", "DATETIME", "20240302", "--soft"});
  EXPECT_EQ(Lines(r.out).at(0), "not found");
  EXPECT_EQ(Lines(r.out).at(1).substr(0, 2), "4\t");
  r = Tool({"seek", "DATETIME", "2025", "--soft"});
  EXPECT_EQ(r.out, "eof\n");
  r = Tool({"seek", "DESCRIPT", "ALPHA"});
  EXPECT_EQ(Lines(r.out).at(0), "found");
  r = Tool({"seek", "NOSUCHTAG", "x"});
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(Lines(r.err).size(), 1u);
}

TEST_F(JlistdbTest, DeletePackZapAndReindex) {
  Import("20240301\t\tone\tF\t\tA\ta note\n20240302\t\ttwo\tF\t\tA\t\n20240303\t\tthree\tF\t\tA\tlast\n");
  ASSERT_EQ(Tool({"delete", "2"}).status, 0);
  EXPECT_EQ(Lines(Tool({"dump"}).out).size(), 2u);
  const std::vector<std::string> all = Lines(Tool({"dump", "--deleted"}).out);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[1].substr(0, 4), "2\t*\t");
  EXPECT_EQ(Tool({"count", "--deleted"}).out, "3\n");
  EXPECT_EQ(Lines(Tool({"dump", "--order", "DATETIME"}).out).size(), 2u);

  RunResult r = Tool({"pack"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(Tool({"dump", "--deleted"}).out),
            (std::vector<std::string>{"1\t \t20240301\t\tone\tF\t\tA\ta note", "2\t \t20240303\t\tthree\tF\t\tA\tlast"}));
  EXPECT_EQ(Tool({"check"}).status, 0);

  std::filesystem::remove(data_ + "/JLIST.CDX");
  r = Tool({"check"});
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(r.out.empty());
  ASSERT_EQ(Tool({"reindex"}).status, 0);
  EXPECT_EQ(Tool({"check"}).status, 0);
  EXPECT_EQ(Lines(Tool({"dump", "--order", "DATETIME"}).out).size(), 2u);

  ASSERT_EQ(Tool({"zap"}).status, 0);
  EXPECT_EQ(Tool({"dump"}).out, "");
  EXPECT_EQ(Tool({"count"}).out, "0\n");
  EXPECT_EQ(Tool({"check"}).status, 0);
}

TEST_F(JlistdbTest, BadInputChangesNothing) {
  Import("20240301\t\tone\tF\t\tA\tnote\n");
  const std::vector<uint8_t> before = Files();
  struct Case {
    std::vector<std::string> args;
    std::string input;
  };
  const std::vector<Case> cases = {
      {{"import"}, "20240302\t\tfine\tF\t\tA\t\nnot a task line\n"},
      {{"import"}, "20240302\t\tbad done\tX\t\tA\t\n"},
      {{"import"}, "20240302\t\tbad escape\tF\t\tA\tend \\q\n"},
      {{"import"}, "20240302\t\tlone backslash\tF\t\tA\tend \\\n"},
      {{"import"}, "a\tb\tc\tT\te\tf\tg\th\n"},
      {{"import", "/nonexistent/input.txt"}, ""},
      {{"dump", "--filter", "DATE = "}, ""},
      {{"dump", "--filter", "DESCRIPT"}, ""},
      {{"dump", "--order", "NOSUCH"}, ""},
      {{"count", "--filter", "nosuchfield"}, ""},
      {{"delete", "1", "7"}, ""},
      {{"delete", "x"}, ""},
      {{"delete"}, ""},
  };
  for (const Case& c : cases) {
    const RunResult r = Tool(c.args, c.input);
    EXPECT_NE(r.status, 0) << c.args[0] << " " << c.input;
    EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
    EXPECT_EQ(r.err.rfind("jlistdb: ", 0), 0u) << r.err;
    EXPECT_EQ(Files(), before) << c.args[0] << " " << c.input;
  }
  // Folders without a table, and files that are not one.
  RunResult r = Jlistdb(dir_, {"dump", dir_.File("missing")});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("does not exist"), std::string::npos) << r.err;
  r = Jlistdb(dir_, {"dump", dir_.path()});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("no task table"), std::string::npos) << r.err;
  const std::string other = dir_.File("other");
  std::filesystem::create_directory(other);
  WriteBytes(other + "/JLIST.DBF", std::vector<uint8_t>(100, 'z'));
  r = Jlistdb(dir_, {"import", other}, "20240302\t\tx\tF\t\tA\t\n");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(Lines(r.err).size(), 1u);
  EXPECT_EQ(ReadBytes(other + "/JLIST.DBF"), std::vector<uint8_t>(100, 'z'));
  // A table, but not the task table.
  std::filesystem::remove(other + "/JLIST.DBF");
  ASSERT_TRUE(Table::Create(other + "/JLIST.DBF", {{"NAME", FieldType::kCharacter, 10, 0}}).ok());
  r = Jlistdb(dir_, {"dump", other});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("not a task table"), std::string::npos) << r.err;
  // Usage.
  r = Jlistdb(dir_, {});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("usage"), std::string::npos);
  EXPECT_EQ(Jlistdb(dir_, {"frobnicate", data_}).status, 2);
  EXPECT_EQ(Jlistdb(dir_, {"dump", data_, "--bogus"}).status, 2);
  EXPECT_EQ(Jlistdb(dir_, {"pack", data_, "extra"}).status, 2);
  EXPECT_EQ(Files(), before);
}

TEST_F(JlistdbTest, RespectsOtherOpens) {
  Import("20240301\t\tone\tF\t\tA\t\n");
  std::unique_ptr<Table> held;
  ASSERT_TRUE(Table::Open(data_ + "/JLIST.DBF", OpenMode::kShared, &held).ok());
  RunResult r = Tool({"pack"});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("File in use"), std::string::npos) << r.err;
  r = Tool({"import"}, "20240302\t\ttwo\tF\t\tB\t\n");  // shared: works beside us
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(held->RecordCount(), 2u);
  ASSERT_TRUE(held->Go(1).ok());
  ASSERT_TRUE(held->Edit().ok());
  r = Tool({"delete", "1"});  // our record lock keeps it off record 1
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("locked"), std::string::npos) << r.err;
  held->Cancel();
  held.reset();
  r = Tool({"delete", "1"});
  EXPECT_EQ(r.status, 0) << r.err;
}

// A backup listed with its counts, a restore refused while another program has the files
// open (nothing changes), then done: the tasks are back, the index rebuilt and whole, and
// the files it replaced are a backup of their own.
TEST_F(JlistdbTest, BackupsListAndRestore) {
  Import("20240301\t\tone\tT\t\tA\tfirst note\n20240302\t\ttwo\tF\t\tB\t\n");
  const std::string before = Tool({"dump"}).out;
  ASSERT_TRUE(BackUpTable(data_ + "/JLIST.DBF", data_ + "/backups", "2024-03-02_10-00-00", 10).ok());
  ASSERT_EQ(Tool({"delete", "1"}).status, 0);
  ASSERT_EQ(Tool({"pack"}).status, 0);
  RunResult r = Tool({"backups"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "2024-03-02_10-00-00\t2 tasks\t1 done\n");

  const std::vector<uint8_t> packed = Files();
  {
    std::unique_ptr<Table> held;
    ASSERT_TRUE(Table::Open(data_ + "/JLIST.DBF", OpenMode::kShared, &held).ok());
    const std::vector<uint8_t> open_elsewhere = Files();  // the memo file marks the open
    r = Tool({"restore", "2024-03-02_10-00-00"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("open in another program"), std::string::npos) << r.err;
    EXPECT_EQ(Files(), open_elsewhere);
    EXPECT_EQ(ListTableBackups(data_ + "/backups").size(), 1u);
  }
  r = Tool({"restore", "no-such-backup"});
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(Files(), packed);

  r = Tool({"restore", "2024-03-02_10-00-00"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Tool({"dump"}).out, before);
  EXPECT_EQ(Tool({"check"}).status, 0);
  EXPECT_EQ(Lines(Tool({"seek", "DESCRIPT", "TWO"}).out).at(0), "found");
  const std::vector<std::string> listed = Lines(Tool({"backups"}).out);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_NE(listed[0].find("\t1 tasks\t0 done"), std::string::npos) << listed[0];
  EXPECT_NE(listed[1].find("2024-03-02_10-00-00\t2 tasks"), std::string::npos) << listed[1];
}

}  // namespace
}  // namespace xbase::testing
