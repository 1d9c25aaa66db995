// Tables written by our engine (through jlistdb) read by a DBF reader we did not write:
// Python's dbfread, with its own FPT memo support.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/xbase/Table.h"
#include "tests/store/xbase/JlistdbTestSupport.h"

namespace xbase::testing {
namespace {

// Prints every record as dump does (without the record number), deleted ones marked.
constexpr const char* kReader = R"PY(
import sys
from dbfread import DBF

def esc(note):
    return note.replace('\\', '\\\\').replace('\r\n', '\\n').replace('\t', '\\t')

table = DBF(sys.argv[1], encoding='cp1252', char_decode_errors='strict')
assert table.dbversion.startswith('FoxPro'), table.dbversion
assert [f.name for f in table.fields] == ['DATE', 'TIME', 'DESCRIPT', 'NOTE', 'DONE', 'KEYS', 'PRIORITY']
out = sys.stdout.buffer
for mark, records in ((' ', table.records), ('*', table.deleted)):
    for r in records:
        line = '\t'.join([mark, r['DATE'], r['TIME'], r['DESCRIPT'], 'T' if r['DONE'] else 'F',
                          r['KEYS'], r['PRIORITY'], esc(r['NOTE'] or '')])
        out.write((line + '\n').encode('utf-8'))
)PY";

TEST(DbfreadTest, ReadsWhatJlistdbImported) {
  TempDir dir;
  const std::string data = dir.File("data");
  std::filesystem::create_directory(data);
  ASSERT_EQ(Jlistdb(dir, {"create", data}).status, 0);
  std::string input;
  std::vector<std::string> expect_live;
  std::vector<std::string> expect_deleted;
  for (int i = 1; i <= 60; ++i) {
    const int day = i % 28 + 1;
    const std::string date = i % 7 == 0 ? "" : "202403" + std::string(day < 10 ? "0" : "") + std::to_string(day);
    const std::string time = i % 3 == 0 ? "" : "1" + std::to_string(i % 10) + ":" + std::to_string(10 + i % 50);
    const std::string descript = "Task " + std::to_string(i) + (i % 4 == 0 ? " für Café €" : "");
    const std::string done = i % 2 ? "T" : "F";
    const std::string keys = i % 5 == 0 ? "" : "HOME WORK";
    const std::string priority = std::string(1, static_cast<char>('A' + i % 3));
    // Notes from empty to several blocks long, with line breaks and backslashes.
    std::string note;
    for (int k = 0; k < (i * 13) % 40; ++k) note += "word" + std::to_string(k) + (k % 9 == 8 ? "\\n" : " ");
    if (i % 6 == 0) note += "C:\\\\path";
    const std::string fields = date + "\t" + time + "\t" + descript + "\t" + done + "\t" + keys + "\t" + priority;
    input += fields + "\t" + note + "\n";
    (i % 10 == 0 ? expect_deleted : expect_live).push_back(std::string(i % 10 == 0 ? "*" : " ") + "\t" + fields +
                                                          "\t" + note);
  }
  ASSERT_EQ(Jlistdb(dir, {"import", data}, input).status, 0);
  ASSERT_EQ(Jlistdb(dir, {"delete", data, "10", "20", "30", "40", "50", "60"}).status, 0);
  {
    // Notes replaced in place (shorter) and moved to new blocks (longer).
    std::unique_ptr<Table> t;
    ASSERT_TRUE(Table::Open(data + "/JLIST.DBF", OpenMode::kShared, &t).ok());
    const std::pair<uint32_t, std::string> edits[] = {{2, "short"}, {3, std::string(700, 'g')}, {5, ""}};
    for (const auto& [recno, note] : edits) {
      ASSERT_TRUE(t->Go(recno).ok());
      ASSERT_TRUE(t->Edit().ok());
      ASSERT_TRUE(t->SetMemo(kNote, note).ok());
      ASSERT_TRUE(t->Post().ok());
      std::string& line = expect_live[recno - 1];
      line = line.substr(0, line.rfind('\t') + 1) + note;
    }
  }
  const std::string script = dir.File("read.py");
  WriteBytes(script, std::vector<uint8_t>(kReader, kReader + std::string(kReader).size()));
  const RunResult r = RunProgram(dir, {JOTLIST_PYTHON_PATH, script, data + "/JLIST.DBF"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> expect = expect_live;
  expect.insert(expect.end(), expect_deleted.begin(), expect_deleted.end());
  std::vector<std::string> got;
  for (size_t start = 0; start < r.out.size();) {
    const size_t nl = r.out.find('\n', start);
    got.push_back(r.out.substr(start, nl - start));
    start = nl == std::string::npos ? r.out.size() : nl + 1;
  }
  ASSERT_EQ(got.size(), expect.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expect[i]);
}

}  // namespace
}  // namespace xbase::testing
